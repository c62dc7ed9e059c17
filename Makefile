# One entry point for building, testing and the demo; CMake and Ninja do the work.
BUILD_DIR ?= build
SAN_BUILD_DIR ?= build-sanitize
JOBS ?= $(shell nproc 2>/dev/null || echo 2)

.PHONY: all build test sanitize-test demo bench fuzz-smoke format clean deps

all: build

deps:
	@sh tools/ensure_deps.sh

$(BUILD_DIR)/build.ninja: | deps
	cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Release

build: $(BUILD_DIR)/build.ninja
	cmake --build $(BUILD_DIR) -j $(JOBS)

test: build
	ctest --test-dir $(BUILD_DIR) --output-on-failure -j $(JOBS)

# The whole test suite once more, built by clang with AddressSanitizer and
# UndefinedBehaviorSanitizer; any report ends the process and fails its test.
$(SAN_BUILD_DIR)/build.ninja: | deps
	@command -v clang++ >/dev/null 2>&1 || \
		{ echo "sanitize-test needs clang: apt-get install clang libclang-rt-14-dev" >&2; exit 1; }
	cmake -S . -B $(SAN_BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
		-DCMAKE_CXX_COMPILER=clang++ -DVORLANE_SANITIZE=ON

sanitize-test: $(SAN_BUILD_DIR)/build.ninja
	cmake --build $(SAN_BUILD_DIR) -j $(JOBS)
	UBSAN_OPTIONS=print_stacktrace=1 ctest --test-dir $(SAN_BUILD_DIR) --output-on-failure -j $(JOBS)

# Every fuzz target for FUZZ_SECONDS each (libFuzzer, clang).
FUZZ_SECONDS ?= 30
fuzz-smoke:
	bash fuzz/run.sh $(FUZZ_SECONDS)

demo: build
	@sh tools/demo.sh $(BUILD_DIR)

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')

clean:
	rm -rf $(BUILD_DIR) $(SAN_BUILD_DIR) build-bench build-fuzz
