# Front door. `make run` converts the bundled demo log; `make test` sets up, builds and tests all.
BUILD ?= build
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
PREFIX ?= /usr/local
INSTALL_BUILD ?= build-install
GUI ?= ON

CONFIGURE = cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release >/dev/null

.PHONY: all setup configure build run test gui windows fuzz bench install package clean

all: build

# Every package list: what `make test` and its checks use.
setup:
	@scripts/setup

configure: setup
	@$(CONFIGURE)

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

# Only what the converter needs: a compiler, CMake and make.
run:
	@scripts/setup build man
	@$(CONFIGURE)
	@cmake --build $(BUILD) -j $(JOBS) --target q9xz-convert >$(BUILD)/build-run.log 2>&1 || (cat $(BUILD)/build-run.log; exit 1)
	@$(BUILD)/q9xz-convert --map $(BUILD)/demo-map.svg samples/demo.adi $(BUILD)/demo.CSV
	@echo "Spreadsheet: $(BUILD)/demo.CSV"

test: build
	@ctest --test-dir $(BUILD) --output-on-failure --no-tests=error -j $(JOBS)
	@scripts/run-checks

# The window alone (target q9xz), started at once.
gui:
	@scripts/setup build gui
	@$(CONFIGURE)
	@scripts/gui

windows:
	@scripts/setup build windows
	@scripts/windows

fuzz:
	@scripts/setup build test
	@scripts/fuzz

bench:
	@scripts/setup build test
	@scripts/bench

# The programs alone, built in a folder of their own without tests and bench, so that only the
# converter's and the window's package lists are asked for (GUI=OFF: the converter's alone).
install:
	@scripts/setup build$(if $(filter ON,$(GUI)), gui)
	@cmake -S . -B $(INSTALL_BUILD) -DCMAKE_BUILD_TYPE=Release -DQ9XZ_BUILD_TESTS=OFF \
		-DQ9XZ_BUILD_BENCH=OFF -DQ9XZ_BUILD_GUI=$(GUI) >/dev/null
	@cmake --build $(INSTALL_BUILD) -j $(JOBS)
	@cmake --install $(INSTALL_BUILD) --prefix $(PREFIX)

package: build
	@scripts/package

clean:
	rm -rf $(BUILD) build-*
