#!/usr/bin/env bash
# Runs the start-up benchmark on the packaged (stripped) program: the program
# against a bare window program, interleaved, then the program's start-up
# step by step in-process. Prints figures; never fails on them.
#
#   scripts/bench.sh [RUNS]     RUNS launches of each (default 21)
set -euo pipefail

ROOT="$(cd "$(dirname "$0")/.." && pwd)"
RUNS="${1:-21}"
BUILD="$ROOT/build/win"
"$ROOT/scripts/package.sh" --stage >/dev/null
cmake --build "$BUILD" -j"$(nproc)" --target bench_startup bench_startup_steps 2>&1 | grep -vE "^\[ *[0-9]+%\]" || true
[ "${PIPESTATUS[0]}" -eq 0 ] || exit 1
# A copy of the packaged folder (the service writes its log there), with the
# step-by-step program beside the packaged files, stripped as they are.
FOLDER="$ROOT/build/bench-startup"
rm -rf "$FOLDER"
cp -r "$ROOT/build/package/Varnoq" "$FOLDER"
i686-w64-mingw32-strip --strip-all -o "$FOLDER/bench_startup_steps.exe" "$BUILD/bin/bench_startup_steps.exe"

source "$ROOT/scripts/wine-env.sh"
cleanup() {
  wineserver -k >/dev/null 2>&1
  [ -n "${XVFB_PID:-}" ] && kill "$XVFB_PID" >/dev/null 2>&1
  return 0
}
trap cleanup EXIT
start_display
start_wine
out="$ROOT/build/bench-startup.txt"
(cd "$BUILD/bench" && wine bench_startup.exe "$(winepath -w "$FOLDER" 2>/dev/null)" "$RUNS" >"$out" 2>&1 </dev/null)
(cd "$FOLDER" && wine bench_startup_steps.exe 9 >>"$out" 2>&1 </dev/null)
cat "$out"
