#!/bin/sh
# tools/screenshots.sh BUILD_DIR OUT_DIR NAME PROGRAM [ARGS...] -- shows a Windows
# program of a build under Wine on a virtual screen and saves OUT_DIR/NAME.png,
# cropped to what the program drew, for a look at its windows. Several shots:
# call it once per shot (each gets a fresh prefix copy).
set -e
HERE=$(cd "$(dirname "$0")" && pwd)
. "$HERE/wine-env.sh"
qlx_wine_can_run "$1/$4" screenshots || exit 77   # else an empty screen would be saved
[ -n "$DISPLAY" ] || exec xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" "$0" "$@"
BUILD="$1"; OUT="$2"; NAME="$3"; PROGRAM="$4"; shift 4
RUN=$(mktemp -d /tmp/wine-shot.XXXXXX)
qlx_wine_fresh_prefix "$RUN"
mkdir -p "$OUT"
wine cmd /c exit </dev/null >/dev/null 2>&1
wine rundll32.exe user32.dll,GetDesktopWindow </dev/null >/dev/null 2>&1
wine "$BUILD/$PROGRAM" "$@" </dev/null >/dev/null 2>&1 &
sleep "${SHOT_DELAY:-2}"
import -window root "$RUN/full.png"
# crop away the empty desktop around the windows
convert "$RUN/full.png" -fuzz 3% -trim +repage "$OUT/$NAME.png"
qlx_wine_end_prefix "$RUN" || true
echo "$OUT/$NAME.png"
