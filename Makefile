# One entry point for building, testing and the demo; CMake and Ninja do the work.
BUILD_DIR ?= build
SAN_BUILD_DIR ?= build-sanitize
JOBS ?= $(shell nproc 2>/dev/null || echo 2)

.PHONY: all build test check sanitize-test demo bench fuzz-smoke format clean deps deps-full install \
	deps-web web web-test

all: build

deps:
	@sh tools/ensure_deps.sh

deps-full:
	@sh tools/ensure_deps.sh full

deps-web:
	@sh tools/ensure_deps.sh web

$(BUILD_DIR)/build.ninja: | deps
	cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Release

build: $(BUILD_DIR)/build.ninja
	cmake --build $(BUILD_DIR) -j $(JOBS)

# The quick suite: unit, end-to-end and round-trip tests of the Release build.
test: build
	ctest --test-dir $(BUILD_DIR) --output-on-failure -j $(JOBS)

# Every test: the quick suite, the same suite under the sanitizers, and a
# short run of every fuzz target. CI runs exactly this.
check: deps-full
	$(MAKE) test
	$(MAKE) sanitize-test
	$(MAKE) fuzz-smoke
	$(MAKE) web-test

# The whole test suite once more, built by clang with AddressSanitizer and
# UndefinedBehaviorSanitizer; any report ends the process and fails its test.
$(SAN_BUILD_DIR)/build.ninja: | deps-full
	@command -v clang++ >/dev/null 2>&1 || \
		{ echo "sanitize-test needs clang: apt-get install clang libclang-rt-14-dev" >&2; exit 1; }
	cmake -S . -B $(SAN_BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
		-DCMAKE_CXX_COMPILER=clang++ -DVORLANE_SANITIZE=ON

sanitize-test: $(SAN_BUILD_DIR)/build.ninja
	cmake --build $(SAN_BUILD_DIR) -j $(JOBS)
	UBSAN_OPTIONS=print_stacktrace=1 ctest --test-dir $(SAN_BUILD_DIR) --output-on-failure -j $(JOBS)

# Every fuzz target for FUZZ_SECONDS each (libFuzzer, clang).
FUZZ_SECONDS ?= 30
fuzz-smoke: deps-full
	bash fuzz/run.sh $(FUZZ_SECONDS)

# The page for the browser in $(WEB_DIR): the converter built by Debian's
# emscripten into one script, joined with web/ by web/build.mjs.
WASM_BUILD_DIR ?= build-wasm
WEB_DIR ?= build-web
export NODE_PATH ?= /usr/share/nodejs
$(WASM_BUILD_DIR)/build.ninja: | deps-web
	emcmake cmake -S . -B $(WASM_BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Release \
		-DVORLANE_TESTS=OFF

web: $(WASM_BUILD_DIR)/build.ninja
	cmake --build $(WASM_BUILD_DIR) -j $(JOBS) --target vorlane_wasm
	node web/build.mjs $(WASM_BUILD_DIR)/web/vorlane-core.js $(WEB_DIR)

# The page in headless Chromium against the native build's results.
web-test: build web
	node tests/web/browser_test.mjs --native $(BUILD_DIR) --page $(WEB_DIR)

# make install PREFIX=$HOME/.local (default /usr/local); DESTDIR stages a package.
PREFIX ?= /usr/local
install: build
	DESTDIR="$(DESTDIR)" cmake --install $(BUILD_DIR) --prefix "$(PREFIX)"

demo: build
	@sh tools/demo.sh $(BUILD_DIR)

bench:
	bash bench/run.sh

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')

clean:
	rm -rf $(BUILD_DIR) $(SAN_BUILD_DIR) build-bench build-fuzz
