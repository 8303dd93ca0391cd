# Top-level entry points: set-up, build, run, tests, benchmarks, formatting and lint.
BUILD ?= build
JOBS ?= $(shell nproc)
# WERROR=1 turns compiler warnings into errors in the normal test build (CI does so).
WERROR ?= 0
WERROR_CMAKE_FLAG = -DTESMARO_WERROR=$(if $(filter 1 ON on yes,$(WERROR)),ON,OFF)
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo $(WERROR_CMAKE_FLAG)
# The sanitized tree (ASan + UBSan) in which `make test` runs the suite a second time, and the
# fuzz tree (clang, libFuzzer) of `make fuzz`. The sanitized tree builds quicker with -O1 and with
# -g1: line tables and functions, inlined ones too, which is all the sanitizers' reports show.
ASAN_BUILD ?= build-asan
# Warnings stay warnings there: -O1 with the sanitizers' instrumentation gives GCC's flow-based
# warnings false positives that the normal build, which CI runs with WERROR=1, does not have.
# The tests' own code is compiled unoptimised there (the code under test keeps -O1).
ASAN_CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTESMARO_SANITIZE=ON \
  "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O1 -g1" -DTESMARO_TEST_CXX_FLAGS=-O0
SANITIZER_ENV = ASAN_OPTIONS=detect_leaks=1:detect_stack_use_after_return=1:check_initialization_order=1:strict_string_checks=1 \
  UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
# The ThreadSanitizer tree of `make test-tsan`: the window's tests, whose chip commands run on a
# worker thread. Not part of `make test`.
TSAN_BUILD ?= build-tsan
TSAN_CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTESMARO_TSAN=ON "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O1 -g"
TSAN_ENV = TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$(CURDIR)/tests/tsan.supp"
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60
LINT_JOBS ?= 2
# The browser build of `make web`: the GUI-free libraries compiled to WebAssembly with Debian's
# emscripten (emcmake), their GoogleTest suites run under Node by `make test-web`. Emscripten's
# optimising link looks for acorn in Debian's shared Node modules.
WEB_BUILD ?= build-web
WEB_ENV = NODE_PATH=/usr/share/nodejs
# A new build tree is generated for Ninja when it is installed: it starts compiling sooner and
# keeps both cores busy where Make's recursive passes leave one idle. A tree configured before
# keeps its generator (CMake refuses to switch one).
GENERATOR_FOR = $(if $(wildcard $(1)/CMakeCache.txt),,$(if $(shell command -v ninja),-G Ninja))
# `make test` notes how long each step took here and prints it at the end (scripts/timed).
STEP_TIMES ?=
TIMED = ./scripts/timed "$(STEP_TIMES)"

.PHONY: all deps configure build run test test-normal test-asan test-tsan fuzz bench package format lint clean \
  web test-web web-serve

all: build

deps:
	./scripts/install-deps

configure: deps
	$(TIMED) "normal tree: configure" cmake -S . -B $(BUILD) $(call GENERATOR_FOR,$(BUILD)) $(CMAKE_FLAGS)

build: configure
	$(TIMED) "normal tree: build" cmake --build $(BUILD) -j $(JOBS)

run: build
	$(BUILD)/tesmaro --simulate

# The suite in the normal tree, then in the sanitized one; prints at the end how long each step
# took and the whole run, in wall-clock and processor time.
test:
	@mkdir -p $(BUILD) && rm -f $(BUILD)/make-test-times
	@./scripts/timed $(BUILD)/make-test-times "make test in all" \
	  sh -c '$(MAKE) --no-print-directory test-normal STEP_TIMES=$(BUILD)/make-test-times && \
	         $(MAKE) --no-print-directory test-asan STEP_TIMES=$(BUILD)/make-test-times'; \
	status=$$?; echo; cat $(BUILD)/make-test-times; exit $$status

# The suite in the normal tree alone.
test-normal: build
	$(TIMED) "normal tree: tests" env QT_QPA_PLATFORM=offscreen ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

# The whole suite again under AddressSanitizer and UndefinedBehaviorSanitizer.
test-asan: deps
	$(TIMED) "sanitized tree: configure" cmake -S . -B $(ASAN_BUILD) $(call GENERATOR_FOR,$(ASAN_BUILD)) $(ASAN_CMAKE_FLAGS)
	$(TIMED) "sanitized tree: build" cmake --build $(ASAN_BUILD) -j $(JOBS)
	$(TIMED) "sanitized tree: tests" env $(SANITIZER_ENV) QT_QPA_PLATFORM=offscreen \
	  ctest --test-dir $(ASAN_BUILD) --output-on-failure -j $(JOBS) -E '^(format_check|layering_check)$$'

# The window's tests (label gui) under ThreadSanitizer.
test-tsan: deps
	cmake -S . -B $(TSAN_BUILD) $(call GENERATOR_FOR,$(TSAN_BUILD)) $(TSAN_CMAKE_FLAGS)
	cmake --build $(TSAN_BUILD) -j $(JOBS) --target gui_tests
	cd $(TSAN_BUILD) && $(TSAN_ENV) QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS) -L gui

# Builds the libFuzzer targets and runs each for FUZZ_SECONDS on its seeds in fuzz/corpus.
fuzz: deps
	cmake -S . -B $(FUZZ_BUILD) $(call GENERATOR_FOR,$(FUZZ_BUILD)) -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTESMARO_FUZZ=ON
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target fuzz_targets
	./fuzz/run_fuzzers.sh $(FUZZ_BUILD) $(FUZZ_SECONDS)

web: deps
	$(TIMED) "web tree: configure" env $(WEB_ENV) emcmake cmake -S . -B $(WEB_BUILD) $(call GENERATOR_FOR,$(WEB_BUILD)) \
	  -DCMAKE_BUILD_TYPE=Release $(WERROR_CMAKE_FLAG)
	$(TIMED) "web tree: build" env $(WEB_ENV) cmake --build $(WEB_BUILD) -j $(JOBS)

# The GoogleTest suites of the WebAssembly build under Node, and the page tests in headless
# Chromium (which compare the page's reading with the native tesmaro-cli's when $(BUILD) has one).
test-web: web
	$(TIMED) "web tree: tests" env $(if $(wildcard $(BUILD)/tesmaro-cli),TESMARO_CLI=$(CURDIR)/$(BUILD)/tesmaro-cli) \
	  ctest --test-dir $(WEB_BUILD) --output-on-failure -j $(JOBS)

# Serves the built page on http://127.0.0.1:$(WEB_PORT)/ (a secure context: WebHID works there).
WEB_PORT ?= 8080
web-serve: web
	node web/serve.mjs $(WEB_BUILD)/web $(WEB_PORT)

bench: build
	cmake --build $(BUILD) -j $(JOBS) --target benchmarks
	cd $(BUILD) && for b in bench/bench_*; do [ -x "$$b" ] && QT_QPA_PLATFORM=offscreen "$$b"; done

package: build
	cmake --build $(BUILD) --target package

# Rewrites every tracked C++ source with .clang-format; the test format_check fails until this ran.
format:
	./scripts/format

# clang-tidy with .clang-tidy over src/, from the compile commands of $(BUILD). LINT_BASE=REV:
# only the sources that differ from git revision REV (and those including a header that does).
LINT_BASE ?=
lint: configure
	./scripts/lint $(if $(LINT_BASE),--changed $(LINT_BASE)) $(BUILD) $(LINT_JOBS)

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(TSAN_BUILD) $(FUZZ_BUILD) $(WEB_BUILD)
