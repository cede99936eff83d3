# Thin wrapper over CMake. `make run` builds and runs the main job (the
# default study, results in results/),
# `make test` builds and runs every test. SANITIZE=1 builds with ASan+UBSan.
BUILD    ?= build
SANITIZE ?= 0
JOBS     ?= $(shell nproc 2>/dev/null || echo 2)

ifeq ($(SANITIZE),1)
  BUILD_TYPE ?= RelWithDebInfo
else
  BUILD_TYPE ?= Release
endif

.PHONY: all deps configure build run test bench clean

all: build

deps:
	@./scripts/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) -DMB_SANITIZE=$(if $(filter 1,$(SANITIZE)),ON,OFF) >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	./$(BUILD)/movingblock-study

test: build
	@ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

bench: build
	@./scripts/run-benchmarks.sh $(BUILD)

clean:
	rm -rf build build-asan
