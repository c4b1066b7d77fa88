#!/usr/bin/env bash
# Builds everything and runs every test: the Windows tests under Wine on a
# private Xvfb display, the sanitizer build of the portable core, the fuzz
# corpora and a short fuzz run. Ends with one line "N passed, N failed".
#
#   scripts/test.sh                  everything
#   scripts/test.sh -R core_tests    only the CTest entries matching a regex (no fuzzing)
#   scripts/test.sh --fuzz-seconds 600   fuzz each target longer
set -uo pipefail

ROOT="$(cd "$(dirname "$0")/.." && pwd)"
FILTER=""
FUZZ_SECONDS=20
while [ $# -gt 0 ]; do
  case "$1" in
    -R) FILTER="$2"; shift 2 ;;
    --fuzz-seconds) FUZZ_SECONDS="$2"; shift 2 ;;
    *) echo "usage: $0 [-R regex] [--fuzz-seconds N]" >&2; exit 2 ;;
  esac
done

BUILD="$ROOT/build"
JOBS="$(nproc)"
EXTRA_PASSED=0
EXTRA_FAILED=0
STAGE_FAILED=0

note() { echo "== $*"; }
stage_failed() { echo "!! $*"; STAGE_FAILED=1; EXTRA_FAILED=$((EXTRA_FAILED + 1)); }

"$ROOT/scripts/setup.sh" || { echo "setup failed"; echo "0 passed, 1 failed"; exit 1; }

source "$ROOT/scripts/wine-env.sh"

cleanup() {
  wineserver -k >/dev/null 2>&1 || true
  [ -n "${XVFB_PID:-}" ] && kill "$XVFB_PID" >/dev/null 2>&1
  return 0
}
trap cleanup EXIT

# --- builds -------------------------------------------------------------
note "Windows build (i686-w64-mingw32)"
if ! { cmake -S "$ROOT" -B "$BUILD/win" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/i686-w64-mingw32.cmake" >/dev/null &&
       cmake --build "$BUILD/win" -j"$JOBS" 2>&1 | grep -vE "^\[ *[0-9]+%\]"; test "${PIPESTATUS[0]}" -eq 0; }; then
  stage_failed "Windows build failed"
fi

note "host build (clang, ASan/UBSan, libFuzzer)"
if ! { CC=clang-14 CXX=clang++-14 cmake -S "$ROOT" -B "$BUILD/host" -DVARNOQ_HOST=ON >/dev/null &&
       cmake --build "$BUILD/host" -j"$JOBS" 2>&1 | grep -vE "^\[ *[0-9]+%\]"; test "${PIPESTATUS[0]}" -eq 0; }; then
  stage_failed "host build failed"
fi

# --- display and Wine ---------------------------------------------------
start_display
start_wine

# --- tests --------------------------------------------------------------
run_ctest() {
  local dir="$1" jobs="$2"
  [ -f "$dir/CTestTestfile.cmake" ] || return 0
  rm -rf "$dir/results" && mkdir -p "$dir/results"
  local args=(--test-dir "$dir" --output-on-failure --output-junit "$dir/results/ctest.xml" -j"$jobs")
  [ -n "$FILTER" ] && args+=(-R "$FILTER")
  ctest "${args[@]}" </dev/null
}

# One Windows test at a time: Wine's processes share one desktop, and one
# test taking the foreground would close another's focus-bound windows.
note "Windows tests under Wine"
run_ctest "$BUILD/win" 1
note "host tests (ASan/UBSan)"
run_ctest "$BUILD/host" "$JOBS"

# --- fuzzing ------------------------------------------------------------
if [ -z "$FILTER" ]; then
  for fuzzer in "$BUILD"/host/tests/fuzz/fuzz_*; do
    [ -x "$fuzzer" ] || continue
    name="$(basename "$fuzzer")"
    corpus="$ROOT/tests/fuzz/corpus/${name#fuzz_}"
    work="$BUILD/host/fuzz-work/${name#fuzz_}"
    note "$name: replay of $(ls "$corpus" | wc -l) corpus files"
    if "$fuzzer" -runs=0 "$corpus" >"$BUILD/host/$name.replay.log" 2>&1; then
      EXTRA_PASSED=$((EXTRA_PASSED + 1))
    else
      tail -30 "$BUILD/host/$name.replay.log"; stage_failed "$name corpus replay"
    fi
    note "$name: fuzzing for ${FUZZ_SECONDS}s"
    mkdir -p "$work" && cp -n "$corpus"/* "$work"/
    if "$fuzzer" -max_total_time="$FUZZ_SECONDS" -print_final_stats=1 "$work" >"$BUILD/host/$name.fuzz.log" 2>&1; then
      grep -E "stat::number_of_executed_units" "$BUILD/host/$name.fuzz.log" | sed 's/^/   /'
      EXTRA_PASSED=$((EXTRA_PASSED + 1))
    else
      tail -30 "$BUILD/host/$name.fuzz.log"; stage_failed "$name found a crash (see $BUILD/host/$name.fuzz.log)"
    fi
  done
fi

python3 "$ROOT/scripts/summarize.py" --extra-passed "$EXTRA_PASSED" --extra-failed "$EXTRA_FAILED" \
  "$BUILD/win/results" "$BUILD/host/results"
status=$?
[ "$STAGE_FAILED" -eq 0 ] || status=1
exit $status
