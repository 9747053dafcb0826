#!/usr/bin/env bash
# Runs a command with a private Wine prefix, a warm wineserver and an Xvfb
# display, and stops both afterwards. Usage: with-wine.sh PREFIX_DIR CMD...
# A PREFIX_DIR of "-" names the shared prefix ($SFX_WINEPREFIX, by default under
# ~/.cache), made once per machine and reused by every later run and clone.
set -u
prefix=$1; shift
[ "$prefix" = "-" ] && prefix=${SFX_WINEPREFIX:-${XDG_CACHE_HOME:-$HOME/.cache}/sfxstub/wineprefix}
prefix=$(realpath -m "$prefix")
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export WINESERVER=/usr/lib/wine/wineserver64

# A display number nobody else holds.
disp=""
for n in $(seq 90 140); do
  if [ ! -e /tmp/.X$n-lock ] && [ ! -e /tmp/.X11-unix/X$n ]; then disp=$n; break; fi
done
[ -n "$disp" ] || { echo "with-wine: no free X display" >&2; exit 1; }
Xvfb ":$disp" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xpid=$!
export DISPLAY=":$disp"
for _ in $(seq 50); do [ -e /tmp/.X11-unix/X$disp ] && break; sleep 0.1; done

# A prefix whose making was cut off is made again from scratch.
if [ -e "$prefix/.sfx-making" ]; then
  rm -rf "$prefix"
fi
if [ ! -f "$prefix/system.reg" ]; then
  echo "with-wine: making the Wine prefix $prefix (once; minutes when the 32-bit side is set up too)" >&2
  mkdir -p "$prefix"
  touch "$prefix/.sfx-making"
  /usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1
  # Without a window manager Wine waits for each managed window to be unmapped;
  # unmanaged windows make every dialog close at once.
  /usr/lib/wine/wine64 reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
  $WINESERVER -w
  rm -f "$prefix/.sfx-making"
fi
$WINESERVER -p >/dev/null 2>&1
# The first Wine process of a session starts Wine's own services, which would
# otherwise inherit (and hold open) the output pipe of the command we run.
/usr/lib/wine/wine64 cmd /c exit </dev/null >/dev/null 2>&1

cleanup() {
  $WINESERVER -k >/dev/null 2>&1
  kill "$xpid" 2>/dev/null
  wait "$xpid" 2>/dev/null
}
trap cleanup EXIT
"$@"
