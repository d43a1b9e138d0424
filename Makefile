# The two commands of the README: `make run` and `make test`.
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: all setup build build-asan test test-plain test-asan run golden fuzz clean

all: build

setup:
	@scripts/setup

build: setup
	cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS)
	cmake --build build -j $(JOBS)

build-asan: setup
	cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DKLOP_SANITIZE=ON $(CMAKE_FLAGS)
	cmake --build build-asan -j $(JOBS)

test-plain: build
	ctest --test-dir build --output-on-failure -j $(JOBS)

test-asan: build-asan
	ctest --test-dir build-asan --output-on-failure -j $(JOBS)

test: test-plain test-asan

# Builds only the program and what it needs (no test binaries), then starts it.
run: setup
	cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS)
	cmake --build build -j $(JOBS) --target klop
	exec build/klop

# Rewrites every golden image under tests/golden from the current rendering. Those
# tests fail in this run on purpose: look at each new image before committing it.
golden: build
	-KLOP_UPDATE_GOLDEN=1 ctest --test-dir build -j $(JOBS) -E e2e
	@echo "golden: images rewritten under tests/golden; look at them before committing"

# Runs every fuzz target for FUZZ_SECONDS each from a clang build of its own and merges
# what adds coverage into fuzz/corpus/; a finding stops it, the input in fuzz/crashes/.
FUZZ_SECONDS ?= 60
fuzz: setup
	@scripts/setup fuzz
	CC=clang-14 CXX=clang++-14 cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKLOP_FUZZ=ON $(CMAKE_FLAGS)
	cmake --build build-fuzz -j $(JOBS) --target klop_fuzz_targets
	FUZZ_SECONDS=$(FUZZ_SECONDS) BUILD=build-fuzz scripts/fuzz

clean:
	rm -rf build build-asan build-fuzz
