#!/bin/sh
# tools/run-quillnox.sh [ARGS...] -- builds the programs and their setup, installs
# Quillnox with setup (unattended, from an INI file) into a fresh Wine prefix
# (~/.cache/quillnox-run, a new copy of the test template on every run), and starts
# the installed Quillnox.exe through its desktop shortcut, as a user would. It installs
# what ships, the 32-bit build (win32), where 32-bit programs can run; elsewhere the
# 64-bit build (win64), and says why. With a display the window opens there; without
# one it runs on a virtual screen (Xvfb), and a screenshot of the main window is saved
# and its path printed. ARGS go to the program.
set -e
cd "$(dirname "$0")/.."
. tools/wine-env.sh
tools/install-deps.sh
if problem=$(qlx_wine32_problem); then
  PRESET=win32
  echo "run-quillnox: installing the shipped 32-bit build (win32)."
else
  PRESET=win64
  echo "run-quillnox: installing the 64-bit build (win64), not the shipped 32-bit one: $problem."
fi
tools/configure.sh "$PRESET"
cmake --build --preset "$PRESET" --target setup >/dev/null
SETUP="$PWD/build/$PRESET/setup/setup.exe"
PREFIX="${QUILLNOX_PREFIX:-$HOME/.cache/quillnox-run}"
qlx_wine_template
if [ -d "$PREFIX" ]; then WINEPREFIX="$PREFIX" wineserver -k 2>/dev/null || true; fi
rm -rf "$PREFIX"
mkdir -p "$(dirname "$PREFIX")"
cp -a "$QLX_WINE_TEMPLATE" "$PREFIX"
export WINEPREFIX="$PREFIX"
qlx_wine_env

# The unattended installation: setup reads the folder from the INI file it is given. A
# 32-bit program on 64-bit Windows is installed below "Program Files (x86)", where the
# wizard would put it too.
if [ "$PRESET" = win32 ]; then DIR='C:\Program Files (x86)\Orvanel\Quillnox'; else DIR='C:\Program Files\Orvanel\Quillnox'; fi
printf '[SETUP]\r\ninstalldir=%s\r\n' "$DIR" > "$PREFIX/drive_c/quillnox-setup.ini"
wine "$SETUP" 'C:\quillnox-setup.ini' </dev/null >/dev/null 2>&1
wineserver -w  # the screen below must come with a server of its own
LINK="$PREFIX/drive_c/users/Public/Desktop/Quillnox.lnk"
[ -f "$LINK" ] || { echo "run-quillnox: setup made no desktop shortcut ($LINK)" >&2; exit 1; }
echo "Installed into $DIR of $PREFIX; starting the desktop shortcut's target."

if [ -n "$DISPLAY" ]; then
  exec wine start /wait /unix "$LINK" "$@"
fi
SHOT="$PWD/build/quillnox-main-window.png"
xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" sh -c '
  wine rundll32.exe user32.dll,GetDesktopWindow </dev/null >/dev/null 2>&1
  link="$1"; shot="$2"; shift 2
  wine start /unix "$link" "$@" </dev/null >/dev/null 2>&1 &
  sleep "${SHOT_DELAY:-3}"
  import -window root "$shot.full.png"
  convert "$shot.full.png" -fuzz 3% -trim +repage "$shot"
  rm -f "$shot.full.png"
  wineserver -k 2>/dev/null || true; wineserver -w || true
' run-quillnox "$LINK" "$SHOT" "$@"
echo "No display: Quillnox.exe ran on a virtual screen; its main window: $SHOT"
