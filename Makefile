# Everyday commands. `make demo` and `make test` work on a fresh Debian machine.
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=
# The Windows programs and packages, cross-built with mingw-w64; their tests run under Wine.
WINBUILD ?= build-windows

.PHONY: all bootstrap build demo test test-slow test-sanitize bench fuzz screenshots package format format-check clean \
	windows test-windows bench-windows screenshots-windows

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

windows: bootstrap
	@cmake -S . -B $(WINBUILD) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
		-DCMAKE_BUILD_TYPE=Release >/dev/null
	@cmake --build $(WINBUILD) -j$(JOBS) --target windows-packages
	@ls -1 $(WINBUILD)/velmorant-*-windows-x64.zip $(WINBUILD)/velmorant-*-setup.exe

screenshots-windows: windows
	@cmake --build $(WINBUILD) -j$(JOBS) --target windows-screenshots
	@scripts/screenshots-windows $(WINBUILD)

bench-windows: build windows
	@scripts/bench-windows $(BUILD) $(WINBUILD)

# Wine now and then fails to start a program when many start at once (no output, status 1 at
# once); such a test is run a second time, and a test that fails twice fails the run.
test-windows: windows
	@cmake --build $(WINBUILD) -j$(JOBS)
	@cd $(WINBUILD) && ctest --output-on-failure -j$(JOBS) --repeat until-pass:2

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

format-check: bootstrap
	@git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run -Werror

clean:
	@rm -rf $(BUILD) build-asan $(WINBUILD)
