# Thin wrapper around CMake so that the usual commands work from the project root.
BUILD ?= build
JOBS ?= $(shell nproc)
# Debian packages the build needs beyond the compiler, CMake and GoogleTest.
PACKAGES := libgaviotatb-dev libfathom-dev

.PHONY: all test run bench clean packages

all: packages $(BUILD)/Makefile
	@$(MAKE) --no-print-directory -C $(BUILD) -j$(JOBS) jux juxtool jux_shared

$(BUILD)/Makefile: CMakeLists.txt | packages
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release

test: packages $(BUILD)/Makefile
	@$(MAKE) --no-print-directory -C $(BUILD) -j$(JOBS)
	@cd $(BUILD) && ctest --output-on-failure -j$(JOBS)

run: all
	@./$(BUILD)/jux

bench: packages $(BUILD)/Makefile
	@$(MAKE) --no-print-directory -C $(BUILD) -j$(JOBS) benchmarks

packages:
	@./tools/install-packages.sh $(PACKAGES)

clean:
	@rm -rf $(BUILD)
