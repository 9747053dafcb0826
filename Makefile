# The two commands a newcomer needs: `make demo` and `make test`.
SHELL := /bin/bash
JOBS ?= $(shell nproc)
FUZZ_SECONDS ?= 60
LOGS := build/logs

.PHONY: all deps build native asan win64 win32 test test-native test-asan test-win64 demo fuzz bench clean

all: build

deps:
	@scripts/install-deps.sh

build: deps native asan win64 win32

native asan win64 win32:
	@cmake --preset $@ >/dev/null
	@cmake --build build/$@ -j$(JOBS)

test: build
	@mkdir -p $(LOGS)
	@rc=0; \
	ctest --test-dir build/native -j$(JOBS) --output-on-failure 2>&1 | tee $(LOGS)/native.log || rc=1; \
	ctest --test-dir build/asan -j$(JOBS) --output-on-failure 2>&1 | tee $(LOGS)/asan.log || rc=1; \
	scripts/with-wine.sh build/wineprefix64 ctest --test-dir build/win64 -j$(JOBS) --output-on-failure 2>&1 | tee $(LOGS)/win64.log || rc=1; \
	scripts/ctest-summary.sh $(LOGS)/native.log $(LOGS)/asan.log $(LOGS)/win64.log || rc=1; \
	exit $$rc

demo: build
	@echo "demo: the installer is not assembled yet"

fuzz: deps
	@cmake --preset fuzz >/dev/null
	@cmake --build build/fuzz -j$(JOBS)
	@for f in build/fuzz/fuzz/fuzz_*; do \
	  name=$${f##*/fuzz_}; mkdir -p fuzz/corpus-new/$$name; \
	  echo "== $$name for $(FUZZ_SECONDS) s"; \
	  $$f -max_total_time=$(FUZZ_SECONDS) -print_final_stats=1 fuzz/corpus-new/$$name fuzz/corpus/$$name || exit 1; \
	done

bench: deps native
	@for b in build/native/bench/bench_*; do [ -x $$b ] && $$b; done

clean:
	rm -rf build
