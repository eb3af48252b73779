# Two commands set everything up on a fresh Debian 12 machine:
#   make run   installs what is missing, builds and opens the window
#   make test  installs what is missing, builds and runs every test
BUILD_DIR ?= build
ASAN_DIR ?= build-asan
FUZZ_DIR ?= build-fuzz
FUZZ_SECONDS ?= 300
FUZZ_TARGETS = fuzz_numbers fuzz_corner fuzz_generator fuzz_definition_text fuzz_picture_header \
	fuzz_picture_decode fuzz_device_bitmap fuzz_bitmap_vs_qt fuzz_x11_transfer
JOBS ?= $(shell nproc)
# Every time stamp a release writes (the package's files, the zip's entries) is the last
# commit's: two releases of the same commit give the same bytes.
SOURCE_DATE_EPOCH ?= $(shell git log -1 --format=%ct 2>/dev/null)
ifneq ($(SOURCE_DATE_EPOCH),)
export SOURCE_DATE_EPOCH
endif
MAKEFLAGS += --no-print-directory

.PHONY: all deps build build-asan build-fuzz run test fuzz soak bench package package-check art clean \
	windows release startup reproducible

all: build

deps:
	@scripts/install-deps

build: deps
	@cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	@cmake --build $(BUILD_DIR) -j $(JOBS)

run: build
	@$(BUILD_DIR)/corvantile

# Every test of the normal build; the unit, widget, X11, hostile-clipboard and Weston tests again
# under the address, leak and undefined-behaviour sanitizers; a short run of each fuzz target; the Windows
# build's tests under Wine (when a Qt for Windows is at hand; it says so when not); the
# release's artefacts, built into dist/ and checked (lintian, install and removal, the zip
# under Wine, the relink); and the release made again from a fresh clone, byte for byte.
test: build build-asan build-fuzz
	@cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS)
	@cd $(ASAN_DIR) && ctest --output-on-failure -j $(JOBS) -E "screen_reader|_mutter|_kwin"
	@cd $(FUZZ_DIR) && ctest --output-on-failure -j $(JOBS)
	@BUILD_DIR=$(BUILD_DIR) JOBS=$(JOBS) scripts/windows-tests
	@BUILD_DIR=$(BUILD_DIR) scripts/release --check
	@scripts/check-reproducible

# Corvantile.exe for 64-bit Windows: static, stripped, needing only Windows's own DLLs.
# Builds Qt for Windows first when neither the shared copy nor the cache has it.
windows: deps
	@BUILD_DIR=$(BUILD_DIR) scripts/windows-build --build-qt build-win corvantile
	@echo "Built build-win/Corvantile.exe"

build-asan: deps
	@cmake -S . -B $(ASAN_DIR) -DCORVANTILE_SANITIZE=ON -DCORVANTILE_BUILD_BENCH=OFF >/dev/null
	@cmake --build $(ASAN_DIR) -j $(JOBS)

build-fuzz: deps
	@cmake -S . -B $(FUZZ_DIR) -DCMAKE_CXX_COMPILER=clang++ -DCORVANTILE_FUZZ=ON \
		-DCORVANTILE_BUILD_BENCH=OFF >/dev/null
	@cmake --build $(FUZZ_DIR) -j $(JOBS) --target $(FUZZ_TARGETS)

# Each fuzz target for FUZZ_SECONDS seconds.
fuzz: build-fuzz
	@cd $(FUZZ_DIR) && CORVANTILE_FUZZ_SECONDS=$(FUZZ_SECONDS) \
		ctest --output-on-failure -V -j $(JOBS) -L fuzz | grep -E "Done [0-9]+ runs|Passed|Failed"

# Every benchmark, then one table of the ratios against their targets (also as JSON).
bench: build
	@$(BUILD_DIR)/bench/corvantile_bench --report=$(BUILD_DIR)/bench.json

# The release made a second time from a fresh clone in another folder, compared byte for byte.
reproducible: release
	@scripts/check-reproducible

# Start-up to the first full frame against a bare Qt window of the same Qt, on X11 and (when a
# Qt for Windows is at hand) under Wine.
startup: build
	@BUILD_DIR=$(BUILD_DIR) scripts/startup

# 1,000 cycles of paste, drag, Create Object and bring-back under Xvfb; memory must stay flat.
soak: build
	@$(BUILD_DIR)/bench/corvantile_soak 1000

# What a user takes, in dist/: the Debian package and the Windows zip (when a Qt for Windows
# is at hand).
release: build
	@BUILD_DIR=$(BUILD_DIR) scripts/release

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
	@rm -rf $(BUILD_DIR) $(ASAN_DIR) $(FUZZ_DIR) build-win
