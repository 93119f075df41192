#!/bin/sh
# tools/wine-own-prefix.sh PROGRAM.exe [ARGS] -- runs one Windows test program in a
# fresh prefix of its own (a copy of the template), for tests that change the registry
# or the system folder; the exit code passes through. Runs inside tools/wine-ctest.sh.
HERE=$(cd "$(dirname "$0")" && pwd)
TEMPLATE="${WINE_TEMPLATE:-$HOME/.cache/quillnox-wine-template}"
RUN=$(mktemp -d /tmp/wine-own.XXXXXX)
cp -a "$TEMPLATE" "$RUN/pfx"
export WINEPREFIX="$RUN/pfx" XDG_DATA_HOME="$RUN/xdg"
"$HERE/wine-run.sh" "$@"
rc=$?
wineserver -k 2>/dev/null; wineserver -w
rm -rf "$RUN"
exit $rc
