# The two commands of the README: `make run` and `make test`. Both install what is missing first.
BUILD      ?= build
TSAN_BUILD ?= build-tsan
WIN_BUILD  ?= build-win
ASAN_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60
# CI sets VIDLET_WERROR=ON: there every build treats a compiler warning as an error.
VIDLET_WERROR ?= OFF
GENERATOR  := $(shell command -v ninja >/dev/null 2>&1 && echo "-G Ninja")
# ccache (when present) matches paths relative to the checkout, so a fresh clone elsewhere, as CI
# makes, reuses what an earlier build of the same sources compiled.
export CCACHE_BASEDIR ?= $(CURDIR)
export CCACHE_NOHASHDIR ?= 1
export CCACHE_MAXSIZE ?= 20G

.PHONY: all deps configure build run test tsan winbuild wintest asan fuzz fuzz-long bench soak package clean format-check

all: build

deps:
	@bash scripts/install-deps.sh

$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) $(GENERATOR) -DVIDLET_WERROR=$(VIDLET_WERROR) -DCMAKE_BUILD_TYPE=RelWithDebInfo

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
	cmake -S . -B $(TSAN_BUILD) $(GENERATOR) -DVIDLET_WERROR=$(VIDLET_WERROR) -DCMAKE_BUILD_TYPE=Debug -DVIDLET_TSAN=ON
	cmake --build $(TSAN_BUILD) --parallel 2 --target tsan_tests
	cd $(TSAN_BUILD) && TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
	  ctest --output-on-failure -L tsan

# The Windows build, cross-compiled with MinGW-w64; its tests run under Wine. With the Windows
# SDK (Qt 6.4.2 and qrcodegen for MinGW-w64, checked and unpacked once into the build folder) it
# is the whole program, Vidlet.exe; without it, only the Qt-free Windows units, and make says so.
WIN_SDK_DIR ?= ../shared/win64
WIN_SDK := $(abspath $(WIN_BUILD))/sdk/vidlet-win64-sdk-qt6.4.2-mingw12
# More CMake options for the Windows build: a release passes its signing certificate here.
WIN_CMAKE_FLAGS ?=

winbuild: deps
	@bash scripts/win-sdk.sh "$(WIN_SDK_DIR)" "$(WIN_BUILD)/sdk"
	if [ -d "$(WIN_SDK)" ]; then \
	  PKG_CONFIG_LIBDIR=$(WIN_SDK)/lib/pkgconfig cmake -S . -B $(WIN_BUILD) $(GENERATOR) -DVIDLET_WERROR=$(VIDLET_WERROR) \
	    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
	    -DCMAKE_PREFIX_PATH=$(WIN_SDK) -DQT_HOST_PATH=/usr \
	    -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake $(WIN_CMAKE_FLAGS); \
	else \
	  cmake -S . -B $(WIN_BUILD) $(GENERATOR) -DVIDLET_WERROR=$(VIDLET_WERROR) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	    -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake; \
	fi
	cmake --build $(WIN_BUILD) --parallel 2

wintest: winbuild
	cd $(WIN_BUILD) && ctest --output-on-failure --timeout 300

# The whole suite again under AddressSanitizer and UndefinedBehaviorSanitizer. LSan reports
# leaks at exit; scripts/lsan.supp names the few inside system libraries.
asan: deps
	cmake -S . -B $(ASAN_BUILD) $(GENERATOR) -DVIDLET_WERROR=$(VIDLET_WERROR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVIDLET_ASAN=ON
	cmake --build $(ASAN_BUILD) --parallel 2
	cd $(ASAN_BUILD) && QT_QPA_PLATFORM=offscreen \
	  ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:fast_unwind_on_malloc=0:malloc_context_size=12" \
	  LSAN_OPTIONS="suppressions=$(CURDIR)/scripts/lsan.supp:print_suppressions=0" \
	  UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1" \
	  ctest --output-on-failure --timeout 600

# libFuzzer targets (fuzz/), built with clang and ASan+UBSan, each run for FUZZ_SECONDS.
fuzz: deps
	cmake -S . -B $(FUZZ_BUILD) $(GENERATOR) -DVIDLET_WERROR=$(VIDLET_WERROR) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DVIDLET_FUZZ=ON
	cmake --build $(FUZZ_BUILD) --parallel 2 --target fuzz_targets
	bash scripts/run-fuzzers.sh $(FUZZ_BUILD) $(FUZZ_SECONDS)

# The long fuzzing run: each target until FUZZ_RUNS executions or FUZZ_LONG_SECONDS; the corpus
# each grew is minimised into fuzz/corpus (commit it), and each prints its coverage.
FUZZ_RUNS ?= 10000000
FUZZ_LONG_SECONDS ?= 3600
FUZZ_COVERAGE_BUILD ?= build-fuzz-coverage
fuzz-long: deps
	cmake -S . -B $(FUZZ_BUILD) $(GENERATOR) -DVIDLET_WERROR=$(VIDLET_WERROR) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DVIDLET_FUZZ=ON
	cmake --build $(FUZZ_BUILD) --parallel 2 --target fuzz_targets
	cmake -S . -B $(FUZZ_COVERAGE_BUILD) $(GENERATOR) -DVIDLET_WERROR=$(VIDLET_WERROR) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DVIDLET_FUZZ=ON -DVIDLET_FUZZ_COVERAGE=ON
	cmake --build $(FUZZ_COVERAGE_BUILD) --parallel 2 --target fuzz_targets
	bash scripts/fuzz-long.sh $(FUZZ_BUILD) $(FUZZ_COVERAGE_BUILD) $(FUZZ_RUNS) $(FUZZ_LONG_SECONDS)

# Every C++ file as clang-format writes it; CI runs this before the tests.
format-check: deps
	@bash scripts/check-format.sh

test: deps
	@bash scripts/stage.sh build $(MAKE) build
	@bash scripts/stage.sh linux-tests sh -c 'cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure --timeout 300'
	@bash scripts/stage.sh windows $(MAKE) wintest
	@bash scripts/stage.sh tsan $(MAKE) tsan
	@bash scripts/stage.sh asan $(MAKE) asan
	@bash scripts/stage.sh fuzz $(MAKE) fuzz FUZZ_SECONDS=15

# bench_decode_wine runs the Windows build's decoder under Wine. Every benchmark ends by itself;
# all of them take about 7 minutes on 2 cores. One that runs past BENCH_LIMIT seconds
# is stopped, and the run fails with it. `make test` runs each once in its short mode (--short).
BENCH_LIMIT ?= 900
bench: deps build winbuild
	@for b in $(BUILD)/bin/bench_*; do echo "== $$b"; \
	  VIDLET_WIN_BUILD=$(abspath $(WIN_BUILD)) timeout -k 10 $(BENCH_LIMIT) "$$b" || exit 1; done

# A whole call's soak: the real program, a 1080p phone, a reader and a visiting phone for
# SOAK_MINUTES (60 by default), judged at the end. `make test` runs it for one minute.
SOAK_MINUTES ?= 60
soak: deps build
	$(BUILD)/bin/vidlet-soak --minutes $(SOAK_MINUTES)

# The Debian package of the program, built by CPack into the build folder.
package: deps build
	cmake --build $(BUILD) --target package

clean:
	rm -rf $(BUILD) $(TSAN_BUILD) $(WIN_BUILD) $(ASAN_BUILD) $(FUZZ_BUILD) $(FUZZ_COVERAGE_BUILD)
