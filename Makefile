# Two commands set everything up on a fresh Debian 12 machine:
#   make run   installs what is missing, builds and opens the window
#   make test  installs what is missing, builds and runs every test
BUILD_DIR ?= build
JOBS ?= $(shell nproc)
MAKEFLAGS += --no-print-directory

.PHONY: all deps build run test bench clean

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

clean:
	@rm -rf $(BUILD_DIR)
