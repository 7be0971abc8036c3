# Front door. `make run` converts the bundled demo log; `make test` sets up, builds and tests all.
BUILD ?= build
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
PREFIX ?= /usr/local

.PHONY: all setup configure build run test gui windows fuzz bench install package clean

all: build

setup:
	@scripts/setup

configure: setup
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

run: configure
	@cmake --build $(BUILD) -j $(JOBS) --target q9xz-convert >$(BUILD)/build-run.log 2>&1 || (cat $(BUILD)/build-run.log; exit 1)
	@$(BUILD)/q9xz-convert --map $(BUILD)/demo-map.svg samples/demo.adi $(BUILD)/demo.CSV
	@echo "Spreadsheet: $(BUILD)/demo.CSV"

test: build
	@ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)
	@scripts/run-checks

gui: build
	@scripts/gui

windows: setup
	@scripts/windows

fuzz: setup
	@scripts/fuzz

bench: setup
	@scripts/bench

install: build
	@cmake --install $(BUILD) --prefix $(PREFIX)

package: build
	@scripts/package

clean:
	rm -rf $(BUILD) build-*
