# Thin wrapper around CMake so that the usual commands work from the project root.
BUILD ?= build
JOBS ?= $(shell nproc)

.PHONY: all test run bench clean

all: $(BUILD)/Makefile
	@$(MAKE) --no-print-directory -C $(BUILD) -j$(JOBS) jux juxtool jux_shared

$(BUILD)/Makefile: CMakeLists.txt
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release

test: $(BUILD)/Makefile
	@$(MAKE) --no-print-directory -C $(BUILD) -j$(JOBS)
	@cd $(BUILD) && ctest --output-on-failure -j$(JOBS)

run: all
	@./$(BUILD)/jux

bench: $(BUILD)/Makefile
	@$(MAKE) --no-print-directory -C $(BUILD) -j$(JOBS) benchmarks

clean:
	@rm -rf $(BUILD)
