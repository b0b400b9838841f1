# The two commands a newcomer needs: `make run` and `make test`.
# `make run` and `make install` need only a C++20 compiler and CMake; GoogleTest is needed by
# the tests alone (`make test`, `make test-sanitize`).
ARGS ?= examples/problems.pgn /xy /\#
BUILD ?= build
PREFIX ?= /usr/local
DESTDIR ?=
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
# Further options for every CMake configure step, e.g. CMAKE_FLAGS=-DCMAKE_CXX_COMPILER=clang++
CMAKE_FLAGS ?=

FUZZ_SECONDS ?= 60

# No "Entering directory" lines from the make that CMake runs underneath.
MAKEFLAGS += --no-print-directory

.PHONY: all program run test test-long test-sanitize bench bench-mates bench-scale fuzz format install uninstall clean
.PHONY: windows test-windows

# Configures the build directory $(1) with the CMake options $(2) and builds the targets $(3)
# (everything when empty). What CMake and the compiler say goes to $(1)/build.log, which is
# shown when a step fails; compiler warnings are shown from it as well.
define cmake_build
	@mkdir -p $(1)
	@echo "Building $(or $(3),everything) in $(1)/ (log: $(1)/build.log)"
	@if ! { cmake -S . -B $(1) $(CMAKE_FLAGS) $(2) && \
	        cmake --build $(1) -j $(JOBS) $(if $(3),--target $(3)); } >$(1)/build.log 2>&1; then \
	    cat $(1)/build.log; echo "Build failed; the log is $(1)/build.log"; exit 1; \
	fi
	@if grep -q 'warning:' $(1)/build.log; then grep -A3 'warning:' $(1)/build.log; fi
endef

# Runs every test of the build directory $(1), with the command $(2) put before ctest (Wine's
# setup for the Windows build) and the further ctest options $(3). All that ctest says goes to
# $(1)/test.log; shown are what did not pass, in full, and ctest's closing lines.
define quiet_ctest
	@status=0; $(2) ctest --test-dir $(1) --output-on-failure -j $(JOBS) $(3) >$(1)/test.log 2>&1 || \
	    status=$$?; \
	grep -v -e '^ *Start  *[0-9]*: ' -e 'Test  *#[0-9]*: .* Passed ' -e '^Test project ' \
	    -e '^Internal ctest changing' $(1)/test.log; \
	exit $$status
endef

# Makes sure that CMake finds GoogleTest for the build directory $(1). When it does not, root on
# a Debian system gets the package libgtest-dev installed; anyone else is told what to install.
define need_gtest
	@mkdir -p $(1)
	@if ! cmake -S . -B $(1) $(CMAKE_FLAGS) -DVESTREL_TESTS=ON >$(1)/build.log 2>&1; then \
	    if ! grep -q 'GoogleTest not found' $(1)/build.log; then \
	        cat $(1)/build.log; echo "Configuring failed; the log is $(1)/build.log"; exit 1; \
	    fi; \
	    if [ "$$(id -u)" != 0 ] || ! command -v apt-get >/dev/null 2>&1; then \
	        echo "The tests need GoogleTest: install the package libgtest-dev (apt-get install libgtest-dev)"; \
	        exit 1; \
	    fi; \
	    echo "Installing GoogleTest (Debian package libgtest-dev)"; \
	    if ! { apt-get update -qq && DEBIAN_FRONTEND=noninteractive \
	           apt-get install -y -qq libgtest-dev; } >$(1)/apt.log 2>&1; then \
	        cat $(1)/apt.log; echo "Installing libgtest-dev failed; the log is $(1)/apt.log"; exit 1; \
	    fi; \
	fi
endef

all: program

program:
	$(call cmake_build,$(BUILD),-DCMAKE_BUILD_TYPE=Release,vestrel)

# Runs the program in the repository's root, where it writes Vestrel.log, then says what the
# log holds. The exit status is the program's.
# The run wrote the log when it is newer than a stamp made before the run. A file system keeps
# times in steps (a clock tick, up to 2 s on FAT), so a quick run could write the log within the
# stamp's own step: the run waits until a probe file is stamped later than the stamp (a few ms,
# at most about 3 s), and whatever is written after that is newer.
run: program
	$(info $$ $(BUILD)/vestrel $(ARGS))
	@stamp=$(BUILD)/run.stamp; probe=$(BUILD)/run.probe; \
	[ -f Vestrel.log ] && existed=1 || existed=0; \
	touch $$stamp; \
	for pause in 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 1 1 1; do \
	    touch $$probe && [ -z "$$(find $$probe -newer $$stamp)" ] || break; \
	    [ $$pause = 0 ] || sleep 1; \
	done; \
	status=0; \
	$(BUILD)/vestrel $(ARGS) || status=$$?; \
	if [ -f Vestrel.log ] && { [ $$existed = 0 ] || [ -n "$$(find Vestrel.log -newer $$stamp)" ]; }; then \
	    n=$$(wc -l <Vestrel.log | tr -d ' '); \
	    if [ "$$n" = 0 ]; then echo "Log: ./Vestrel.log is empty (nothing set aside)"; \
	    elif [ "$$n" = 1 ]; then echo "Log: ./Vestrel.log lists 1 record set aside"; \
	    else echo "Log: ./Vestrel.log lists $$n records set aside"; fi; \
	else echo "Log: none (this run writes no Vestrel.log)"; fi; \
	exit $$status

