# Entry points for people and CI. Every target installs what it needs first.
.PHONY: deps build test test-asan demo screenshots lint fuzz bench clean

deps:
	@bash tools/install-deps.sh

build: deps
	cmake --preset default
	cmake --build --preset default

test: build
	ctest --preset default

# The whole suite built with AddressSanitizer and UndefinedBehaviorSanitizer; any report fails it.
test-asan: deps
	cmake --preset asan
	cmake --build --preset asan
	ctest --preset asan

lint: build
	bash tools/lint.sh build

demo: build
	bash tools/demo.sh build

# The real windows and message boxes on a virtual X display, as PNG files in docs/img/.
screenshots: build
	bash tools/screenshots.sh build

fuzz: deps
	cmake --preset fuzz
	cmake --build --preset fuzz --target persist_reader_fuzz filter_parser_fuzz
	bash tools/run-fuzz.sh build-fuzz $${FUZZ_SECONDS:-10}

bench: deps
	cmake --preset release
	cmake --build --preset release
	bash tools/run-bench.sh build-release

clean:
	rm -rf build build-release build-fuzz build-asan
