# The two commands of the README: `make run` and `make test`.
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=
# ccache, when present, makes a rebuild of unchanged files (another tree, a fresh clone on
# the same machine, in any folder) a cache read: paths under the clone are hashed relative
# to it, and both trees map the clone's path out of their objects (-ffile-prefix-map), so
# the folder is no part of what is compiled. The sloppiness lets it cache the files that
# use the tests' precompiled header.
CCACHE := env;CCACHE_BASEDIR=$(CURDIR);CCACHE_NOHASHDIR=true;CCACHE_SLOPPINESS=pch_defines,time_macros;ccache
LAUNCHER := $(if $(shell command -v ccache),-DCMAKE_CXX_COMPILER_LAUNCHER="$(CCACHE)")
VERSION := $(shell sed -n 's/^project.Klop VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)

.PHONY: all setup setup-package build build-asan test test-plain test-asan run deb golden fuzz web serve-web test-web web-asyncify-path clean

all: build

setup:
	@scripts/setup

setup-package:
	@scripts/setup package

# build/ is made with Debian's compiler and linker flags, all of its hardening on
# (hardening=+all, immediate binding included, as hardening-check asks), so that the
# program the tests run is the one `make deb` packs, with no compile of its own.
DEB_FLAGS = DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get
PLAIN_FLAGS = -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKLOP_WERROR=ON \
  -DCMAKE_CXX_FLAGS="$$($(DEB_FLAGS) CXXFLAGS) $$($(DEB_FLAGS) CPPFLAGS)" \
  -DCMAKE_EXE_LINKER_FLAGS="$$($(DEB_FLAGS) LDFLAGS)" \
  -DCMAKE_MODULE_LINKER_FLAGS="$$($(DEB_FLAGS) LDFLAGS)" \
  -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON -DKLOP_FUZZ_REPLAYS=OFF
# The sanitized tree optimises the program's code a little (-O1: the storm, the soak and
# the corpus replays run in it), its tests not at all (tests/: quicker to compile).
ASAN_FLAGS = -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-g -O1" -DKLOP_SANITIZE=ON -DKLOP_WERROR=ON \
  -DCMAKE_CXX_FLAGS="-ffile-prefix-map=$(CURDIR)=." -DKLOP_BENCH=OFF

build: setup
	cmake -S . -B build $(PLAIN_FLAGS) $(LAUNCHER) $(CMAKE_FLAGS)
	cmake --build build -j $(JOBS)

build-asan: setup
	cmake -S . -B build-asan $(ASAN_FLAGS) $(LAUNCHER) $(CMAKE_FLAGS)
	cmake --build build-asan -j $(JOBS)

# Each test once where it finds most: the plain tree builds and runs all but the corpus
# replays, the storm and the soak (label fuzz), and adds the package tests; the sanitized
# tree builds no benchmarks and runs all but the SDL host's end-to-end runs (label sdl)
# and the runs that only change a layout or the transport (label plain). End-to-end scripts mostly wait on
# their own displays, so CTest runs twice as many tests as there are cores.
CTEST = ctest --output-on-failure -j $$(($(JOBS) * 2)) --output-junit junit.xml
PLAIN_TESTS = $(CTEST) --test-dir build -LE fuzz
ASAN_TESTS = $(CTEST) --test-dir build-asan -LE '^(sdl|plain)$$'
CONFIGURE_PLAIN_TESTS = cmake -S . -B build $(PLAIN_FLAGS) -DKLOP_PACKAGE_TESTS=ON $(LAUNCHER) $(CMAKE_FLAGS)
test-plain: setup-package
	$(CONFIGURE_PLAIN_TESTS)
	cmake --build build -j $(JOBS)
	@$(PLAIN_TESTS); status=$$?; scripts/skipped build && exit $$status

test-asan: build-asan
	@$(ASAN_TESTS); status=$$?; scripts/skipped build-asan && exit $$status

# The three trees. The plain tree's tests start once it is built; beside them the
# sanitized tree builds and then runs its tests, and the browser's tree builds and runs
# its suite: so the three keep both cores busy to the end, and none waits for another's
# tests. A first build of the sanitized tree (all of it) and the browser's builds go at
# a lower priority, so as not to starve the tests that run meanwhile. The other two
# trees' output goes to their build.log and test.log, printed after the plain tree's. A
# skipped test fails the run: scripts/skipped names what each one lacked.
test: setup-package
	$(CONFIGURE_PLAIN_TESTS)
	cmake --build build -j $(JOBS)
	cmake -S . -B build-asan $(ASAN_FLAGS) $(LAUNCHER) $(CMAKE_FLAGS)
	$(CONFIGURE_WEB)
	@(nice -n $$(test -e build-asan/klop && echo 0 || echo 10) cmake --build build-asan -j $(JOBS) \
	    > build-asan/build.log 2>&1 || exit 101; \
	  $(ASAN_TESTS) > build-asan/test.log 2>&1) & asan=$$!; \
	($(EMENV) nice -n 10 cmake --build build-web -j $(JOBS) > build-web/build.log 2>&1 || exit 101; \
	  $(WEB_TESTS) > build-web/test.log 2>&1) & web=$$!; \
	$(PLAIN_TESTS); plain=$$?; \
	wait $$asan; asan=$$?; wait $$web; web=$$?; \
	for tree in build-asan:$$asan build-web:$$web; do \
	  if [ $${tree#*:} -eq 101 ]; then \
	    tail -n 40 $${tree%:*}/build.log; echo "make test: $${tree%:*} did not build ($${tree%:*}/build.log)"; \
	  else \
	    cat $${tree%:*}/test.log; \
	  fi; \
	done; \
	scripts/slowest build build-asan build-web; \
	scripts/skipped build build-asan build-web && test $$plain -eq 0 -a $$asan -eq 0 -a $$web -eq 0

# Builds only the program and what it needs (no test binaries), then starts it.
run: setup
	cmake -S . -B build $(PLAIN_FLAGS) $(LAUNCHER) $(CMAKE_FLAGS)
	cmake --build build -j $(JOBS) --target klop
	exec build/klop

# The Debian package build/klop_$(VERSION)_<arch>.deb, packed from build/ (Debian's
# flags, see above) once the program and the files it installs are built.
deb: setup-package
	cmake -S . -B build $(PLAIN_FLAGS) $(LAUNCHER) $(CMAKE_FLAGS)
	cmake --build build -j $(JOBS) --target klop klop_package_files
	cd build && cpack -G DEB

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

# The game in the browser: a static site in build-web/site/ (index.html, klop.js,
# klop.wasm, icons, manifest), built by Debian's emscripten with the plain tree's build
# tools (klop-rc, fontc, klop-icons: only those are built there). emcc runs under
# Debian's Python and finds Debian's acorn whatever node and python3 come first.
EMENV = env NODE_PATH=/usr/share/nodejs EMSDK_PYTHON=/usr/bin/python3
WEB_TOOLS = klop-rc klop_fontc klop-icons
CONFIGURE_WEB = $(EMENV) emcmake cmake -S . -B build-web -DCMAKE_BUILD_TYPE=MinSizeRel \
  -DBUILD_TESTING=OFF -DKLOP_NATIVE_TOOLS=$(CURDIR)/build $(LAUNCHER) $(CMAKE_FLAGS)
WEB_TESTS = ctest --output-on-failure --test-dir build-web --output-junit junit.xml
web: setup
	@test -f build/CMakeCache.txt || cmake -S . -B build $(PLAIN_FLAGS) $(LAUNCHER) $(CMAKE_FLAGS)
	cmake --build build -j $(JOBS) --target $(WEB_TOOLS)
	$(CONFIGURE_WEB)
	$(EMENV) cmake --build build-web -j $(JOBS)

# Rewrites web/asyncify_path.txt (the functions Asyncify instruments) from a program
# linked with names and without Asyncify in build-web-graph/, after the call paths to a
# wait changed; web/asyncify_seeds.txt lists what only the stacks show.
web-asyncify-path: web
	$(EMENV) emcmake cmake -S . -B build-web-graph -DCMAKE_BUILD_TYPE=MinSizeRel -DBUILD_TESTING=OFF \
	  -DKLOP_NATIVE_TOOLS=$(CURDIR)/build "-DKLOP_WEB_LINK_OPTIONS=-sASYNCIFY=0;--profiling-funcs" \
	  $(LAUNCHER) $(CMAKE_FLAGS)
	$(EMENV) cmake --build build-web-graph -j $(JOBS) --target klop
	web/asyncify_path.py build-web-graph/site/klop.wasm web/asyncify_seeds.txt web/asyncify_path.txt

# Serves build-web/site on this machine only; any static file server will do as well.
WEB_PORT ?= 8080
serve-web: web
	@echo "Klop! at http://127.0.0.1:$(WEB_PORT)/ (Ctrl+C stops it)"
	@cd build-web/site && exec python3 -m http.server --bind 127.0.0.1 $(WEB_PORT) 2>/dev/null

# The browser suite alone (make test runs it too).
test-web: web
	@$(WEB_TESTS)

clean:
	rm -rf build build-asan build-fuzz build-web build-web-graph
