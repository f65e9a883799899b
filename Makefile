# The two everyday commands: `make run` and `make test`. Both install the Debian
# packages listed in packages.txt that are missing, then configure and build.
# `make package` builds the Debian package the same way, from the release preset.

PRESET ?= dev
BUILD := build/$(PRESET)

# The screenshots the README and the AppStream metadata show, kept under docs/.
DOC_SCREENSHOTS := ports disk-cleanup breakdown ports-dark

.PHONY: all deps build run test asan bench format format-check screenshots docs-screenshots package clean

all: build

deps:
	@scripts/install-deps

$(BUILD)/build.ninja:
	cmake --preset $(PRESET)

build: deps $(BUILD)/build.ninja
	cmake --build --preset $(PRESET)

run: build
	$(BUILD)/src/app/quaylight

test: build
	ctest --preset $(PRESET)

asan:
	$(MAKE) test PRESET=asan

bench:
	$(MAKE) build PRESET=release
	cmake --build --preset release --target benchmarks

# The house layout of .clang-format, over every tracked C++ file.
CXX_SOURCES = $(shell git ls-files '*.cpp' '*.h')

format: deps
	clang-format -i $(CXX_SOURCES)

format-check: deps
	@echo "clang-format --dry-run --Werror: $(words $(CXX_SOURCES)) files"
	@clang-format --dry-run --Werror $(CXX_SOURCES)

screenshots: build
	QT_QPA_PLATFORM=offscreen $(BUILD)/tools/screenshots/quaylight_screenshots build/screenshots

docs-screenshots: screenshots
	mkdir -p docs/screenshots
	for shot in $(DOC_SCREENSHOTS); do cp build/screenshots/$$shot.png docs/screenshots/ || exit 1; done

# The Debian package, from the optimised build, written to build/release/.
package:
	$(MAKE) build PRESET=release
	cpack --preset release

clean:
	rm -rf build
