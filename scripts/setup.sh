#!/usr/bin/env bash
# Installs what a fresh Debian 12 machine lacks to build and test Varnoq:
# both MinGW-w64 cross compilers, 64-bit Wine, and 32-bit Wine only where
# this machine executes 32-bit code (elsewhere it could not start anyway).
# Idempotent: when everything is present it only checks and returns.
set -euo pipefail
VARNOQ_ROOT="$(cd "$(dirname "$0")/.." && pwd)"
source "$VARNOQ_ROOT/scripts/platform.sh"

need=()
have_cmd() { command -v "$1" >/dev/null 2>&1; }
have_pkg() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }

have_cmd i686-w64-mingw32-g++-posix || need+=(g++-mingw-w64-i686)
have_cmd x86_64-w64-mingw32-g++-posix || need+=(g++-mingw-w64-x86-64)
[ -x /usr/lib/wine/wine64 ] && have_cmd wine || need+=(wine wine64)
if machine_runs_i686; then
  have_pkg wine32:i386 || need+=(wine32:i386)
fi
have_cmd Xvfb || need+=(xvfb)
have_cmd xdotool || need+=(xdotool)
have_cmd import || need+=(imagemagick)
have_cmd cmake || need+=(cmake)
have_cmd clang++-14 || need+=(clang-14)
have_pkg libclang-rt-14-dev || need+=(libclang-rt-14-dev)
[ -d /usr/src/googletest ] || need+=(googletest)
have_cmd python3 || need+=(python3)
# Keeps compiled objects between runs of the same checkout and across
# checkouts; the builds work without it.
have_cmd ccache || need+=(ccache)

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
