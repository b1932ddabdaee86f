# Velmora: `make run` starts the window on a sandbox HOSTS file, `make test` builds and runs every test.
BUILD ?= build
BUILD_TYPE ?= RelWithDebInfo
CMAKE_FLAGS ?=
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
SANDBOX := $(abspath $(BUILD))/sandbox

.PHONY: all deps configure build test run bench format format-check fuzz clean

all: build

deps:
	@scripts/install-deps.sh build

configure: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD) -j$(JOBS)

test: build
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

fuzz:
	@scripts/install-deps.sh build fuzz
	@scripts/fuzz.sh $${FUZZ_SECONDS:-60}

clean:
	rm -rf $(BUILD)
