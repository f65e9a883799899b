# The two everyday commands: `make run` and `make test`. Both install the Debian
# packages listed in packages.txt that are missing, then configure and build.

PRESET ?= dev
BUILD := build/$(PRESET)

.PHONY: all deps build run test asan bench screenshots clean

all: build

deps:
	@scripts/install-deps

$(BUILD)/build.ninja:
	cmake --preset $(PRESET)

build: deps $(BUILD)/build.ninja
	cmake --build --preset $(PRESET)

run: build
	$(BUILD)/src/quaylight

test: build
	ctest --preset $(PRESET)

asan:
	$(MAKE) test PRESET=asan

bench:
	$(MAKE) build PRESET=release
	cmake --build --preset release --target benchmarks

screenshots: build
	QT_QPA_PLATFORM=offscreen $(BUILD)/tools/screenshots/quaylight_screenshots build/screenshots

clean:
	rm -rf build
