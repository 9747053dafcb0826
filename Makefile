# The two commands a newcomer needs: `make demo` and `make test`.
SHELL := /bin/bash
MAKEFLAGS += --no-print-directory
JOBS ?= $(shell nproc)
FUZZ_SECONDS ?= 60
LOGS := build/logs

.PHONY: all deps build native asan win64 win32 test test-e2e32 demo fuzz bench clean

all: build

# wine32 and its qemu-i386 registration come first, so that the one shared
# Wine prefix is made with its 32-bit side (the 32-bit run needs it).
deps:
	@scripts/install-deps.sh --with-wine32

build: deps native asan win64 win32
	@# sfxpack's default stub is the (stripped) 32-bit product, found beside it.
	@cp build/win32/resources/sfxstub-stripped.exe build/native/tools/sfxpack/sfxstub.exe

native asan win64 win32:
	@cmake --preset $@ >/dev/null
	@cmake --build build/$@ -j$(JOBS)

# Under Wine a program very rarely fails to start at all (no output, 0.01 s);
# each Windows suite gets a second run, so only a fault seen twice fails.
test: build
	@mkdir -p $(LOGS)
	@scripts/with-wine.sh - true
	@set -o pipefail; rc=0; \
	ctest --test-dir build/native -j$(JOBS) --output-on-failure 2>&1 | tee $(LOGS)/native.log || rc=1; \
	ctest --test-dir build/asan -j$(JOBS) --output-on-failure 2>&1 | tee $(LOGS)/asan.log || rc=1; \
	scripts/with-wine.sh - ctest --test-dir build/win64 -j$(JOBS) --repeat until-pass:2 --output-on-failure 2>&1 | tee $(LOGS)/win64.log || rc=1; \
	$(MAKE) --no-print-directory test-e2e32 || rc=1; \
	scripts/ctest-summary.sh $(LOGS)/native.log $(LOGS)/asan.log $(LOGS)/win64.log $(LOGS)/e2e32.log || rc=1; \
	exit $$rc

# The real 32-bit stub under wine32 and qemu-i386: minutes, so on its own.
test-e2e32: build
	@mkdir -p $(LOGS)
	@set -o pipefail; scripts/e2e32.sh 2>&1 | tee $(LOGS)/e2e32.log

demo: build
	@scripts/demo.sh

fuzz: deps
	@cmake --preset fuzz >/dev/null
	@cmake --build build/fuzz -j$(JOBS)
	@for f in build/fuzz/fuzz/fuzz_*; do \
	  name=$${f##*/fuzz_}; mkdir -p fuzz/corpus-new/$$name; \
	  echo "== $$name for $(FUZZ_SECONDS) s"; \
	  $$f -max_total_time=$(FUZZ_SECONDS) -print_final_stats=1 fuzz/corpus-new/$$name fuzz/corpus/$$name || exit 1; \
	done

# Figures, not tests: the codec against memcpy and zlib, and the processor
# time of a 5-second message pump under Wine.
bench: build
	@build/native/bench/bench_codec
	@scripts/with-wine.sh - /usr/lib/wine/wine64 build/win64/bench/win/pump_cpu.exe

clean:
	rm -rf build
