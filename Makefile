# Thin wrapper around CMake so that the usual commands work from the project root.
BUILD ?= build
# The same sources with AddressSanitizer and UndefinedBehaviorSanitizer (make test runs both).
ASAN_BUILD ?= build-asan
JOBS ?= $(shell nproc)
# Debian packages the build needs beyond the compiler, CMake and GoogleTest.
PACKAGES := libgaviotatb-dev libfathom-dev
# Rebuilds go faster with ccache, when it is there.
LAUNCHER := $(if $(shell command -v ccache),-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)

.PHONY: all test test-release test-asan run bench clean packages

all: packages $(BUILD)/Makefile
	@$(MAKE) --no-print-directory -C $(BUILD) -j$(JOBS) jux juxtool jux_shared

$(BUILD)/Makefile: CMakeLists.txt | packages
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release $(LAUNCHER)

$(ASAN_BUILD)/Makefile: CMakeLists.txt | packages
	@cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Release -DJUX_SANITIZE=ON $(LAUNCHER)

# The whole suite twice: as built for use (with the bench signature check),
# then with the sanitizers, where any report fails the test that caused it.
test: test-release test-asan

test-release: packages $(BUILD)/Makefile
	@$(MAKE) --no-print-directory -C $(BUILD) -j$(JOBS)
	@cd $(BUILD) && ctest --output-on-failure -j$(JOBS)

test-asan: packages $(ASAN_BUILD)/Makefile
	@$(MAKE) --no-print-directory -C $(ASAN_BUILD) -j$(JOBS)
	@cd $(ASAN_BUILD) && ctest --output-on-failure -j$(JOBS)

run: all
	@./$(BUILD)/jux

bench: packages $(BUILD)/Makefile
	@$(MAKE) --no-print-directory -C $(BUILD) -j$(JOBS) benchmarks

packages:
	@./tools/install-packages.sh $(PACKAGES)

clean:
	@rm -rf $(BUILD) $(ASAN_BUILD)
