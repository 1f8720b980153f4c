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

# The default build is profile-guided: an instrumented engine in PGO_BUILD
# searches the bench positions and counts perft (PGO_TRAINING), then BUILD is
# compiled with the profile it wrote. A plain CMake configuration of BUILD
# builds without a profile. NATIVE=1 compiles for this machine's instruction set.
PGO_BUILD ?= $(BUILD)-pgo
PGO_DIR := $(abspath $(PGO_BUILD))/profile
KIWIPETE := r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1
PGO_TRAINING := bench 8; perft 5; perft 4 $(KIWIPETE)
NATIVE ?= 0
NATIVE_SETTING := $(if $(filter 1,$(NATIVE)),ON,OFF)
SPEED_FLAGS := -DJUX_NATIVE=$(NATIVE_SETTING)
# Configures tree $(1) again with flags $(3) unless its cache already holds
# JUX_PGO $(2) and this JUX_NATIVE.
define speed_settings
	@grep -q '^JUX_PGO:STRING=$(2)$$' $(1)/CMakeCache.txt && \
		grep -q '^JUX_NATIVE:BOOL=$(NATIVE_SETTING)$$' $(1)/CMakeCache.txt || \
		cmake -S . -B $(1) $(3) $(SPEED_FLAGS) >/dev/null
endef

.PHONY: all profile test test-release test-asan run bench fuzz fuzzers clean packages fuzz-packages \
	test-packages bench-packages install uninstall deb

all: packages profile $(BUILD)/Makefile
	$(call speed_settings,$(BUILD),use,-DJUX_PGO=use -DJUX_PGO_DIR=$(PGO_DIR))
	@$(MAKE) --no-print-directory -C $(BUILD) -j$(JOBS) jux juxtool jux_shared

$(BUILD)/Makefile: CMakeLists.txt | packages profile
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release -DJUX_PGO=use -DJUX_PGO_DIR=$(PGO_DIR) \
		$(SPEED_FLAGS) $(LAUNCHER)

$(PGO_BUILD)/Makefile: CMakeLists.txt | packages
	@cmake -S . -B $(PGO_BUILD) -DCMAKE_BUILD_TYPE=Release -DJUX_LTO=OFF -DJUX_PGO=generate \
		-DJUX_PGO_DIR=$(PGO_DIR) $(SPEED_FLAGS) $(LAUNCHER)

# Trains again whenever the instrumented engine changed.
profile: packages $(PGO_BUILD)/Makefile
	$(call speed_settings,$(PGO_BUILD),generate,-DJUX_PGO=generate -DJUX_PGO_DIR=$(PGO_DIR))
	@$(MAKE) --no-print-directory -C $(PGO_BUILD) -j$(JOBS) juxtool
	@if [ ! -f $(PGO_DIR)/profile.stamp ] || [ $(PGO_BUILD)/juxtool -nt $(PGO_DIR)/profile.stamp ]; then \
		echo "Training the profile: $(PGO_TRAINING)"; \
		rm -rf $(PGO_DIR) && mkdir -p $(PGO_DIR) && \
		echo '$(PGO_TRAINING)' | tr ';' '\n' | while read -r args; do \
			eval $(PGO_BUILD)/juxtool $$args >/dev/null || exit 1; done && \
		touch $(PGO_DIR)/profile.stamp; fi

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
test-release: packages test-packages profile $(BUILD)/Makefile
	@cmake $(BUILD) >/dev/null
	@$(MAKE) --no-print-directory -C $(BUILD) -j$(JOBS)
	@cd $(BUILD) && ctest --output-on-failure -j$(JOBS)

test-asan: packages test-packages $(ASAN_BUILD)/Makefile
	@cmake $(ASAN_BUILD) >/dev/null
	@$(MAKE) --no-print-directory -C $(ASAN_BUILD) -j$(JOBS)
	@cd $(ASAN_BUILD) && ctest --output-on-failure -j$(JOBS)

run: all
	@./$(BUILD)/jux

bench: packages bench-packages profile $(BUILD)/Makefile
	@$(MAKE) --no-print-directory -C $(BUILD) -j$(JOBS) benchmarks

fuzzers: packages fuzz-packages $(FUZZ_BUILD)/Makefile
	@$(MAKE) --no-print-directory -C $(FUZZ_BUILD) -j$(JOBS) fuzzers

# Each target replays the repository's corpus and crash reproducers once, then
# fuzzes for FUZZ_TIME seconds from them and the corpus growing in FUZZ_DIR,
# JOBS targets at a time. The logs stay in FUZZ_DIR/logs, the findings in
# FUZZ_DIR/artifacts/<target>/ (once fixed, add them to fuzz/crashes/<target>/).
FUZZ_TARGETS := fen_fuzz uci_fuzz pgn_fuzz book_probe_fuzz
fuzz: fuzzers
	@$(MAKE) --no-print-directory -k -j$(JOBS) $(FUZZ_TARGETS:%=fuzz-%)

fuzz-%:
	@mkdir -p $(FUZZ_DIR)/logs $(FUZZ_DIR)/corpus/$* $(FUZZ_DIR)/artifacts/$*
	@$(call fuzz_run,$*,replay,$$(find fuzz/corpus/$* fuzz/crashes/$* -type f | sort))
	@$(call fuzz_run,$*,fuzz,-max_total_time=$(FUZZ_TIME) $(if $(wildcard fuzz/$*.dict),-dict=fuzz/$*.dict) \
		$(FUZZ_DIR)/corpus/$* fuzz/corpus/$* fuzz/crashes/$*)

# Runs fuzz target $(1) on $(3), logged as $(2). An input slower than 10 s is a
# hang, one that takes 2 GB a fault; a failure shows the log's error lines.
define fuzz_run
	log=$(FUZZ_DIR)/logs/$(1).$(2).log; \
	if nice -n 10 $(FUZZ_BUILD)/fuzz/$(1) -timeout=10 -rss_limit_mb=2048 \
		-artifact_prefix=$(abspath $(FUZZ_DIR))/artifacts/$(1)/ $(3) >$$log 2>&1; then echo "fuzz: $(1) $(2) passed"; \
	else echo "fuzz: $(1) $(2) FAILED (whole log: $$log)"; \
		grep -E '^Running: |ERROR|runtime error|SUMMARY|Test unit written|fuzz finding:' $$log | tail -n 20; \
		exit 1; fi
endef

# The build tree takes the prefix at configure time: the manual pages name
# the installed book's place.
install: packages profile $(BUILD)/Makefile
	@cmake -S . -B $(BUILD) -DCMAKE_INSTALL_PREFIX=$(PREFIX) -DJUX_PGO=use -DJUX_PGO_DIR=$(PGO_DIR) >/dev/null
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
	@rm -rf $(BUILD) $(PGO_BUILD) $(ASAN_BUILD) $(FUZZ_BUILD) $(DEB_BUILD)
