# Thin wrapper over CMake. `make run` builds and runs the main job (the
# default study, results in results/),
# `make test` builds and runs every test. SANITIZE=1 builds with ASan+UBSan.
# `make model MODEL=path/to/x.yaml` builds the simulator and the solver of a model file.
# WERROR=1 (set by CI) treats compiler warnings as errors.
BUILD    ?= build
SANITIZE ?= 0
WERROR   ?= 0
JOBS     ?= $(shell nproc 2>/dev/null || echo 2)

ifeq ($(SANITIZE),1)
  BUILD_TYPE ?= RelWithDebInfo
else
  BUILD_TYPE ?= Release
endif

# The sanitizer build runs the tests only: its benchmarks would time the
# instrumentation, so they are not built there.
CMAKE_FLAGS = -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) -DMB_SANITIZE=$(if $(filter 1,$(SANITIZE)),ON,OFF) \
              -DMB_BUILD_BENCH=$(if $(filter 1,$(SANITIZE)),OFF,ON) \
              -DMB_WARNINGS_AS_ERRORS=$(if $(filter 1,$(WERROR)),ON,OFF)

.PHONY: all deps configure build run test bench model clean

all: build

deps:
	@./scripts/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD) $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	./$(BUILD)/movingblock-study

test: build
	@ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

bench: build
	@./scripts/run-benchmarks.sh $(BUILD)

# The simulator of a model file kept anywhere: `make model MODEL=path/to/x.yaml`
# builds $(BUILD)/x-sim and $(BUILD)/x-solve and writes $(BUILD)/x-study.json (see docs/model-format.md).
model: deps
	@test -n "$(MODEL)" || { echo "usage: make model MODEL=path/to/model.yaml" >&2; exit 2; }
	@test -f "$(MODEL)" || { echo "no model file $(MODEL)" >&2; exit 2; }
	@cmake -S . -B $(BUILD) $(CMAKE_FLAGS) -DMB_EXTRA_MODELS="$(abspath $(MODEL))" >/dev/null
	@cmake --build $(BUILD) -j $(JOBS) --target $(basename $(notdir $(MODEL)))-sim $(basename $(notdir $(MODEL)))-solve
	@echo "Simulator: $(BUILD)/$(basename $(notdir $(MODEL)))-sim   solver: $(BUILD)/$(basename $(notdir $(MODEL)))-solve   study: $(BUILD)/$(basename $(notdir $(MODEL)))-study.json"

clean:
	rm -rf build build-asan
