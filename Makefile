# make run: build, then open the demo song in tarvio (or play it headless); make test: build and run every test.
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

# Without a display the window cannot open, so the demo song is played headless instead.
run: build
	@if [ -z "$$DISPLAY" ] && [ -z "$$WAYLAND_DISPLAY" ]; then \
	  echo "no display (DISPLAY and WAYLAND_DISPLAY unset): playing the demo song with tarvio-cli instead"; \
	  $(BUILD)/bin/tarvio-cli play data/songs/demo.tvo; \
	else \
	  $(BUILD)/bin/tarvio data/songs/demo.tvo; \
	fi

bench: build
	@sh bench/run.sh $(BUILD)

clean:
	rm -rf $(BUILD)
