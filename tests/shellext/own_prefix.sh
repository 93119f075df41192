#!/bin/sh
# own_prefix.sh WINE_RUN PROGRAM.exe -- runs one Windows test program in a throw-away copy
# of the template prefix: the shell extension's test registers a COM class and the
# container file type, which no other test running beside it should see.
set -e
TEMPLATE="${WINE_TEMPLATE:-$HOME/.cache/quillnox-wine-template}"
RUN=$(mktemp -d /tmp/qlx-shellext.XXXXXX)
cp -a "$TEMPLATE" "$RUN/pfx"
export WINEPREFIX="$RUN/pfx"
set +e
"$@"; rc=$?
wineserver -k 2>/dev/null; wineserver -w
rm -rf "$RUN"
exit $rc
