#!/usr/bin/env bash
# Builds the release package: build/package/Varnoq.zip (the program, stripped,
# with everything that stands beside it, the optional language files in
# language/ and the user guide) and build/package/Varnoq-setup.exe (the same
# as an installer, made with makensis).
#
#   scripts/package.sh                      the zip and the installer
#   scripts/package.sh --stage              only the packaged folder, build/package/Varnoq
#   scripts/package.sh --stage --no-build   the same from the builds as they are
#   scripts/package.sh --stage --arch x86_64   a packaged folder of the x86_64
#                                           build, for the start-up benchmark on
#                                           machines that cannot run the shipped one
# What ships is the i686 build: the keyboard service's library is 32-bit.
# Nothing here executes it, so it packs on any machine.# The packaged folder is checked (packaging/check_package.py) before anything
# is made of it. PACKAGE_DIR puts it all elsewhere than build/package.
set -euo pipefail

ROOT="$(cd "$(dirname "$0")/.." && pwd)"
VARNOQ_ROOT="$ROOT"
source "$ROOT/scripts/platform.sh"
STAGE_ONLY=0
BUILD_FIRST=1
ARCH=i686
while [ $# -gt 0 ]; do
  case "$1" in
    --stage) STAGE_ONLY=1; shift ;;
    --no-build) BUILD_FIRST=0; shift ;;
    --arch) ARCH="${2:-}"; shift $(($# < 2 ? 1 : 2)) ;;
    *) echo "usage: $0 [--stage [--no-build] [--arch i686|x86_64]]" >&2; exit 2 ;;
  esac
done
case "$ARCH" in i686|x86_64) ;; *) echo "--arch takes i686 or x86_64" >&2; exit 2 ;; esac
if [ "$ARCH" != i686 ] && [ "$STAGE_ONLY" = 0 ]; then
  echo "only the i686 build is released; --arch $ARCH goes with --stage" >&2; exit 2
fi
BUILD="$(build_dir_for "$ARCH")"
STRIP="$ARCH-w64-mingw32-strip"
OUT="${PACKAGE_DIR:-$ROOT/build/package}"
STAGE="$OUT/Varnoq"

[ "$BUILD_FIRST" = 1 ] && "$ROOT/scripts/setup.sh"
if [ "$STAGE_ONLY" = 0 ]; then
  need=()
  command -v zip >/dev/null 2>&1 || need+=(zip)
  command -v makensis >/dev/null 2>&1 || need+=(nsis)
  if [ ${#need[@]} -gt 0 ]; then
    echo "package: installing ${need[*]}"
    SUDO=""
    [ "$(id -u)" -eq 0 ] || SUDO="sudo"
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${need[@]}" >/dev/null
  fi
fi

if [ "$BUILD_FIRST" = 1 ]; then
  build_windows "$ARCH" "${SHIPPED_TARGETS[@]}" || exit 1
fi

rm -rf "$STAGE"
mkdir -p "$STAGE/images" "$STAGE/language"
# Everything the program looks for beside itself; executables stripped of
# their debugging information.
for f in Varnoq.exe KeyboardService.exe TORVEL32.DLL TORSTR.DLL TORGFX.DLL; do
  "$STRIP" --strip-all -o "$STAGE/$f" "$BUILD/bin/$f"
done
cp "$BUILD/bin/Q5.bmp" "$BUILD/bin/Q5Mask.bmp" "$BUILD/bin/def.kfd" "$STAGE/"
# The optional German set: the language module, and the service's texts in
# German when they have been built.
for f in TORLANG.DLL TORSTR.DLL; do
  [ -f "$BUILD/lang/$f" ] && "$STRIP" --strip-all -o "$STAGE/language/$f" "$BUILD/lang/$f"
done

# The guide, with the screenshots it shows, and the German ones when there are any.
cp "$ROOT/packaging/Guide.html" "$STAGE/Guide.html"
for img in $(grep -o 'images/[A-Za-z0-9_.-]*\.png' "$ROOT/packaging/Guide.html" | sort -u); do
  cp "$ROOT/docs/${img#images/}" "$STAGE/$img"
done
german=""
for shot in "$ROOT"/docs/de-*.png; do
  [ -f "$shot" ] || continue
  cp "$shot" "$STAGE/images/"
  german+="<img src=\"images/$(basename "$shot")\" alt=\"German: $(basename "$shot" .png)\">"$'\n'
done
python3 - "$STAGE/Guide.html" "$german" <<'PY'
import sys
path, shots = sys.argv[1], sys.argv[2]
text = open(path, encoding="utf-8").read()
open(path, "w", encoding="utf-8", newline="\r\n").write(text.replace("<!-- german screenshots -->\n", shots))
PY
python3 "$ROOT/packaging/check_package.py" "$STAGE" "$ROOT/packaging/Varnoq.nsi" "$ARCH"
echo "packaged folder: $STAGE"
[ "$STAGE_ONLY" = 1 ] && exit 0

rm -f "$OUT/Varnoq.zip" "$OUT/Varnoq-setup.exe"
(cd "$OUT" && zip -qr -X Varnoq.zip Varnoq)
echo "zip: $OUT/Varnoq.zip"
makensis -V2 -DSTAGE="$STAGE" -DOUTFILE="$OUT/Varnoq-setup.exe" "$ROOT/packaging/Varnoq.nsi"
echo "installer: $OUT/Varnoq-setup.exe"
