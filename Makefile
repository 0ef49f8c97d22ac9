# Everyday commands. `make demo` and `make test` work on a fresh Debian machine.
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: all bootstrap build demo test test-slow test-sanitize bench fuzz screenshots package format clean

all: build

bootstrap:
	@scripts/bootstrap

build: bootstrap
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(BUILD) -j$(JOBS)

demo: build
	@scripts/demo $(BUILD)

test: build
	@cd $(BUILD) && ctest --output-on-failure -j$(JOBS) -LE slow

test-slow: build
	@cd $(BUILD) && ctest --output-on-failure -L slow

test-sanitize: bootstrap
	@LSAN_OPTIONS="suppressions=$(CURDIR)/tests/ui/lsan.supp:print_suppressions=0" $(MAKE) --no-print-directory BUILD=build-asan CMAKE_FLAGS="-DVELMORANT_SANITIZE=ON -DVELMORANT_BENCH=OFF" test

bench: build
	@scripts/bench $(BUILD)

fuzz: bootstrap
	@scripts/fuzz

screenshots: build
	@scripts/screenshots $(BUILD)

package: build
	@cmake --build $(BUILD) --target package
	@ls -1 $(BUILD)/velmorant_*.deb

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	@rm -rf $(BUILD) build-asan
