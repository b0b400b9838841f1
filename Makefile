# The two commands a newcomer needs: `make run` and `make test`.
ARGS ?= examples/problems.pgn /xy /\#
BUILD ?= build
PREFIX ?= /usr/local
JOBS ?= $(shell nproc 2>/dev/null || echo 2)

FUZZ_SECONDS ?= 60

.PHONY: all run test test-sanitize bench fuzz format install clean

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

# Feeds random lines through every record step under clang's libFuzzer and the sanitizers.
fuzz:
	cmake -S . -B build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Debug \
	  -DVESTREL_FUZZ=ON -DBUILD_TESTING=OFF
	cmake --build build-fuzz -j $(JOBS) --target record_fuzz
	mkdir -p build-fuzz/corpus && cp tests/fuzz/seeds/* build-fuzz/corpus/
	build-fuzz/record_fuzz -max_total_time=$(FUZZ_SECONDS) -max_len=600 build-fuzz/corpus

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')

install: all
	cmake --install $(BUILD) --prefix $(PREFIX)

clean:
	rm -rf build build-sanitize build-bench build-fuzz
