# The front doors. `make run` and `make test` install what is missing first.
BUILD_DIR ?= build
BUILD_TYPE ?= RelWithDebInfo
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: all deps configure build run test bench fuzz clean

all: build

deps:
	./scripts/install-deps

configure:
	cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD_DIR) -j $(JOBS)

run: deps build
	./scripts/run-wavecrest $(BUILD_DIR)/wavecrest

test: deps build
	./scripts/run-tests $(BUILD_DIR)

bench: deps
	cmake -S . -B $(BUILD_DIR)-bench -DCMAKE_BUILD_TYPE=Release -DWAVECREST_BUILD_BENCH=ON -DWAVECREST_BUILD_TESTS=OFF
	cmake --build $(BUILD_DIR)-bench -j $(JOBS)
	./scripts/run-benchmarks $(BUILD_DIR)-bench

fuzz: deps
	CXX=clang++-14 cmake -S . -B $(BUILD_DIR)-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DWAVECREST_BUILD_FUZZ=ON -DWAVECREST_BUILD_TESTS=OFF
	cmake --build $(BUILD_DIR)-fuzz -j $(JOBS)
	@echo "Fuzz targets are in $(BUILD_DIR)-fuzz/fuzz/; run one with -max_total_time=60"

clean:
	rm -rf $(BUILD_DIR) $(BUILD_DIR)-bench $(BUILD_DIR)-fuzz
