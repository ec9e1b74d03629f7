# The two set-up commands: `make play` and `make test`. Everything else is a helper.
BUILD      ?= build
# The sanitizer build is clang's: it also holds the fuzz targets, so `make fuzz` compiles only them.
# It leaves the benchmarks out (`make bench` is the default build's). Both sanitizer trees compile
# their units in batches (a unity build), the default tree one at a time.
ASAN_BUILD ?= build-sanitize
TSAN_BUILD ?= build-tsan
RELEASE_BUILD ?= build-release
# Seconds each fuzz target runs in `make fuzz`.
FUZZ_SECONDS ?= 5
ADS        ?= on
# Options of the local ad server's own for `make play`, e.g. "--banner-unit tikoleap-swipe".
ADSERVER_ARGS ?=
JOBS       ?= $(shell nproc)
CMAKE_ARGS ?=
# Where ccache is installed, every build goes through it, with paths taken relative to the checkout,
# so a fresh clone on the same machine reuses what an earlier one compiled. Looked up when a tree is
# configured, after `bootstrap` has run: on a fresh machine, that is what installs it.
CCACHE      = $(shell command -v ccache 2>/dev/null)
LAUNCHER    = $(if $(CCACHE),-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
# Ninja, where the bootstrap installed it: it starts a target's compilations before the libraries
# under it are linked, which keeps both cores busy, and has no per-target make of its own. Looked
# up when a tree is configured, like ccache; a tree keeps the generator it was configured with.
NINJA       = $(shell command -v ninja 2>/dev/null)
GENERATOR   = $(if $(NINJA),-G Ninja)
export CCACHE_BASEDIR := $(CURDIR)
export CCACHE_NOHASHDIR := 1
# The sanitizer builds' precompiled headers are cached only with these.
export CCACHE_SLOPPINESS := pch_defines,time_macros,include_file_mtime,include_file_ctime
# Window and web tests (and the web benchmarks) need a display: without one, they run inside a
# virtual X server.
WITH_DISPLAY = $(CURDIR)/scripts/with-display

.PHONY: all bootstrap configure configure-sanitize build build-release play test test-sanitize test-tsan fuzz bench bench-once format format-check clean install-desktop

all: build

bootstrap:
	@./scripts/bootstrap

$(BUILD)/CMakeCache.txt: | bootstrap
	@cmake $(GENERATOR) -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(LAUNCHER) $(CMAKE_ARGS) >/dev/null

configure: bootstrap $(BUILD)/CMakeCache.txt

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

# The release build (-O3, without the main-thread checks); CI does not build it: the default build
# already runs the optimiser (-O2), and its warnings with it.
build-release: bootstrap
	@test -f $(RELEASE_BUILD)/CMakeCache.txt || cmake $(GENERATOR) -S . -B $(RELEASE_BUILD) -DCMAKE_BUILD_TYPE=Release $(LAUNCHER) >/dev/null
	@cmake --build $(RELEASE_BUILD) -j $(JOBS)

# ADS=off plays without the local ad server. The build says one line when it has nothing to do.
# The script replaces the recipe's shell, so that make's SIGTERM reaches it.
play: configure
	@./scripts/build-brief $(BUILD) $(JOBS)
	@ADS=$(ADS) ADSERVER_ARGS="$(ADSERVER_ARGS)" exec ./scripts/play $(BUILD)

# The real web engine's tests wait in real time for pages in processes of their own: on a loaded
# machine such a wait can run out, so a failed test runs once more before the run fails (a test
# that fails twice fails the run; the first failure stays in the output).
CTEST_RETRY ?= --repeat until-pass:2

test: build
	@cd $(BUILD) && $(WITH_DISPLAY) ctest --output-on-failure $(CTEST_RETRY) -j $(JOBS)

# The leak checker's own tracking of dynamic TLS cannot read this glibc's blocks ("Can't guess
# glibc version") and, depending on the binary's layout, crashes ("Tracer caught signal 11") on
# the blocks of the GL driver the tests load: it is switched off (intercept_tls_get_addr=0).
test-sanitize: configure-sanitize
	@cmake --build $(ASAN_BUILD) -j $(JOBS)
	@cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=1:intercept_tls_get_addr=0 LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp UBSAN_OPTIONS=print_stacktrace=1 $(WITH_DISPLAY) ctest --output-on-failure $(CTEST_RETRY) -j $(JOBS)

configure-sanitize: bootstrap
	@test -f $(ASAN_BUILD)/CMakeCache.txt || CC=clang CXX=clang++ cmake $(GENERATOR) -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DTIKOLEAP_SANITIZE=ON -DTIKOLEAP_BENCHMARKS=OFF $(LAUNCHER) >/dev/null

# The ad component's queues and the dispatch layer under the thread sanitizer; builds only those tests.
# With clang, as the sanitizer build: its unoptimised compiles take about two thirds of GCC's time.
test-tsan: bootstrap
	@test -f $(TSAN_BUILD)/CMakeCache.txt || CC=clang CXX=clang++ cmake $(GENERATOR) -S . -B $(TSAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DTIKOLEAP_TSAN=ON $(LAUNCHER) >/dev/null
	@cmake --build $(TSAN_BUILD) -j $(JOBS) --target tikoleap-tsan-tests
	@cd $(TSAN_BUILD) && TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$(CURDIR)/tests/tsan.supp" ctest --output-on-failure -j $(JOBS)

# The parsers of what the game's server sends, under libFuzzer (clang): each target runs briefly over
# its seed corpus (fuzz/corpus/<name>); new inputs go to a scratch folder, never into the repository.
fuzz: configure-sanitize
	@cmake --build $(ASAN_BUILD) -j $(JOBS) --target tikoleap-fuzzers
	@./scripts/run-fuzz $(ASAN_BUILD) $(FUZZ_SECONDS)

install-desktop: build
	@./scripts/install-desktop $(BUILD)

bench: build
	@$(WITH_DISPLAY) $(BUILD)/tikoleap-bench

# Every benchmark once, briefly (CI): fails where one stopped with an error for work it did not do,
# which the benchmark library itself does not.
bench-once: build
	@$(WITH_DISPLAY) ./scripts/run-bench-once $(BUILD)

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

format-check:
	@git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror

clean:
	@rm -rf $(BUILD) $(ASAN_BUILD) $(TSAN_BUILD) $(RELEASE_BUILD)
