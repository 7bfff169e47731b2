# The two set-up commands: `make run` and `make test`. Both install missing Debian packages first.

# Every Debian package the build, the tests, the benchmarks and the fuzzers need.
PACKAGES := cmake ninja-build g++ clang make pkg-config \
	qt6-base-dev qt6-svg-dev libgl-dev \
	libtinyxml2-dev libb64-dev libbenchmark-dev

.PHONY: all deps run test bench fuzz format clean

all: test

deps:
	@missing=""; \
	for p in $(PACKAGES); do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q 'install ok installed' || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  if [ "$$(id -u)" = 0 ]; then \
	    echo "Installing:$$missing"; \
	    apt-get update -q && DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends $$missing; \
	  else \
	    echo "Missing Debian packages; install them with:"; \
	    echo "  sudo apt-get install$$missing"; exit 1; \
	  fi; \
	fi

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

bench: deps
	cmake --preset release
	cmake --build --preset release
	@for b in build/release/bench/bench_*; do [ -x "$$b" ] && echo "== $$b" && "$$b"; done; true

fuzz: deps
	cmake --preset fuzz
	cmake --build --preset fuzz
	@echo "Fuzz targets are in build/fuzz/fuzz/, starting inputs in fuzz/corpus/<name>/; run one with e.g."
	@echo "  mkdir -p build/corpus/prefs && build/fuzz/fuzz/fuzz_prefs build/corpus/prefs fuzz/corpus/prefs -max_total_time=600"
	@echo "(GUI targets: QT_QPA_PLATFORM=offscreen LSAN_OPTIONS=suppressions=tests/support/lsan.supp)"

format:
	git ls-files '*.cpp' '*.h' | grep -v '/generated/' | xargs clang-format -i

clean:
	rm -rf build
