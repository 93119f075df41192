#!/bin/sh
# tools/wine-ctest.sh BUILD_DIR [ctest args] -- runs a Windows build's tests under Wine:
# an X display (Xvfb), a fresh copy of the template prefix, ctest, then clean-up.
set -e
HERE=$(cd "$(dirname "$0")" && pwd)
[ -n "$DISPLAY" ] || exec xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" "$0" "$@"
BUILD="$1"; shift
TEMPLATE="${WINE_TEMPLATE:-$HOME/.cache/quillnox-wine-template}"
[ -f "$TEMPLATE/system.reg" ] || "$HERE/wine-prefix.sh" "$TEMPLATE"
RUN=$(mktemp -d /tmp/wine-ctest.XXXXXX); cp -a "$TEMPLATE" "$RUN/pfx"
export WINEPREFIX="$RUN/pfx" XDG_DATA_HOME="$RUN/xdg"   # the recycle bin stays inside the run
set +e; ctest --test-dir "$BUILD" --output-on-failure "$@"; rc=$?
wineserver -k 2>/dev/null; wineserver -w; rm -rf "$RUN"; exit $rc
