# Velmora: `make run` starts the window on a sandbox HOSTS file, `make test` builds and runs every test.
BUILD ?= build
BUILD_TYPE ?= RelWithDebInfo
CMAKE_FLAGS ?=
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
SANDBOX := $(abspath $(BUILD))/sandbox
WINDOWS_BUILD ?= build-windows
# Release: optimised and stripped, as shipped in the MSI.
WINDOWS_BUILD_TYPE ?= Release

.PHONY: all deps configure build test run bench format format-check tidy fuzz clean windows windows-installer test-windows

all: build

deps:
	@scripts/install-deps.sh build

configure: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD) -j$(JOBS)

# The tests of the installed tree, the units and the Debian package need their tools too.
test: build
	@scripts/install-deps.sh install package
	@cd $(BUILD) && ctest --output-on-failure -j$(JOBS)

# The window on a copy of examples/hosts; with no display, an unattended demo instead.
run: configure
	@cmake --build $(BUILD) -j$(JOBS) --target velmora
	@scripts/run.sh $(BUILD)

bench: build
	@scripts/install-deps.sh bench
	@scripts/bench.sh $(BUILD)

FORMATTED = $$(git ls-files --cached --others --exclude-standard 'src/*.cpp' 'src/*.h' 'tests/*.cpp' 'tests/*.h' \
	'bench/*.cpp' 'bench/*.h' 'fuzz/*.cpp' 'fuzz/*.h')

format:
	@scripts/install-deps.sh format
	@clang-format -i $(FORMATTED)

# Fails, naming the places, when a file is not as clang-format would write it.
format-check:
	@scripts/install-deps.sh format
	@clang-format --dry-run --Werror $(FORMATTED)

# Velmora for Windows, cross-built with mingw-w64 into its own folder: build-windows/velmora.exe (the window and
# the desktop's command line), build-windows/velmora.com (the same program for consoles and scripts) and
# their installer, build-windows/velmora-VERSION-x64.msi.
windows:
	@scripts/install-deps.sh windows
	@cmake -S . -B $(WINDOWS_BUILD) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake \
		-DCMAKE_BUILD_TYPE=$(WINDOWS_BUILD_TYPE) -DVELMORA_GUI=OFF -DVELMORA_BENCH=OFF $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(WINDOWS_BUILD) -j$(JOBS) --target velmora velmora-console velmora-msi

windows-installer: windows

# The plain test programs built for Windows and run under wine.
test-windows: windows
	@cmake --build $(WINDOWS_BUILD) -j$(JOBS)
	@scripts/wine.sh $(WINDOWS_BUILD) sh -c 'cd $(WINDOWS_BUILD) && ctest --output-on-failure -j$(JOBS)'

# Fails, naming each finding, when clang-tidy finds one in src/ (.clang-tidy), with the build's own flags.
tidy: build
	@JOBS=$(JOBS) scripts/tidy.sh $(BUILD)

fuzz:
	@scripts/install-deps.sh build fuzz
	@scripts/fuzz.sh $${FUZZ_SECONDS:-60}

clean:
	rm -rf $(BUILD) $(WINDOWS_BUILD)
