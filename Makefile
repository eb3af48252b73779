# Two commands set everything up on a fresh Debian 12 machine:
#   make run   installs what is missing, builds and opens the window
#   make test  installs what is missing, builds and runs every test
BUILD_DIR ?= build
JOBS ?= $(shell nproc)
MAKEFLAGS += --no-print-directory

.PHONY: all deps build run test bench package package-check art clean

all: build

deps:
	@scripts/install-deps

build: deps
	@cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	@cmake --build $(BUILD_DIR) -j $(JOBS)

run: build
	@$(BUILD_DIR)/corvantile

test: build
	@cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS)

bench: build
	@$(BUILD_DIR)/bench/corvantile_bench --benchmark_out=$(BUILD_DIR)/bench.json --benchmark_out_format=json

# A Debian package in build/, and a check that it installs with apt and starts.
package: build
	@cd $(BUILD_DIR) && cpack -G DEB

package-check: package
	@scripts/check-package $(BUILD_DIR)

# Redraws the pictures under resources/.
art: deps
	@cmake -S . -B $(BUILD_DIR) >/dev/null
	@cmake --build $(BUILD_DIR) --target make_art
	@QT_QPA_PLATFORM=offscreen $(BUILD_DIR)/make_art resources

clean:
	@rm -rf $(BUILD_DIR)
