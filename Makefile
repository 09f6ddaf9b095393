# make run: build and play the demo song; make test: build and run every test.
BUILD ?= build
JOBS ?= $(shell nproc)

.PHONY: all setup configure build test run bench clean

all: build

setup:
	@sh scripts/setup.sh

configure: setup
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null

build: configure
	@cmake --build $(BUILD) -j$(JOBS)

test: build
	@cd $(BUILD) && ctest --output-on-failure -j$(JOBS)

run: build
	$(BUILD)/bin/tarvio-cli expand data/songs/demo.tvo

bench: build
	@sh bench/run.sh $(BUILD)

clean:
	rm -rf $(BUILD)
