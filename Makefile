# Tarnovelle: set-up, build, run and test on Debian 12 (as root for set-up).
#   make run    build and start tarnovelle.exe under Wine
#   make test   build everything and run every test
MAKEFLAGS += --no-print-directory

.PHONY: all setup build windows linux run test unit e2e clean

all: build

setup:
	@scripts/setup.sh

windows: setup
	@cmake --preset windows >/dev/null
	@cmake --build --preset windows -j2

linux: setup
	@cmake --preset linux >/dev/null
	@cmake --build --preset linux -j2

build: windows linux

run: windows
	@scripts/run.sh

unit: linux
	@ctest --preset linux

e2e: windows
	@python3 tests/e2e/run.py

test: unit e2e

clean:
	rm -rf build
