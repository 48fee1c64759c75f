# Tarnovelle: set-up, build, run and test on Debian 12 (as root for set-up).
#   make run    build and start tarnovelle.exe under Wine
#   make test   build everything and run every test
#   make dist   build the release zip and its SHA256SUMS in build/dist
#   make fuzz   run the fuzz targets for FUZZ_SECONDS each (default 300)
#   make bench  measure the release exe beside a floor program under Wine
MAKEFLAGS += --no-print-directory

# Debian's own interpreter, with the packages the set-up installs for it.
PYTHON := /usr/bin/python3

FUZZ_SECONDS ?= 300
FUZZ_SMOKE_SECONDS ?= 20

.PHONY: all setup build windows linux linux-asan fuzz-build run test unit asan fuzz-smoke fuzz \
        e2e dist release-check bench clean

all: build

setup:
	@scripts/setup.sh

windows: setup
	@cmake --preset windows >/dev/null
	@cmake --build --preset windows -j2

linux: setup
	@cmake --preset linux >/dev/null
	@cmake --build --preset linux -j2

linux-asan: setup
	@cmake --preset linux-asan >/dev/null
	@cmake --build --preset linux-asan -j2

fuzz-build: setup
	@cmake -S tests/fuzz -B build/fuzz -DCMAKE_CXX_COMPILER=clang++ >/dev/null
	@cmake --build build/fuzz -j2

build: windows linux

run: windows
	@scripts/run.sh

unit: linux
	@ctest --preset linux

asan: linux-asan
	@ctest --preset linux-asan

fuzz-smoke: fuzz-build
	@tests/fuzz/run.sh $(FUZZ_SMOKE_SECONDS)

fuzz: fuzz-build
	@tests/fuzz/run.sh $(FUZZ_SECONDS)

e2e: windows linux
	@$(PYTHON) tests/e2e/run.py

dist: windows
	@$(PYTHON) scripts/dist.py

# The release as make dist writes it, and a second make dist in a copy of
# the source elsewhere, which must give the same bytes.
release-check: dist
	@$(PYTHON) tests/release/test_release.py -v

test: unit asan fuzz-smoke release-check e2e

bench: windows linux
	@$(PYTHON) bench/run.py

clean:
	rm -rf build
