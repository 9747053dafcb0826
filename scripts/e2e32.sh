#!/usr/bin/env bash
# `make test-e2e32`: the one end-to-end run of the real product, the stripped
# 32-bit stub, under Wine's 32-bit side (wine32 through qemu-i386: the kernel
# runs no 32-bit code itself). Minutes: about three to make the prefix the
# first time, then a minute or more for every 32-bit process start.
#
# The prefix is a 64-bit one with 32-bit support, as on 64-bit Windows: the
# launcher runs natively, the stub and the payload's programs (built for i686)
# run as 32-bit processes. Prints a closing line in ctest's words, so that the
# summary of `make test` counts this run too.
set -uo pipefail
cd "$(dirname "$0")/.."
B=${SFX_BUILD_ROOT:-build}
prefix=${SFX_WINEPREFIX:-${XDG_CACHE_HOME:-$HOME/.cache}/sfxstub/wineprefix}
work=$B/win32/e2e32

scripts/install-deps.sh --with-wine32 || exit 1

stub=$B/win32/resources/sfxstub-stripped.exe
for f in "$B/native/tools/sfxpack/sfxpack" "$stub" "$B/win64/tests/e2e/launcher.exe" \
         "$B/win32/tests/e2e/AutoInst_setup.exe" "$B/win32/tests/e2e/install.exe"; do
  if [ ! -f "$f" ]; then
    echo "e2e32: $f is missing (make build makes it)" >&2
    echo "0% tests passed, 1 tests failed out of 1"
    exit 1
  fi
done

# A prefix made while the 32-bit side was missing has an empty syswow64 and
# would never run the stub: make it again.
if [ -f "$prefix/system.reg" ] && [ ! -f "$prefix/drive_c/windows/syswow64/kernel32.dll" ]; then
  rm -rf "$prefix"
fi

failed=0
total=0
t0=$(date +%s)

total=$((total + 1))
echo "== resources of $stub ($(stat -c %s "$stub") bytes)"
/usr/bin/python3 tests/e2e/check_resources.py "$stub" || failed=$((failed + 1))

total=$((total + 1))
echo "== 32-bit installer: setup program and product, auto=1"
scripts/with-wine.sh "$prefix" /usr/bin/python3 tests/e2e/run_e2e.py \
  --sfxpack "$B/native/tools/sfxpack/sfxpack" --stub "$stub" \
  --helpers "$B/win64/tests/e2e" --payload-helpers "$B/win32/tests/e2e" \
  --work "$work" --case both --timeout 1500 || failed=$((failed + 1))

echo "e2e32: $(( $(date +%s) - t0 )) s"
echo "$(( (total - failed) * 100 / total ))% tests passed, $failed tests failed out of $total"
[ "$failed" = 0 ]