test:
	$(call need_gtest,$(BUILD))
	$(call cmake_build,$(BUILD),-DCMAKE_BUILD_TYPE=Release -DVESTREL_TESTS=ON,)
	$(call quiet_ctest,$(BUILD),)

# The tests, then the long rounds of the safety tests (for CI): many runs sharing, and runs
# killed while they rewrite, large databases.
test-long: test
	@sh tests/safety/concurrent_runs.sh $(abspath $(BUILD))/vestrel 20 100000
	@sh tests/safety/kill_runs.sh $(abspath $(BUILD))/vestrel $(abspath $(BUILD))/libno_link.so 30 200000

# The whole test suite again, built with AddressSanitizer and UndefinedBehaviorSanitizer.
test-sanitize:
	$(call need_gtest,build-sanitize)
	$(call cmake_build,build-sanitize,-DCMAKE_BUILD_TYPE=Debug -DVESTREL_SANITIZE=ON -DVESTREL_TESTS=ON,)
	$(call quiet_ctest,build-sanitize,env ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1)

bench:
	$(call cmake_build,build-bench,-DCMAKE_BUILD_TYPE=Release -DVESTREL_BENCH=ON,)
	sh bench/run.sh build-bench

# vestrel --verify against Stockfish on 5,000 mates in 2 and 1,000 mates in 3.
bench-mates:
	$(call cmake_build,build-bench,-DCMAKE_BUILD_TYPE=Release -DVESTREL_BENCH=ON,)
	sh bench/mates.sh build-bench

# Whole collections: 1M, 3M and 10M keys, /u- and /u+ on a 10M-line database (3 GB of inputs).
bench-scale:
	$(call cmake_build,build-bench,-DCMAKE_BUILD_TYPE=Release -DVESTREL_BENCH=ON,)
	sh bench/scale.sh build-bench

# Every libFuzzer target (clang, with the sanitizers) for FUZZ_SECONDS each, from its seeds;
# each target's last line tells how many inputs it ran.
FUZZ_TARGETS = record_fuzz program_fuzz options_fuzz line_reader_fuzz
fuzz:
	$(call cmake_build,build-fuzz,-DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVESTREL_FUZZ=ON,$(FUZZ_TARGETS))
	@for target in $(FUZZ_TARGETS); do \
	  name=$${target%_fuzz}; corpus=$(CURDIR)/build-fuzz/corpus/$$name; mkdir -p $$corpus; \
	  cp tests/fuzz/seeds/$$name/* $$corpus/ 2>/dev/null; \
	  case $$name in record) len=600 ;; program) len=2000 ;; *) len=200 ;; esac; \
	  build-fuzz/$$target -max_total_time=$(FUZZ_SECONDS) -max_len=$$len \
	    -artifact_prefix=$(CURDIR)/build-fuzz/$$name- $$corpus 2>build-fuzz/$$name.log || \
	    { tail -40 build-fuzz/$$name.log; exit 1; }; \
	  echo "$$target: $$(grep -h '^Done' build-fuzz/$$name.log)"; \
	done

# A static, stripped Windows build-windows/vestrel.exe cross-compiled with mingw-w64; its
# tests run under Wine.
WINDOWS_FLAGS = -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake

windows:
	$(call cmake_build,build-windows,$(WINDOWS_FLAGS),vestrel)

# A case that fails under Wine runs once more, and its first failure stays in the output: now
# and then Wine itself dies as a run ends ("Inconsistency detected by ld.so: dl-fini.c",
# about once in ten runs of the suite here), which says nothing of the program. A fault of the
# program fails both times; the native and the sanitizer runs take every case once.
test-windows:
	$(call cmake_build,build-windows,$(WINDOWS_FLAGS) -DVESTREL_TESTS=ON,)
	$(call quiet_ctest,build-windows,sh tests/tools/with_wine.sh,--repeat until-pass:2)

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')

# The stripped program, the manual page, README.md and the examples, under $(DESTDIR)$(PREFIX).
install: program
	@DESTDIR=$(DESTDIR) cmake --install $(BUILD) --prefix $(PREFIX) --strip

# Removes what make install put under $(DESTDIR)$(PREFIX).
uninstall:
	@rm -f $(DESTDIR)$(PREFIX)/bin/vestrel $(DESTDIR)$(PREFIX)/share/man/man1/vestrel.1
	@rm -rf $(DESTDIR)$(PREFIX)/share/doc/vestrel
	@echo "Removed vestrel, vestrel.1 and share/doc/vestrel from $(DESTDIR)$(PREFIX)"

clean:
	rm -rf build build-sanitize build-bench build-fuzz build-windows
