# The two commands of the README: `make run` and `make test`. Both install what is missing first.
BUILD      ?= build
TSAN_BUILD ?= build-tsan
GENERATOR  := $(shell command -v ninja >/dev/null 2>&1 && echo "-G Ninja")

.PHONY: all deps configure build run test tsan bench package clean

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

test: deps build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure --timeout 300
	$(MAKE) tsan

bench: deps build
	@for b in $(BUILD)/bin/bench_*; do echo "== $$b"; "$$b" || exit 1; done

# The Debian package of the program, built by CPack into the build folder.
package: deps build
	cmake --build $(BUILD) --target package

clean:
	rm -rf $(BUILD) $(TSAN_BUILD)
