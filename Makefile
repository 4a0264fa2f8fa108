# Entry points for people and CI. Every target installs what it needs first, and only that
# (tools/install-deps.sh GROUP...).
.PHONY: help deps programs build test test-asan demo screenshots lint fuzz bench package clean

# The first target: `make` alone lists them all.
help:
	@echo "make demo         builds the two programs and starts a process on a demo host"
	@echo "make programs     builds sondervik and quorvant-host only (build/)"
	@echo "make build        builds everything, tests and benchmarks too"
	@echo "make test         the whole suite through CTest (quick loop: ctest --preset default -LE slow)"
	@echo "make test-asan    the suite with AddressSanitizer and UndefinedBehaviorSanitizer (build-asan/)"
	@echo "make lint         clang-format and clang-tidy"
	@echo "make fuzz         the libFuzzer targets, FUZZ_SECONDS each (default 10)"
	@echo "make bench        the benchmarks in release mode, as one table"
	@echo "make screenshots  the pictures in docs/img/, on a virtual X display"
	@echo "make package      the Debian package (build-package/), checked with lintian"
	@echo "make deps         installs the Debian packages all the others need"
	@echo "make clean        removes the build folders"

deps:
	@bash tools/install-deps.sh

# Just what `make demo` needs, so that a first demo does not wait for the test suite to compile, nor
# for the test and benchmark libraries to be installed: the build folder is configured without them.
programs:
	@bash tools/install-deps.sh programs
	cmake --preset default -DSV_BUILD_TESTS=OFF -DSV_BUILD_BENCH=OFF
	cmake --build --preset default --target sondervik quorvant-host

build:
	@bash tools/install-deps.sh programs test bench
	cmake --preset default -DSV_BUILD_TESTS=ON -DSV_BUILD_BENCH=ON
	cmake --build --preset default

test: build
	ctest --preset default

# The whole suite built with AddressSanitizer and UndefinedBehaviorSanitizer; any report fails it.
test-asan:
	@bash tools/install-deps.sh programs test
	cmake --preset asan
	cmake --build --preset asan
	ctest --preset asan

lint: build
	@bash tools/install-deps.sh lint
	bash tools/lint.sh build

demo: programs
	bash tools/demo.sh build

# The real windows and message boxes on a virtual X display, as PNG files in docs/img/.
screenshots: build
	@bash tools/install-deps.sh screenshots
	bash tools/screenshots.sh build

fuzz:
	@bash tools/install-deps.sh programs fuzz
	cmake --preset fuzz
	cmake --build --preset fuzz --target persist_reader_fuzz filter_parser_fuzz
	bash tools/run-fuzz.sh build-fuzz $${FUZZ_SECONDS:-10}

bench:
	@bash tools/install-deps.sh programs bench
	cmake --preset release
	cmake --build --preset release
	bash tools/run-bench.sh build-release

# A release build of what the package holds; lintian must report no error.
package:
	@bash tools/install-deps.sh programs package
	cmake --preset package
	cmake --build --preset package
	cd build-package && cpack -G DEB
	lintian --fail-on error --info build-package/sondervik_*.deb

clean:
	rm -rf build build-release build-fuzz build-asan build-package
