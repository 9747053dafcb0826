#!/usr/bin/env bash
# Installs what the build and the tests need on a Debian 12 machine. Safe to run
# again: it only installs what is missing and only mounts what is not mounted.
set -euo pipefail

need32=0
[ "${1:-}" = "--with-wine32" ] && need32=1

pkgs=(cmake g++ make
      g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
      binutils-mingw-w64-i686 binutils-mingw-w64-x86-64
      wine wine64 xvfb xauth x11-apps x11-utils imagemagick python3-pefile
      googletest libgtest-dev libbenchmark-dev zlib1g-dev clang)
pkgs32=(wine32:i386 qemu-user-static)

missing() {
  local p out=()
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || out+=("$p")
  done
  echo "${out[@]:-}"
}

sudo_=""
[ "$(id -u)" = 0 ] || sudo_="sudo"

todo=$(missing "${pkgs[@]}")
if [ "$need32" = 1 ]; then
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $sudo_ dpkg --add-architecture i386
    rm -f /tmp/.sfx-apt-updated
  fi
  todo="$todo $(missing "${pkgs32[@]}")"
fi
todo=$(echo $todo)
if [ -n "$todo" ]; then
  echo "install-deps: installing $todo"
  if [ ! -e /tmp/.sfx-apt-updated ]; then
    $sudo_ apt-get update -qq && touch /tmp/.sfx-apt-updated
  fi
  DEBIAN_FRONTEND=noninteractive $sudo_ apt-get install -y -qq --no-install-recommends $todo >/dev/null
fi

if [ "$need32" = 1 ]; then
  # The kernel runs no 32-bit code itself: qemu-i386 runs the 32-bit Wine loader.
  [ -e /proc/sys/fs/binfmt_misc/register ] || $sudo_ mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc
  if [ ! -e /proc/sys/fs/binfmt_misc/qemu-i386 ]; then
    echo ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386-static:F' \
      | $sudo_ tee /proc/sys/fs/binfmt_misc/register >/dev/null
  fi
fi
exit 0
