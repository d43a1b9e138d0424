# The two commands of the README: `make run` and `make test`.
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=
# ccache, when present, makes a rebuild of unchanged files (another tree, a fresh clone on
# the same machine) a cache read.
LAUNCHER := $(if $(shell command -v ccache),-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
VERSION := $(shell sed -n 's/^project.Klop VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)

.PHONY: all setup setup-package build build-asan test test-plain test-asan run deb golden fuzz clean

all: build

setup:
	@scripts/setup

setup-package:
	@scripts/setup package

build: setup
	cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKLOP_WERROR=ON $(LAUNCHER) $(CMAKE_FLAGS)
	cmake --build build -j $(JOBS)

build-asan: setup
	cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DKLOP_SANITIZE=ON -DKLOP_WERROR=ON $(LAUNCHER) $(CMAKE_FLAGS)
	cmake --build build-asan -j $(JOBS)

# The plain build's tests include the package test, which needs the package tools.
test-plain: build setup-package
	ctest --test-dir build --output-on-failure -j $(JOBS)

test-asan: build-asan
	ctest --test-dir build-asan --output-on-failure -j $(JOBS)

test: test-plain test-asan

# Builds only the program and what it needs (no test binaries), then starts it.
run: setup
	cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKLOP_WERROR=ON $(LAUNCHER) $(CMAKE_FLAGS)
	cmake --build build -j $(JOBS) --target klop
	exec build/klop

# The Debian package build/klop_$(VERSION)_<arch>.deb, built apart in build-deb (so that
# build/'s cache stays as the tests want it) with Debian's compiler and linker flags,
# without -Werror, and only the targets that it installs. All of Debian's hardening
# (hardening=+all), immediate binding included, as hardening-check asks.
DEB_FLAGS = DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get
DEB_ARCH = $(shell dpkg --print-architecture 2>/dev/null)
deb: setup-package
	cmake -S . -B build-deb -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKLOP_WERROR=OFF \
	  -DCMAKE_CXX_FLAGS="$$($(DEB_FLAGS) CXXFLAGS) $$($(DEB_FLAGS) CPPFLAGS)" \
	  -DCMAKE_EXE_LINKER_FLAGS="$$($(DEB_FLAGS) LDFLAGS)" \
	  -DCMAKE_MODULE_LINKER_FLAGS="$$($(DEB_FLAGS) LDFLAGS)" \
	  -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON $(CMAKE_FLAGS)
	cmake --build build-deb -j $(JOBS) --target klop klop_package_files
	cd build-deb && cpack -G DEB
	mkdir -p build
	cp build-deb/klop_$(VERSION)_$(DEB_ARCH).deb build/

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
	rm -rf build build-asan build-deb build-fuzz
