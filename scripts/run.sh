#!/usr/bin/env bash
# Runs Varnoq with the stand-in keyboard service under Wine: on your display
# when there is one, otherwise on a private Xvfb display, where it saves a
# screenshot of the window, prints its path and closes the window again.
# The service is stopped when Varnoq ends.
#
#   scripts/run.sh              English, the program's own resources
#   scripts/run.sh --language   German: the program run from <build>/language,
#                               a copy of the bin folder with TORLANG.DLL and
#                               the translated TORSTR.DLL beside it
#   scripts/run.sh --page N     headless: the screenshot shows page N (0 Keys,
#                               1 OSD, 2 Key Status), saved as
#                               build/varnoq-screenshot-page<N>.png
#   scripts/run.sh --dpi N      as on a display of N dpi (120, 144, 192 ...),
#                               in a Wine prefix of its own that says so;
#                               screenshots get a suffix "-<N>dpi"
#   scripts/run.sh --arch A     the i686 or the x86_64 build; by default the
#                               shipped i686 where this machine runs 32-bit
#                               programs, the x86_64 build otherwise
set -uo pipefail

ROOT="$(cd "$(dirname "$0")/.." && pwd)"
VARNOQ_ROOT="$ROOT"
source "$ROOT/scripts/platform.sh"
LANGUAGE=0
PAGE=""
ARCH=""
DPI=96
while [ $# -gt 0 ]; do
  case "$1" in
    --language) LANGUAGE=1; shift ;;
    --page) PAGE="${2:-}"; shift 2 || { echo "--page needs a number" >&2; exit 2; } ;;
    --arch) ARCH="${2:-}"; shift 2 || { echo "--arch needs i686 or x86_64" >&2; exit 2; } ;;
    --dpi) DPI="${2:-}"; shift 2 || { echo "--dpi needs a number" >&2; exit 2; } ;;
    *) echo "usage: $0 [--language] [--page 0|1|2] [--arch i686|x86_64] [--dpi N]" >&2; exit 2 ;;
  esac
done
case "$PAGE" in ""|0|1|2) ;; *) echo "--page takes 0, 1 or 2" >&2; exit 2 ;; esac
case "$DPI" in [1-9][0-9]|[1-9][0-9][0-9]) ;; *) echo "--dpi takes a number from 10 to 999" >&2; exit 2 ;; esac
# A point of the window given at 96 dpi, at the display's resolution.
at_dpi() { echo $(( ($1 * DPI + 48) / 96 )); }
ARCH="$(arch_to_run "$ARCH")" || exit $?
echo "== running the $ARCH build"
BUILD="$(build_dir_for "$ARCH")"
BIN="$BUILD/bin"

"$ROOT/scripts/setup.sh" || exit 1
build_windows "$ARCH" "${SHIPPED_TARGETS[@]}" || exit 1

if [ "$LANGUAGE" = 1 ]; then
  # An installation of its own, so the bin folder keeps the English texts
  # the tests expect there.
  mkdir -p "$BUILD/language"
  for f in Varnoq.exe KeyboardService.exe TORVEL32.DLL TORGFX.DLL Q5.bmp Q5Mask.bmp def.kfd; do
    # What Apply saved there is kept.
    [ "$f" = def.kfd ] && [ -e "$BUILD/language/$f" ] && continue
    cp "$BIN/$f" "$BUILD/language/$f" || exit 1
  done
  cp "$BUILD/lang/TORLANG.DLL" "$BUILD/lang/TORSTR.DLL" "$BUILD/language/" || exit 1
  BIN="$BUILD/language"
else
  rm -f "$BIN/TORLANG.DLL"
fi

source "$ROOT/scripts/wine-env.sh" "$ARCH"
headless=1
if [ -n "${DISPLAY:-}" ] && xdotool getdisplaygeometry >/dev/null 2>&1; then
  headless=0
  export VARNOQ_USE_DISPLAY=1
fi
cleanup() {
  (cd "$BIN" && wine KeyboardService.exe --stop >/dev/null 2>&1 </dev/null)
  wineserver -k >/dev/null 2>&1
  [ -n "${XVFB_PID:-}" ] && kill "$XVFB_PID" >/dev/null 2>&1
  return 0
}
trap cleanup EXIT
start_display
use_dpi_prefix "$DPI"
start_wine

cd "$BIN"
rm -f service.log
wine KeyboardService.exe >/dev/null 2>&1 </dev/null &
for _ in $(seq 100); do grep -q started service.log 2>/dev/null && break; sleep 0.1; done
echo "== keyboard service started (log: $BIN/service.log)"

wine Varnoq.exe >/dev/null 2>&1 </dev/null &
varnoq=$!
if [ "$headless" = 1 ]; then
  window=""
  for _ in $(seq 100); do
    window="$(xdotool search --onlyvisible --class 'varnoq.exe' 2>/dev/null | head -1)"
    [ -n "$window" ] && break
    sleep 0.1
  done
  if [ -z "$window" ]; then echo "Varnoq did not open its window"; exit 1; fi
  sleep 1
  shot="$ROOT/build/varnoq-screenshot.png"
  if [ -n "$PAGE" ]; then
    # A click on the first tab gives the tab row the focus; the arrow keys
    # then switch pages as a user's would.
    xdotool mousemove --window "$window" "$(at_dpi 151)" "$(at_dpi 131)" click 1
    for _ in $(seq "$PAGE"); do xdotool key Right; done
    sleep 1
    shot="$ROOT/build/varnoq-screenshot-page$PAGE.png"
  fi
  [ "$DPI" = 96 ] || shot="${shot%.png}-${DPI}dpi.png"
  # The window's area of the screen.
  eval "$(xdotool getwindowgeometry --shell "$window")"
  import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$shot"
  echo "screenshot: $shot"
  # Cancel, at its place in the window; whatever is still up after that
  # (an error box, say) ends with the Wine session.
  xdotool mousemove --window "$window" "$(at_dpi 378)" "$(at_dpi 402)" click 1
  for _ in $(seq 100); do kill -0 "$varnoq" 2>/dev/null || break; sleep 0.1; done
  if kill -0 "$varnoq" 2>/dev/null; then
    echo "Varnoq did not close; ending it"
    wineserver -k >/dev/null 2>&1
  fi
fi
wait "$varnoq"
code=$?
echo "== Varnoq ended with exit code $code"
exit $code
