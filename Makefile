# The two commands a newcomer needs: `make run` and `make test`.
ARGS ?= examples/problems.pgn /xy /#
BUILD ?= build
PREFIX ?= /usr/local
JOBS ?= $(shell nproc 2>/dev/null || echo 2)

.PHONY: all run test test-sanitize bench format install clean

all:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release
	cmake --build $(BUILD) -j $(JOBS)

run: all
	$(BUILD)/vestrel $(ARGS)

test: all
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

# The whole test suite again, built with AddressSanitizer and UndefinedBehaviorSanitizer.
test-sanitize:
	cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=Debug -DVESTREL_SANITIZE=ON
	cmake --build build-sanitize -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
	  ctest --test-dir build-sanitize --output-on-failure -j $(JOBS)

bench:
	cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DVESTREL_BENCH=ON -DBUILD_TESTING=OFF
	cmake --build build-bench -j $(JOBS)
	sh bench/run.sh build-bench

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')

install: all
	cmake --install $(BUILD) --prefix $(PREFIX)

clean:
	rm -rf build build-sanitize build-bench
