# The two set-up commands: `make run` and `make test`; `make help` lists the others. Every target
# first installs the Debian packages it needs (tools/install-packages.sh: as root it waits for
# another package manager run to finish, otherwise it prints the apt-get command to run).

# What every build needs: the program, the tests and the benchmarks.
PACKAGES := cmake ninja-build g++ make pkg-config \
	qt6-base-dev qt6-svg-dev libgl-dev \
	libtinyxml2-dev libb64-dev libbenchmark-dev
# What the other targets need on top.
FUZZ_PACKAGES := clang libclang-rt-dev
FORMAT_PACKAGES := clang-format
VOCAB_PACKAGES := python3 khronos-api
SCREENSHOT_PACKAGES := xvfb xauth

INSTALL := sh tools/install-packages.sh

# `make bench BENCH_ARGS=--benchmark_filter=...` passes options to every benchmark program.
BENCH_ARGS ?=
BENCH_RESULTS := build/bench-results
# `make fuzz-prefs FUZZ_SECONDS=600` fuzzes one target for ten minutes.
FUZZ_SECONDS ?= 60
FUZZERS := $(patsubst fuzz/fuzz_%.cpp,%,$(wildcard fuzz/fuzz_*.cpp))

.PHONY: all help deps run test test-release bench peer fuzz $(addprefix fuzz-,$(FUZZERS)) format vocab-check \
	screenshots clean

all: test

help:
	@echo "make run          build (Release) and start the program"
	@echo "make test         build with ASan + UBSan and run the whole suite"
	@echo "make test-release build in Release (no sanitizers) and run the same suite"
	@echo "make bench        build and run every benchmark; verdicts and a JSON summary per run"
	@echo "make peer         build kolz-peer, a stand-in emulated application (kolz-peer --help)"
	@echo "make fuzz         build the libFuzzer targets; make fuzz-NAME [FUZZ_SECONDS=60] runs one:"
	@echo "                  $(FUZZERS)"
	@echo "make format       clang-format the tree"
	@echo "make vocab-check  check glvocab/generated/ against the GL registry (khronos-api)"
	@echo "make screenshots  run every script in tools/screenshots/ under Xvfb"
	@echo "make clean        remove build/"

deps:
	@$(INSTALL) $(PACKAGES)

# Only the program is built. It starts in build/release so that Help finds the user manual
# in ../../Documentation/.
run: deps
	cmake --preset release
	cmake --build --preset release --target kolzendra-gui
	cd build/release && exec ./app/kolzendra-gui

test: deps
	cmake --preset asan
	cmake --build --preset asan
	ctest --preset asan

# The same suite as the optimiser and the timing of a build without sanitizers see it (build/release-tests).
test-release: deps
	cmake --preset release-tests
	cmake --build --preset release-tests
	ctest --preset release-tests

# KOLZ_BENCH is given here as well, so that the benchmarks build whatever the release preset
# says about them.
bench: deps
	cmake --preset release -DKOLZ_BENCH=ON
	cmake --build --preset release --target kolz_benches
	@sh bench/run-all.sh build/release/bench/bench-programs.txt $(BENCH_RESULTS) $(BENCH_ARGS)

peer: deps
	cmake --preset release -DKOLZ_BENCH=ON
	cmake --build --preset release --target kolz-peer
	@echo "Built build/release/tests/peer/kolz-peer. With the program running (make run), in"
	@echo "another terminal:  build/release/tests/peer/kolz-peer   (options: --help)"

fuzz:
	@$(INSTALL) $(PACKAGES) $(FUZZ_PACKAGES)
	cmake --preset fuzz
	cmake --build --preset fuzz --target kolz_fuzzers
	@echo "Fuzz targets are in build/fuzz/fuzz/. Run one for FUZZ_SECONDS (default 60) with"
	@echo "  make fuzz-NAME [FUZZ_SECONDS=600]   NAME: $(FUZZERS)"
	@echo "(fuzz/README.md tells more.)"

$(addprefix fuzz-,$(FUZZERS)): fuzz-%: fuzz
	@sh fuzz/run.sh $* $(FUZZ_SECONDS)

format:
	@$(INSTALL) $(FORMAT_PACKAGES)
	git ls-files '*.cpp' '*.h' | grep -v '/generated/' | xargs clang-format -i

vocab-check:
	@$(INSTALL) $(VOCAB_PACKAGES)
	python3 tools/glvocab/generate.py --check
	@echo "glvocab/generated/ matches the GL registry."

# Each script builds what it shows, renders it under xvfb-run and prints the pictures' paths
# (by default under build/screenshots/).
screenshots: deps
	@$(INSTALL) $(SCREENSHOT_PACKAGES)
	@found=""; failed=""; for script in tools/screenshots/*.sh; do \
	  [ -f "$$script" ] || continue; found=1; echo "== $$script"; \
	  sh "$$script" || failed="$$failed $$script"; \
	done; [ -n "$$found" ] || echo "No scripts in tools/screenshots/ yet."; \
	[ -z "$$failed" ] || { echo "Failed:$$failed"; exit 1; }

clean:
	rm -rf build
