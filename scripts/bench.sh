#!/usr/bin/env bash
# Runs the start-up benchmark on the packaged (stripped) program: the program
# against a bare window program, interleaved, then the program's start-up
# step by step in-process. Prints figures; never fails on them.
#
#   scripts/bench.sh [RUNS] [--arch i686|x86_64]
#                               RUNS launches of each (default 21), of the
#                               shipped i686 build where this machine runs
#                               32-bit programs, of the x86_64 build otherwise
set -euo pipefail

ROOT="$(cd "$(dirname "$0")/.." && pwd)"
VARNOQ_ROOT="$ROOT"
source "$ROOT/scripts/platform.sh"
RUNS=21
ARCH=""
while [ $# -gt 0 ]; do
  case "$1" in
    --arch) ARCH="${2:-}"; shift $(($# < 2 ? 1 : 2)) ;;
    [0-9]*) RUNS="$1"; shift ;;
    *) echo "usage: $0 [RUNS] [--arch i686|x86_64]" >&2; exit 2 ;;
  esac
done
ARCH="$(arch_to_run "$ARCH")" || exit $?
echo "== benchmarking the $ARCH build"
BUILD="$(build_dir_for "$ARCH")"
STAGE_DIR="$ROOT/build/bench-package-$ARCH"
PACKAGE_DIR="$STAGE_DIR" "$ROOT/scripts/package.sh" --stage --arch "$ARCH" >/dev/null
build_windows "$ARCH" bench_startup bench_startup_steps || exit 1
# A copy of the packaged folder (the service writes its log there), with the
# step-by-step program beside the packaged files, stripped as they are.
FOLDER="$ROOT/build/bench-startup"
rm -rf "$FOLDER"
cp -r "$STAGE_DIR/Varnoq" "$FOLDER"
"$ARCH-w64-mingw32-strip" --strip-all -o "$FOLDER/bench_startup_steps.exe" "$BUILD/bin/bench_startup_steps.exe"

source "$ROOT/scripts/wine-env.sh" "$ARCH"
cleanup() {
  wineserver -k >/dev/null 2>&1
  [ -n "${XVFB_PID:-}" ] && kill "$XVFB_PID" >/dev/null 2>&1
  return 0
}
trap cleanup EXIT
start_display
start_wine
out="$ROOT/build/bench-startup.txt"
echo "architecture: $ARCH (the $ARCH build under its own Wine)" >"$out"
(cd "$BUILD/bench" && wine bench_startup.exe "$(wine winepath.exe -w "$FOLDER" 2>/dev/null | tr -d "\r")" "$RUNS" >>"$out" 2>&1 </dev/null)
(cd "$FOLDER" && wine bench_startup_steps.exe 9 >>"$out" 2>&1 </dev/null)
cat "$out"
