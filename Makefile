# Tarnovelle: set-up, build, run and test on Debian 12 (as root for set-up).
#   make run    build and start tarnovelle.exe under Wine
#   make test   build everything and run every test (tests/stages.py: the
#               CPU-bound stages beside the end-to-end lanes; prints the
#               stage times and the slowest end-to-end tests)
#   make e2e    the end-to-end tests alone; TESTS="pattern ..." for a few,
#               E2E_LANES=n for the number of lanes (default: one more
#               than there are processors)
#   make dist   build the release zip and its SHA256SUMS in build/dist
#   make fuzz   run the fuzz targets for FUZZ_SECONDS each (default 300)
#   make bench  measure the release exe beside a floor program under Wine
#   make profile  where the start-up's time goes, step by step
MAKEFLAGS += --no-print-directory

# Debian's own interpreter, with the packages the set-up installs for it.
PYTHON := /usr/bin/python3

FUZZ_SECONDS ?= 300
FUZZ_SMOKE_SECONDS ?= 20
TESTS ?=
E2E_LANES ?=
export E2E_LANES

.PHONY: all setup build windows linux e2e-build linux-asan fuzz-build run test unit asan \
        fuzz-smoke fuzz e2e dist pictures pictures-check release-check bench profile clean

all: build

# SETUP_DONE=1: the caller has just run it (make test's stages).
setup:
	@[ -n "$(SETUP_DONE)" ] || scripts/setup.sh

windows: setup
	@cmake --preset windows >/dev/null
	@cmake --build --preset windows -j2

linux: setup
	@cmake --preset linux >/dev/null
	@cmake --build --preset linux -j2

# Only what the end-to-end tests need: the program and the programs they
# run beside it, and the design tables they read.
e2e-build: setup
	@cmake --preset windows >/dev/null
	@cmake --build --preset windows -j2 --target tarnovelle driver recorder plant inside
	@cmake --preset linux >/dev/null
	@cmake --build --preset linux -j2 --target designs_json

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

e2e: e2e-build
	@$(PYTHON) tests/e2e/run.py $(TESTS)

# RELEASE_URL: where the release's files are published, "{version}" standing
# for the version; the install manifests name the zip there.
dist: windows
	@RELEASE_URL='$(RELEASE_URL)' $(PYTHON) scripts/dist.py

# The pictures, icons and cursors, rendered from their sources in
# resources/art into resources/pictures (resources/render-pictures.sh).
pictures: setup
	@PYTHON=$(PYTHON) resources/render-pictures.sh

# The pictures, icons and cursors as the sources give them and as the exe
# carries them.
pictures-check: windows
	@$(PYTHON) tests/release/test_pictures.py -v

# The release as make dist writes it, and a second make dist in a copy of
# the source elsewhere, which must give the same bytes; then signing,
# attaching and checking with a throw-away PKI, and the install manifests.
release-check: dist
	@$(PYTHON) tests/release/test_release.py -v
	@$(PYTHON) tests/release/test_signing.py -v

.PHONY: sign check-release

# Signs the release exe and writes signatures/tarnovelle-<version>.exe.pem:
#   make sign CERT=cert.pem KEY=key.pem | PKCS12=file.p12 [PASSWORD_FILE=] [TSA=url]
#   (a test release: TSA_CERTS= TSA_KEY= for osslsigncode's own time-stamp authority)
sign: windows
	@$(PYTHON) scripts/sign.py $(if $(PKCS12),--pkcs12 '$(PKCS12)') \
	    $(if $(CERT),--cert '$(CERT)') $(if $(KEY),--key '$(KEY)') \
	    $(if $(PASSWORD_FILE),--password-file '$(PASSWORD_FILE)') $(if $(TSA),--tsa '$(TSA)') \
	    $(if $(TSA_CERTS),--tsa-certs '$(TSA_CERTS)' --tsa-key '$(TSA_KEY)')

# Checks a downloaded zip or exe: signer, signature, time stamp, and that
# stripped of its signature it is the exe this checkout builds.
#   make check-release FILE=zip-or-exe [CAFILE=ca.pem]
check-release: windows
	@$(PYTHON) scripts/check_release.py '$(FILE)' $(if $(CAFILE),--cafile '$(CAFILE)')

# The set-up first, timed here: it installs the Python the stages run on.
test:
	@started=$$(date +%s.%N) && scripts/setup.sh && \
	    SETUP_STARTED=$$started MAKE="$(MAKE)" $(PYTHON) tests/stages.py

bench: windows linux
	@$(PYTHON) bench/run.py

# Where the start-up's time goes, step by step, for the program and the start
# floor (bench/startup_profile.py); PROFILE_RUNS start-ups of each.
PROFILE_RUNS ?= 10
profile: windows linux
	@cmake --build --preset windows -j2 --target tarnovelle_profile floor_start_profile
	@$(PYTHON) bench/startup_profile.py --runs $(PROFILE_RUNS)

clean:
	rm -rf build
