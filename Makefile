# Quaverly: `make run` installs what the player needs, builds the player and
# starts it; `make test` installs the test tools too, builds everything (tests
# and benchmarks too) and runs the whole test suite.
BUILD ?= build
ASAN_BUILD ?= build-asan
TSAN_BUILD ?= build-tsan
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo
PREFIX ?= /usr/local

.PHONY: all deps test-deps configure configure-all build player run test asan tsan bench fuzz install package format clean

all: build

# What the player needs to build and run.
deps:
	@scripts/install-deps.sh

# That and the test suite's tools.
test-deps:
	@scripts/install-deps.sh test

configure: deps
	@cmake -S . -B $(BUILD) $(CMAKE_FLAGS) >/dev/null

configure-all: test-deps
	@cmake -S . -B $(BUILD) $(CMAKE_FLAGS) >/dev/null

build: configure-all
	@cmake --build $(BUILD) -j$(JOBS)
	@scripts/make-demo.sh $(BUILD)/demo

# Only what the player needs: the program, its codec module and the demo.
player: configure
	@cmake --build $(BUILD) -j$(JOBS) --target quaverly quaverly_codec_module
	@scripts/make-demo.sh $(BUILD)/demo

run: player
	@scripts/run-player.sh $(BUILD) $(ARGS)

test: build
	@cd $(BUILD) && ctest --output-on-failure -j$(JOBS) --timeout 600

asan: test-deps
	@cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG=-g1 -DQUAVERLY_SANITIZE=ON -DQUAVERLY_BENCH=OFF >/dev/null
	@cmake --build $(ASAN_BUILD) -j$(JOBS)
	@cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=1 ctest --output-on-failure -j$(JOBS) --timeout 900

install: build
	@cmake --install $(BUILD) --prefix $(PREFIX)

package: build
	@cd $(BUILD) && cpack --config CPackConfig.cmake -B package
	@ls $(BUILD)/package/*.deb

# The audio library's tests under ThreadSanitizer, in one process. The tests
# start helper programs (ffmpeg, servers) from a threaded process, which the
# sanitizer allows with die_after_fork=0. One process for all: when a test
# process forks a server before its first thread, GCC 12's runtime reports
# races inside the HTTP transfer between accesses that both hold its lock.
tsan: test-deps
	@cmake -S . -B $(TSAN_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUAVERLY_TSAN=ON >/dev/null
	@cmake --build $(TSAN_BUILD) --target test_audio -j$(JOBS)
	@cd $(TSAN_BUILD) && TSAN_OPTIONS="die_after_fork=0 halt_on_error=1" QT_QPA_PLATFORM=offscreen ./tests/test_audio --gtest_brief=1

# The reference players and the benchmarks' own needs (xcb headers for
# map_time) come first, so that the build finds them.
bench: test-deps
	@bench/install-references.sh
	@$(MAKE) --no-print-directory build
	@bench/run-all.sh $(BUILD)

# libFuzzer harnesses (clang), each run FUZZ_SECONDS over tests/fuzz/corpus;
# the report is build-libfuzzer/fuzz-report.txt.
FUZZ_SECONDS ?= 600
fuzz:
	@scripts/install-deps.sh fuzz
	@tests/fuzz/run-fuzzers.sh $(FUZZ_SECONDS)

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	@rm -rf $(BUILD) $(ASAN_BUILD) $(TSAN_BUILD)
