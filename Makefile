# Thin wrapper over CMake.
#   make run    builds what the main job needs (the railway's simulator and its
#               study tool) and runs the default study, results in results/
#   make test   builds everything (tests, benchmarks, link checks, MPI tools,
#               test models), installs chromium for the test that opens
#               study.html in a headless browser, and runs every test
#   make model MODEL=path/to/x.yaml   builds the simulator and the solver of a
#               model file, and san-study to run its study
# SANITIZE=1 builds with ASan+UBSan; WERROR=1 (set by CI) treats compiler
# warnings as errors.
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

# What `make run` runs: the railway's default study and the simulator it starts.
RUN_TARGETS = movingblock-study movingblock-sim

.PHONY: all deps configure build run test bench model clean

all: build

deps:
	@./scripts/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD) $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

run: configure
	@cmake --build $(BUILD) -j $(JOBS) --target $(RUN_TARGETS)
	./$(BUILD)/movingblock-study

test: build
	@./scripts/install-deps.sh browser
	@ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

bench: build
	@./scripts/run-benchmarks.sh $(BUILD)

# The simulator of a model file kept anywhere: `make model MODEL=path/to/x.yaml`
# builds $(BUILD)/x-sim and $(BUILD)/x-solve, writes $(BUILD)/x-study.json
# (see docs/model-format.md) and builds $(BUILD)/san-study. The model joins
# those built before (MB_EXTRA_MODELS in the CMake cache), so that every
# earlier model stays built; a model whose file has gone is dropped, with a
# note, and so is an earlier model file of the same name in another folder
# (its simulator's name is taken by the new one).
model: deps
	@test -n "$(MODEL)" || { echo "usage: make model MODEL=path/to/model.yaml" >&2; exit 2; }
	@test -f "$(MODEL)" || { echo "no model file $(MODEL)" >&2; exit 2; }
	@for m in Models/*.yaml; do \
	  if [ "$$(basename "$$m" .yaml)" = '$(basename $(notdir $(MODEL)))' ] && [ '$(abspath $(MODEL))' != "$(CURDIR)/$$m" ]; then \
	    echo "make model: $(BUILD)/$(basename $(notdir $(MODEL)))-sim is built from the project's $$m; give your model file another name" >&2; exit 2; fi; \
	done
	@new='$(abspath $(MODEL))'; kept=''; \
	earlier=$$(sed -n 's/^MB_EXTRA_MODELS:[A-Z]*=//p' '$(BUILD)/CMakeCache.txt' 2>/dev/null); \
	IFS=';'; for m in $$earlier; do \
	  if [ -z "$$m" ] || [ "$$m" = "$$new" ]; then continue; fi; \
	  case ";$$kept" in *";$$m;"*) continue ;; esac; \
	  stem=$${m##*/}; if [ "$${stem%.*}" = '$(basename $(notdir $(MODEL)))' ]; then \
	    echo "note: $(BUILD)/$(basename $(notdir $(MODEL)))-sim now comes from $$new, no longer from $$m" >&2; continue; fi; \
	  if [ -f "$$m" ]; then kept="$$kept$$m;"; \
	  else echo "note: model file $$m is gone; its simulator is no longer built" >&2; fi; \
	done; \
	cmake -S . -B '$(BUILD)' $(CMAKE_FLAGS) -DMB_EXTRA_MODELS="$$kept$$new" >/dev/null
	@cmake --build $(BUILD) -j $(JOBS) --target $(basename $(notdir $(MODEL)))-sim $(basename $(notdir $(MODEL)))-solve san-study
	@echo "Simulator: $(BUILD)/$(basename $(notdir $(MODEL)))-sim   solver: $(BUILD)/$(basename $(notdir $(MODEL)))-solve   study: $(BUILD)/$(basename $(notdir $(MODEL)))-study.json"
	@echo "Run its study: $(BUILD)/san-study --simulator $(BUILD)/$(basename $(notdir $(MODEL)))-sim"

clean:
	rm -rf build build-asan
