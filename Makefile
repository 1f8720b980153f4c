# Thin wrapper around CMake so that the usual commands work from the project root.
BUILD ?= build
# The same sources with AddressSanitizer and UndefinedBehaviorSanitizer (make test runs both).
ASAN_BUILD ?= build-asan
# The libFuzzer targets of fuzz/ (make fuzz).
FUZZ_BUILD ?= build-fuzz
JOBS ?= $(shell nproc)
# Debian packages the engine needs beyond the compiler and CMake: the tablebase readers.
PACKAGES := libgaviotatb-dev libfathom-dev
# The test suite (make test) and the benchmarks (make bench) need these too.
TEST_PACKAGES := googletest libgtest-dev
BENCH_PACKAGES := libbenchmark-dev
# make install / make uninstall: where, and a staging directory in front of it.
PREFIX ?= /usr/local
DESTDIR ?=
# make deb: a tree of its own configured for /usr.
DEB_BUILD ?= build-deb
# The fuzz targets: clang 14 with its sanitizer and libFuzzer runtimes, and
# llvm-symbolizer for readable reports.
FUZZ_PACKAGES := clang-14 libclang-rt-14-dev llvm-14
# make fuzz: seconds per target, and where the growing corpus and the findings stay.
FUZZ_TIME ?= 600
FUZZ_DIR ?= $(HOME)/.cache/jux-fuzz
# Rebuilds go faster with ccache, when it is there.
LAUNCHER := $(if $(shell command -v ccache),-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)

.PHONY: all test test-release test-asan run bench fuzz fuzzers clean packages fuzz-packages \
	test-packages bench-packages install uninstall deb

all: packages $(BUILD)/Makefile
	@$(MAKE) --no-print-directory -C $(BUILD) -j$(JOBS) jux juxtool jux_shared

$(BUILD)/Makefile: CMakeLists.txt | packages
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release $(LAUNCHER)

$(ASAN_BUILD)/Makefile: CMakeLists.txt | packages
	@cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Release -DJUX_SANITIZE=ON $(LAUNCHER)

$(FUZZ_BUILD)/Makefile: CMakeLists.txt fuzz/CMakeLists.txt | packages fuzz-packages
	@cmake -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=Release -DJUX_FUZZ=ON \
		-DCMAKE_CXX_COMPILER=clang++-14 -DCMAKE_C_COMPILER=clang-14 $(LAUNCHER)

# The whole suite twice: as built for use (with the bench signature check),
# then with the sanitizers, where any report fails the test that caused it.
test: test-release test-asan

# The configure step runs again so that a tree made before GoogleTest was
# installed finds it now.
test-release: packages test-packages $(BUILD)/Makefile
	@cmake $(BUILD) >/dev/null
	@$(MAKE) --no-print-directory -C $(BUILD) -j$(JOBS)
	@cd $(BUILD) && ctest --output-on-failure -j$(JOBS)

test-asan: packages test-packages $(ASAN_BUILD)/Makefile
	@cmake $(ASAN_BUILD) >/dev/null
	@$(MAKE) --no-print-directory -C $(ASAN_BUILD) -j$(JOBS)
	@cd $(ASAN_BUILD) && ctest --output-on-failure -j$(JOBS)

run: all
	@./$(BUILD)/jux

bench: packages bench-packages $(BUILD)/Makefile
	@$(MAKE) --no-print-directory -C $(BUILD) -j$(JOBS) benchmarks

fuzzers: packages fuzz-packages $(FUZZ_BUILD)/Makefile
	@$(MAKE) --no-print-directory -C $(FUZZ_BUILD) -j$(JOBS) fuzzers

# Every target for FUZZ_TIME seconds, after a replay of the repository's corpus
# and crash reproducers.
fuzz: fuzzers
	@fuzz/run.sh --build $(FUZZ_BUILD) --work $(FUZZ_DIR) --time $(FUZZ_TIME) --jobs $(JOBS)

# The build tree takes the prefix at configure time: the manual pages name
# the installed book's place.
install: packages $(BUILD)/Makefile
	@cmake -S . -B $(BUILD) -DCMAKE_INSTALL_PREFIX=$(PREFIX) >/dev/null
	@$(MAKE) --no-print-directory -C $(BUILD) -j$(JOBS) jux juxtool jux_shared
	@DESTDIR="$(DESTDIR)" cmake --install $(BUILD)

# What the last make install of this tree put in place (build/install_manifest.txt).
uninstall:
	@DESTDIR="$(DESTDIR)" cmake -DMANIFEST=$(BUILD)/install_manifest.txt -P cmake/uninstall.cmake

# A .deb in build-deb/packages/ (the engine in /usr/games, the library in /usr/lib).
deb: packages
	@cmake -S . -B $(DEB_BUILD) -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr $(LAUNCHER) \
		-DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON -DCMAKE_DISABLE_FIND_PACKAGE_benchmark=ON >/dev/null
	@$(MAKE) --no-print-directory -C $(DEB_BUILD) -j$(JOBS) jux juxtool jux_shared
	@cd $(DEB_BUILD) && cpack -G DEB
	@ls $(DEB_BUILD)/packages/*.deb

packages:
	@./tools/install-packages.sh "the tablebase readers the engine links with" $(PACKAGES)

test-packages:
	@./tools/install-packages.sh "GoogleTest, for the test suite" $(TEST_PACKAGES)

bench-packages:
	@./tools/install-packages.sh "Google Benchmark, for the benchmark programs" $(BENCH_PACKAGES)

fuzz-packages:
	@./tools/install-packages.sh "clang 14 with libFuzzer and its sanitizers, for the fuzz targets" $(FUZZ_PACKAGES)

clean:
	@rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD) $(DEB_BUILD)
