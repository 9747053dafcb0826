#!/usr/bin/env bash
# `make demo`: builds the demo product of examples/demo, packs it into
# build/demo/setup.exe with sfxpack, runs the installer under Wine with the
# command line "auto=1" and prints what happened.
#
# The installer is made from the 64-bit stub: the same sources as the 32-bit
# product, but it starts in about two seconds under wine64, where the 32-bit
# one needs qemu and a minute or more per process (that run is `make test`'s
# test-e2e32).
set -euo pipefail
cd "$(dirname "$0")/.."
B=${SFX_BUILD_ROOT:-build}
out=$B/demo
sfxpack=$B/native/tools/sfxpack/sfxpack
stub=$B/win64/resources/sfxstub.exe
helpers=$B/win64/tests/e2e

if [ "${1:-}" != "--inside-wine" ]; then
  for f in "$sfxpack" "$stub" "$helpers/launcher.exe" "$helpers/dlgclick.exe"; do
    [ -f "$f" ] || { echo "demo: $f is missing (make build makes it)" >&2; exit 1; }
  done
  rm -rf "$out"
  mkdir -p "$out/payload" "$out/screenshots"
  echo "== Building the demo product's programs (x86_64 Windows)"
  for prog in AutoInst_demo install; do
    x86_64-w64-mingw32-g++-posix -std=c++17 -O2 -Wall -Wextra -static -mwindows \
      -o "$out/payload/$prog.exe" "examples/demo/src/$prog.cpp"
  done
  cp examples/demo/payload/* "$out/payload/"
  echo "== Packing $out/payload into $out/setup.exe"
  "$sfxpack" build "$out/payload" -o "$out/setup.exe" --stub "$stub"
  "$sfxpack" list "$out/setup.exe"
  exec scripts/with-wine.sh - "$0" --inside-wine
fi

# Inside with-wine.sh: WINEPREFIX and DISPLAY are set.
wine=/usr/lib/wine/wine64
winpath() { echo "Z:$(realpath -m "$1" | tr / '\\')"; }
temp_win='C:\demo\Temp'
temp_unix=$WINEPREFIX/drive_c/demo/Temp
tmp_vnd=$temp_unix/tmp_vnd
rm -rf "$temp_unix" "$out"/state
mkdir -p "$out/state"
st=$out/state

echo "== Running setup.exe auto=1 under Wine (TEMP=$temp_win)"
set +e
"$wine" "$helpers/launcher.exe" --temp "$temp_win" --timeout 120 "$(winpath "$out/setup.exe")" "auto=1" \
  >"$st/launcher.out" 2>&1
launch_rc=$?
set -e

# The pictures come from a second run: with "auto=1" the confirmation dialog
# is gone before it is ever painted. Here a watcher waits for it, takes the
# picture and presses OK as a user would; a second one holds the extraction
# dialog still for its picture, while the stub clears the thousands of stale
# files this run leaves in its tmp_vnd first.
cam_win='C:\demo\Camera'
cam_unix=$WINEPREFIX/drive_c/demo/Camera
rm -rf "$cam_unix"
mkdir -p "$cam_unix/tmp_vnd"
/usr/bin/python3 -c 'import sys
for i in range(4000): open("%s/stale%04d.tmp" % (sys.argv[1], i), "w").close()' "$cam_unix/tmp_vnd"
watch() {  # name, text to look for, dlgclick options...
  local name=$1 has=$2; shift 2
  "$wine" "$helpers/dlgclick.exe" --class '#32770' --has "$has" --timeout 60 \
    --ready-file "$(winpath "$st/$name.ready")" --found-file "$(winpath "$st/$name.found")" \
    --go-file "$(winpath "$st/$name.go")" "$@" >"$st/$name.out" 2>&1 &
  watchers+=($!)
}
watchers=()
watch confirmation-dialog "Ce programme va lancer" --press 1
watch extraction-dialog "... pr" --suspend --suspend-after 300
for name in confirmation-dialog extraction-dialog; do
  for _ in $(seq 300); do [ -e "$st/$name.ready" ] && break; sleep 0.1; done
done
(
  for name in confirmation-dialog extraction-dialog; do
    for _ in $(seq 600); do [ -e "$st/$name.found" ] || [ -e "$st/done" ] && break; sleep 0.05; done
    if [ -e "$st/$name.found" ]; then
      [ "$name" = confirmation-dialog ] && sleep 0.5  # let it paint
      xwd -root -silent -display "$DISPLAY" | /usr/bin/convert xwd:- "$out/screenshots/$name.png"
    fi
    touch "$st/$name.go"
  done
) &
camera=$!
"$wine" "$helpers/launcher.exe" --temp "$cam_win" --timeout 120 "$(winpath "$out/setup.exe")" \
  >"$st/camera-launcher.out" 2>&1 || true
touch "$st/done"
wait "$camera" || true
for p in "${watchers[@]}"; do kill "$p" 2>/dev/null || true; wait "$p" 2>/dev/null || true; done

stub_exit=$(sed -n 's/^stub-exit=//p' "$st/launcher.out" | tr -d '\r')
echo "setup.exe ended with exit code ${stub_exit:-?} (launcher: $launch_rc)"

echo
echo "== Files extracted into $temp_win\\tmp_vnd"
printf '  %-20s %10s  %-30s %s\n' name bytes "last-write time (UTC)" "same as the input?"
for f in "$out"/payload/*; do
  n=$(basename "$f")
  x=$tmp_vnd/$n
  if [ -f "$x" ]; then
    same=no
    cmp -s "$f" "$x" && [ "$(stat -c %Y "$f")" = "$(stat -c %Y "$x")" ] && same="yes (bytes and time)"
    printf '  %-20s %10s  %-30s %s\n' "$n" "$(stat -c %s "$x")" \
      "$(date -u -d @"$(stat -c %Y "$x")" '+%Y-%m-%d %H:%M:%S')" "$same"
  else
    printf '  %-20s missing\n' "$n"
  fi
done
echo
echo "== Programs started (their own report, $temp_win\\tmp_vnd\\report.txt)"
if [ -f "$tmp_vnd/report.txt" ]; then
  tr -d '\r' <"$tmp_vnd/report.txt" | sed 's/^/  /'
else
  echo "  none"
fi
echo
echo "== Screenshots"
for name in confirmation-dialog extraction-dialog; do
  shot=$out/screenshots/$name.png
  if [ -f "$shot" ]; then
    note=""
    rect=$(head -n 1 "$st/$name.found" | cut -f4)
    IFS=, read -r l t r b <<<"$rect"
    mean=$(/usr/bin/convert "$shot" -crop "$((r - l))x$((b - t))+$l+$t" -format '%[fx:mean]' info: 2>/dev/null || echo 0)
    awk -v m="$mean" 'BEGIN { exit !(m < 0.2) }' && note=" (on screen but not painted: a black box)"
    echo "  $name: $(realpath "$shot")$note"
  else
    echo "  $name: not caught"
  fi
done
[ "$stub_exit" = 0 ] && [ -f "$tmp_vnd/report.txt" ]
