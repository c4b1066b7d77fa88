#!/usr/bin/env bash
# Builds everything and runs every test this machine can run: the Windows
# suite under Wine on a private Xvfb display, once per architecture the
# machine executes (x86_64 always, the shipped i686 where 32-bit programs
# run), the sanitizer build of the portable core, the fuzz corpora and a
# short fuzz run. Says which suites ran and which could not; ends with one
# line "N passed, N failed" counting what ran.
#
#   scripts/test.sh                  everything
#   scripts/test.sh -R core_tests    only the CTest entries matching a regex (no fuzzing)
#   scripts/test.sh --fuzz-seconds 600   fuzz each target longer
#   VARNOQ_ARCHS=x86_64 scripts/test.sh  as on a machine without 32-bit execution
set -uo pipefail

ROOT="$(cd "$(dirname "$0")/.." && pwd)"
VARNOQ_ROOT="$ROOT"
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
SUITES=()     # label=results folder, for the summary
NOT_RUN=()    # "label: why"

note() { printf '== [%dm%02ds] %s\n' $((SECONDS / 60)) $((SECONDS % 60)) "$*"; }
stage_failed() { echo "!! $*"; STAGE_FAILED=1; EXTRA_FAILED=$((EXTRA_FAILED + 1)); }

"$ROOT/scripts/setup.sh" || { echo "setup failed"; echo "0 passed, 1 failed"; exit 1; }

source "$ROOT/scripts/platform.sh"
RUN_ARCHS=($(runnable_archs))
if machine_runs_i686; then note "this machine runs 32-bit x86 programs"; else note "this machine cannot run 32-bit x86 programs"; fi
note "Windows suites to run: ${RUN_ARCHS[*]:-none}"

cleanup() {
  wineserver -k >/dev/null 2>&1 || true
  [ -n "${XVFB_PID:-}" ] && kill "$XVFB_PID" >/dev/null 2>&1
  return 0
}
trap cleanup EXIT

# --- builds -------------------------------------------------------------
# Both builds are compiled whole even where one cannot run: the shipped i686
# program and its tests must compile (a lambda passed as a WINAPI callback,
# say, compiles for x86_64 only), and its package is checked below.
for arch in x86_64 i686; do
  wanted_arch "$arch" || [ "$arch" = i686 ] || continue
  if [[ " ${RUN_ARCHS[*]} " == *" $arch "* ]]; then
    note "Windows build, $arch: everything, to run"
  else
    note "Windows build, $arch: everything, compiled only"
  fi
  build_windows "$arch" || stage_failed "$arch Windows build failed"
done

note "host build (clang, ASan/UBSan, libFuzzer)"
if ! { CC=clang-14 CXX=clang++-14 cmake -S "$ROOT" -B "$BUILD/host" -DVARNOQ_HOST=ON >/dev/null &&
       cmake --build "$BUILD/host" -j"$JOBS" 2>&1 | grep -vE "^\[ *[0-9]+%\]"; test "${PIPESTATUS[0]}" -eq 0; }; then
  stage_failed "host build failed"
fi

# --- tests --------------------------------------------------------------
# run_ctest DIR JOBS [REGEX]: the entries matching REGEX (default: the -R
# filter given, else all).
run_ctest() {
  local dir="$1" jobs="$2" regex="${3:-$FILTER}"
  [ -f "$dir/CTestTestfile.cmake" ] || return 0
  rm -rf "$dir/results" && mkdir -p "$dir/results"
  local args=(--test-dir "$dir" --output-on-failure --output-junit "$dir/results/ctest.xml" -j"$jobs")
  [ -n "$regex" ] && args+=(-R "$regex")
  ctest "${args[@]}" </dev/null
}

source "$ROOT/scripts/wine-env.sh" "${RUN_ARCHS[0]:-x86_64}"
start_display
for arch in x86_64 i686; do
  dir="$(build_dir_for "$arch")"
  if [[ " ${RUN_ARCHS[*]} " == *" $arch "* ]]; then
    # One Windows test at a time: Wine's processes share one desktop, and
    # one test taking the foreground would close another's focus-bound windows.
    note "Windows suite, $arch, under Wine"
    source "$ROOT/scripts/wine-env.sh" "$arch"
    start_wine
    run_ctest "$dir" 1
    wineserver -k >/dev/null 2>&1
    SUITES+=("Windows $arch=$dir/results")
  else
    NOT_RUN+=("Windows $arch: $(arch_unavailable_reason "$arch")")
    if [ "$arch" = i686 ] && [[ package_contents =~ ${FILTER:-.} ]]; then
      # The package check executes nothing, so it runs here all the same.
      note "i686 package check (executes nothing)"
      run_ctest "$dir" 1 '^package_contents$'
      SUITES+=("i686 package check=$dir/results")
    fi
  fi
done
note "host tests (ASan/UBSan)"
run_ctest "$BUILD/host" "$JOBS"
SUITES+=("host=$BUILD/host/results")

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

not_run_args=()
for n in "${NOT_RUN[@]}"; do not_run_args+=(--not-run "$n"); done
python3 "$ROOT/scripts/summarize.py" --extra-passed "$EXTRA_PASSED" --extra-failed "$EXTRA_FAILED" \
  "${not_run_args[@]}" "${SUITES[@]}"
status=$?
[ "$STAGE_FAILED" -eq 0 ] || status=1
exit $status
