# The two commands of the README: `make run` and `make test`. Both install what is missing first.
BUILD      ?= build
TSAN_BUILD ?= build-tsan
WIN_BUILD  ?= build-win
GENERATOR  := $(shell command -v ninja >/dev/null 2>&1 && echo "-G Ninja")

.PHONY: all deps configure build run test tsan winbuild wintest bench package clean

all: build

deps:
	@bash scripts/install-deps.sh

$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) $(GENERATOR) -DCMAKE_BUILD_TYPE=RelWithDebInfo

configure: $(BUILD)/CMakeCache.txt

build: configure
	cmake --build $(BUILD) --parallel 2

run: deps build
	@if [ -z "$$DISPLAY$$WAYLAND_DISPLAY" ]; then \
	  echo "No display found: starting Vidlet with the offscreen platform (QT_QPA_PLATFORM=offscreen)"; \
	  QT_QPA_PLATFORM=offscreen ./$(BUILD)/bin/Vidlet; \
	else ./$(BUILD)/bin/Vidlet; fi

# The threaded pieces (camera pacing, card pump, shared memory) run again under ThreadSanitizer.
tsan: deps
	cmake -S . -B $(TSAN_BUILD) $(GENERATOR) -DCMAKE_BUILD_TYPE=Debug -DVIDLET_TSAN=ON
	cmake --build $(TSAN_BUILD) --parallel 2 --target tsan_tests
	cd $(TSAN_BUILD) && TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
	  ctest --output-on-failure -L tsan

# The Qt-free Windows units, cross-compiled with MinGW-w64; their tests run under Wine.
winbuild: deps
	cmake -S . -B $(WIN_BUILD) $(GENERATOR) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
	cmake --build $(WIN_BUILD) --parallel 2

wintest: winbuild
	cd $(WIN_BUILD) && ctest --output-on-failure --timeout 300

test: deps build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure --timeout 300
	$(MAKE) wintest
	$(MAKE) tsan

# bench_decode_wine runs the Windows build's decoder under Wine.
bench: deps build winbuild
	@for b in $(BUILD)/bin/bench_*; do echo "== $$b"; \
	  VIDLET_WIN_BUILD=$(abspath $(WIN_BUILD)) "$$b" || exit 1; done

# The Debian package of the program, built by CPack into the build folder.
package: deps build
	cmake --build $(BUILD) --target package

clean:
	rm -rf $(BUILD) $(TSAN_BUILD) $(WIN_BUILD)
