# The two commands of the README: `make run` and `make test`.
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: all setup build build-asan test test-plain test-asan run golden clean

all: build

setup:
	@scripts/setup

build: setup
	cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKLOP_WERROR=ON $(CMAKE_FLAGS)
	cmake --build build -j $(JOBS)

build-asan: setup
	cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DKLOP_SANITIZE=ON -DKLOP_WERROR=ON $(CMAKE_FLAGS)
	cmake --build build-asan -j $(JOBS)

test-plain: build
	ctest --test-dir build --output-on-failure -j $(JOBS)

test-asan: build-asan
	ctest --test-dir build-asan --output-on-failure -j $(JOBS)

test: test-plain test-asan

# Builds only the program and what it needs (no test binaries), then starts it.
run: setup
	cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKLOP_WERROR=ON $(CMAKE_FLAGS)
	cmake --build build -j $(JOBS) --target klop
	exec build/klop

# Rewrites every golden image under tests/golden from the current rendering. Those
# tests fail in this run on purpose: look at each new image before committing it.
golden: build
	-KLOP_UPDATE_GOLDEN=1 ctest --test-dir build -j $(JOBS) -E e2e
	@echo "golden: images rewritten under tests/golden; look at them before committing"

clean:
	rm -rf build build-asan
