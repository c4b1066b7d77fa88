#!/usr/bin/env bash
# Installs what a fresh Debian 12 machine lacks to build and test Varnoq.
# Idempotent: when everything is present it only checks and returns.
set -euo pipefail

need=()
have_cmd() { command -v "$1" >/dev/null 2>&1; }
have_pkg() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }

have_cmd i686-w64-mingw32-g++-posix || need+=(g++-mingw-w64-i686)
have_pkg wine32:i386 || need+=(wine wine32:i386 wine64)
have_cmd Xvfb || need+=(xvfb)
have_cmd xdotool || need+=(xdotool)
have_cmd import || need+=(imagemagick)
have_cmd cmake || need+=(cmake)
have_cmd clang++-14 || need+=(clang-14)
have_pkg libclang-rt-14-dev || need+=(libclang-rt-14-dev)
[ -d /usr/src/googletest ] || need+=(googletest)
have_cmd python3 || need+=(python3)

if [ ${#need[@]} -eq 0 ]; then
  exit 0
fi

echo "setup: installing ${need[*]}"
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
if [[ " ${need[*]} " == *":i386"* ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
fi
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${need[@]}" >/dev/null
