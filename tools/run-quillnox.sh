#!/bin/sh
# tools/run-quillnox.sh [ARGS...] -- builds the win64 programs and starts Quillnox.exe
# under Wine in a prefix of its own (~/.cache/quillnox-run, made once from the test
# template) that holds the machine-wide settings key the installer makes. With a
# display the window opens there; without one it runs on a virtual screen (Xvfb), and
# a screenshot of the main window is saved and its path printed. ARGS go to the program.
set -e
cd "$(dirname "$0")/.."
tools/install-deps.sh
[ -f build/win64/CMakeCache.txt ] || cmake --preset win64 >/dev/null
cmake --build --preset win64 --target Quillnox >/dev/null
EXE="$PWD/build/win64/app/Quillnox.exe"
TEMPLATE="${WINE_TEMPLATE:-$HOME/.cache/quillnox-wine-template}"
PREFIX="${QUILLNOX_PREFIX:-$HOME/.cache/quillnox-run}"
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d;winebrowser.exe=d"
if [ ! -f "$PREFIX/system.reg" ]; then
  [ -f "$TEMPLATE/system.reg" ] || tools/wine-prefix.sh "$TEMPLATE"
  mkdir -p "$(dirname "$PREFIX")"
  cp -a "$TEMPLATE" "$PREFIX"
fi
export WINEPREFIX="$PREFIX"
if [ -n "$DISPLAY" ]; then
  wine reg add 'HKLM\Software\Orvanel\Quillnox\4.10EN' /f </dev/null >/dev/null 2>&1
  exec wine "$EXE" "$@"
fi
SHOT="$PWD/build/quillnox-main-window.png"
xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" sh -c '
  wine reg add "HKLM\\Software\\Orvanel\\Quillnox\\4.10EN" /f </dev/null >/dev/null 2>&1
  wine rundll32.exe user32.dll,GetDesktopWindow </dev/null >/dev/null 2>&1
  exe="$1"; shot="$2"; shift 2
  wine "$exe" "$@" </dev/null >/dev/null 2>&1 &
  sleep "${SHOT_DELAY:-3}"
  import -window root "$shot.full.png"
  convert "$shot.full.png" -fuzz 3% -trim +repage "$shot"
  rm -f "$shot.full.png"
  wineserver -k 2>/dev/null || true; wineserver -w || true
' run-quillnox "$EXE" "$SHOT" "$@"
echo "No display: Quillnox.exe ran on a virtual screen; its main window: $SHOT"
