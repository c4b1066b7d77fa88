# Sourced by the scripts: which Windows architectures this machine can run.
#
# The shipped program is 32-bit (i686); the same sources also build for
# x86_64, which runs under 64-bit Wine on every machine here. Some machines
# boot with the kernel's IA-32 emulation off: no 32-bit program, Linux or
# Windows, starts there, so only the x86_64 build can be run and tested.
#
# VARNOQ_ARCHS (default "i686 x86_64") names the architectures wanted; an
# architecture this machine cannot run is left out and reported as not run.
# VARNOQ_ARCHS=x86_64 makes a machine that runs both behave like one that
# cannot run 32-bit code.

# Asks the kernel to execute a 93-byte 32-bit x86 program that only exits
# with 0; where IA-32 emulation is off, exec fails with "Exec format error".
machine_runs_i686() {
  if [ -z "${VARNOQ_RUNS_I686:-}" ]; then
    local probe
    probe="$(mktemp "${TMPDIR:-/tmp}/varnoq-ia32-probe.XXXXXX")" || return 1
    # ELF header, one loadable segment, then: xor ebx,ebx; mov eax,1; int 0x80
    printf '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00'`
          `'\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00'`
          `'\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00'`
          `'\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08'`
          `'\x5d\x00\x00\x00\x5d\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00'`
          `'\x31\xdb\xb8\x01\x00\x00\x00\xcd\x80' >"$probe"
    chmod +x "$probe"
    if "$probe" >/dev/null 2>&1; then VARNOQ_RUNS_I686=yes; else VARNOQ_RUNS_I686=no; fi
    rm -f "$probe"
    export VARNOQ_RUNS_I686
  fi
  [ "$VARNOQ_RUNS_I686" = yes ]
}

wanted_arch() { [[ " ${VARNOQ_ARCHS:-i686 x86_64} " == *" $1 "* ]]; }

# The architectures to run, in the order to run them: x86_64 first (every
# machine), then i686 where the machine executes it and it is wanted.
runnable_archs() {
  local archs=()
  wanted_arch x86_64 && archs+=(x86_64)
  wanted_arch i686 && machine_runs_i686 && archs+=(i686)
  echo "${archs[*]}"
}

# The architecture a single run (the program, the benchmark) uses: the
# shipped i686 where it runs, x86_64 otherwise.
default_arch() {
  if wanted_arch i686 && machine_runs_i686; then echo i686; else echo x86_64; fi
}

# Why an architecture cannot run here, or nothing when it can.
arch_unavailable_reason() {
  case "$1" in
    x86_64) wanted_arch x86_64 || echo "left out by VARNOQ_ARCHS=${VARNOQ_ARCHS:-}" ;;
    i686)
      if ! machine_runs_i686; then
        echo "this machine cannot run 32-bit x86 programs (the kernel's IA-32 emulation is off)"
      elif ! wanted_arch i686; then
        echo "left out by VARNOQ_ARCHS=${VARNOQ_ARCHS:-}"
      fi ;;
    *) echo "unknown architecture $1 (i686 or x86_64)" ;;
  esac
}

# The architecture a run asked for with --arch (empty: default_arch), checked
# against this machine. Prints it, or says why not and exits: 2 for a name
# that is no architecture, 3 for one this machine cannot run.
arch_to_run() {
  case "$1" in
    "") default_arch ;;
    i686|x86_64)
      local why
      why="$(arch_unavailable_reason "$1")"
      if [ -n "$why" ]; then
        echo "Cannot run the $1 build: $why. The x86_64 build runs here: --arch x86_64" >&2
        exit 3
      fi
      echo "$1" ;;
    *) echo "--arch takes i686 or x86_64" >&2; exit 2 ;;
  esac
}

build_dir_for() { if [ "$1" = i686 ]; then echo "$VARNOQ_ROOT/build/win"; else echo "$VARNOQ_ROOT/build/win64"; fi; }
toolchain_for() { echo "$VARNOQ_ROOT/cmake/$1-w64-mingw32.cmake"; }

# What ships, and what the program needs beside it to run.
SHIPPED_TARGETS=(Varnoq KeyboardService TORSTR TORGFX TORLANG TORSTR_TRANSLATED sample_kfd)

# Configures and builds one architecture's Windows build; with targets, only
# those. Prints compiler output without the progress lines.
build_windows() {
  local arch="$1"; shift
  local dir targets=()
  dir="$(build_dir_for "$arch")"
  for t in "$@"; do targets+=(--target "$t"); done
  cmake -S "$VARNOQ_ROOT" -B "$dir" -DCMAKE_TOOLCHAIN_FILE="$(toolchain_for "$arch")" >/dev/null || return 1
  cmake --build "$dir" -j"$(nproc)" "${targets[@]}" 2>&1 | grep -vE "^\[ *[0-9]+%\]|^Built target"
  return "${PIPESTATUS[0]}"
}

# With ccache, checkouts in other folders (CI's fresh clone among them) reuse
# each other's objects: paths are taken relative to the checkout. Nothing
# compiled in names an absolute path of the tree.
export CCACHE_BASEDIR="$VARNOQ_ROOT" CCACHE_NOHASHDIR=1
