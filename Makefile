# Thin wrapper over CMake and CTest. `make run` builds everything, runs all
# 72 programs into out/ and verifies every result file; `make test` builds
# and runs the whole test set.

BUILD ?= build
OUT ?= out
JOBS ?= 2

.PHONY: all build run test test-quick bench clean

all: build

$(BUILD)/build.ninja:
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release

build: $(BUILD)/build.ninja
	cmake --build $(BUILD)

run: build
	scripts/run-all $(BUILD) $(OUT) $(JOBS)
	$(BUILD)/verify/kestrav-verify --quiet $(OUT)

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

# Everything but the complete program runs (label "slow").
test-quick: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS) -LE slow

# Nanoseconds per composition, generated models against the literal form;
# then the kestrav engine against the 72 programs (several minutes); then the
# library's counting and consuming searches against `kestrav search --out`.
bench: $(BUILD)/build.ninja
	@ninja -C $(BUILD) -t targets all | grep -q '^model_bench:' || { echo "make bench: $(BUILD) has no" \
	  "benchmarks: Google Benchmark was not found at configure time (Debian: libbenchmark-dev; then" \
	  "cmake $(BUILD)) or KESTRAV_BUILD_BENCHMARKS is OFF" >&2; exit 1; }
	cmake --build $(BUILD) --target model_bench engine_bench literal_programs programs kestrav library_paths
	$(BUILD)/bench/model_bench
	$(BUILD)/bench/engine_bench
	bench/programs-vs-literal $(BUILD)
	bench/library-vs-command $(BUILD)

clean:
	rm -rf $(BUILD) $(OUT)
