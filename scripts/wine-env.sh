# Sourced by the scripts that run Windows programs here: a project-local Wine
# prefix for one architecture, an X display and one long-lived wineserver.
#
#   source scripts/wine-env.sh [i686|x86_64]
#
# Without an argument: VARNOQ_ARCH when set, else the shipped i686 where this
# machine runs 32-bit programs and x86_64 otherwise. Each architecture has a
# prefix of its own, made once with its own Wine (build/wineprefix for i686,
# build/wineprefix64 for x86_64); `wine` then runs that architecture's loader.
VARNOQ_ROOT="${VARNOQ_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}"
source "$VARNOQ_ROOT/scripts/platform.sh"
VARNOQ_ARCH="${1:-${VARNOQ_ARCH:-$(default_arch)}}"
export VARNOQ_ARCH
if [ "$VARNOQ_ARCH" = x86_64 ]; then
  export WINEPREFIX="$VARNOQ_ROOT/build/wineprefix64"
  export WINEARCH=win64
  VARNOQ_WINE="$VARNOQ_ROOT/scripts/wine64"
else
  export WINEPREFIX="$VARNOQ_ROOT/build/wineprefix"
  export WINEARCH=win32
  VARNOQ_WINE=/usr/bin/wine
fi
export VARNOQ_WINE
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
wine() { "$VARNOQ_WINE" "$@"; }

# Starts Xvfb on a free display. No window manager: Wine then handles focus
# and activation itself, as Windows does (a manager's focus-stealing rules
# would refuse a second program bringing a window to the front). Keeps an
# existing DISPLAY when VARNOQ_USE_DISPLAY=1.
start_display() {
  if [ "${VARNOQ_USE_DISPLAY:-0}" = 1 ] && [ -n "${DISPLAY:-}" ]; then return 0; fi
  local n=90
  while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
  Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  XVFB_PID=$!
  export DISPLAY=":$n"
  # An X server without resources makes Xlib read the resource files on
  # every lookup: see the file.
  export XENVIRONMENT="$VARNOQ_ROOT/scripts/headless.Xresources"
  for _ in $(seq 100); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.05; done
}

# Creates the prefix once (never lazily from parallel tests), then keeps one
# wineserver alive. Every output is redirected: Wine's background processes
# inherit open pipes and would hold a caller's pipeline open.
start_wine() {
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "== creating the $VARNOQ_ARCH Wine prefix (once, ~15 s)"
    mkdir -p "$(dirname "$WINEPREFIX")"
    wine wineboot.exe -i >/dev/null 2>&1 </dev/null
    wineserver -w >/dev/null 2>&1 </dev/null
  fi
  wineserver -p >/dev/null 2>&1 </dev/null
  # Wine draws and activates every window itself instead of handing framed
  # ones to a window manager: without a manager, each hide or destroy of a
  # framed window would wait 2 s for one to answer. Set on every start, as
  # a killed server may not have saved its registry.
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 </dev/null
  # Start Wine's own services now, with no pipe to inherit.
  wine cmd /c exit >/dev/null 2>&1 </dev/null
}

# Points WINEPREFIX at a copy of the prefix whose
# HKCU\Control Panel\Desktop\LogPixels says $1 (made once, beside it):
# Wine takes the display's resolution from there. The prefix every other
# run uses is never written, so a run cut short leaves no other resolution
# behind. Start no wineserver before calling this.
use_dpi_prefix() {
  local dpi="$1" base="$WINEPREFIX" entry
  [ "$dpi" = 96 ] && return 0
  [ -f "$base/system.reg" ] || { start_wine; wineserver -k >/dev/null 2>&1 </dev/null; }
  export WINEPREFIX="$base-dpi$dpi"
  if [ ! -f "$WINEPREFIX/.dpi-$dpi" ]; then
    # Made aside and moved into place whole: an interrupted copy is never
    # taken for a finished one. The system folders, which nothing writes at
    # run time, are hard links; the registry and the rest are copies.
    rm -rf "$WINEPREFIX.new"
    mkdir -p "$WINEPREFIX.new/drive_c/windows"
    for entry in "$base"/* "$base"/.[!.]*; do
      [ -e "$entry" ] || [ -L "$entry" ] || continue
      [ "$(basename "$entry")" = drive_c ] || cp -a "$entry" "$WINEPREFIX.new/"
    done
    for entry in "$base"/drive_c/*; do
      [ "$(basename "$entry")" = windows ] || cp -a "$entry" "$WINEPREFIX.new/drive_c/"
    done
    for entry in "$base"/drive_c/windows/*; do
      case "$(basename "$entry")" in
        system32 | syswow64) cp -al "$entry" "$WINEPREFIX.new/drive_c/windows/" ;;
        *) cp -a "$entry" "$WINEPREFIX.new/drive_c/windows/" ;;
      esac
    done
    rm -rf "$WINEPREFIX"
    mv "$WINEPREFIX.new" "$WINEPREFIX"
    wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1 </dev/null
    wineserver -w >/dev/null 2>&1 </dev/null
    touch "$WINEPREFIX/.dpi-$dpi"
  fi
}
