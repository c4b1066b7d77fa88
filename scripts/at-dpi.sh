#!/usr/bin/env bash
# Runs a Windows program as on a display of another resolution, in the copy
# of the Wine prefix that says so (use_dpi_prefix in scripts/wine-env.sh),
# with a wineserver of its own that ends with the program.
#
#   scripts/at-dpi.sh 144 program.exe [arguments]
#
# Needs a display; the architecture is that of scripts/wine-env.sh.
set -eu
dpi="$1"
shift
source "$(cd "$(dirname "$0")" && pwd)/wine-env.sh" "${VARNOQ_ARCH:-}"
use_dpi_prefix "$dpi"
# Everything redirected: Wine's background processes would hold a caller's
# pipes open.
wineserver -p >/dev/null 2>&1 </dev/null
trap 'wineserver -k >/dev/null 2>&1 </dev/null || true' EXIT
wine cmd /c exit >/dev/null 2>&1 </dev/null
wine "$@"
