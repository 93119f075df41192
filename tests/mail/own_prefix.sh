#!/bin/sh
# tests/mail/own_prefix.sh PROGRAM [ARGS] -- runs one win64 test program under Wine in a
# prefix of its own (a fresh copy of the template), for tests that register COM classes
# or write machine-wide registry keys. "MAPI32.DLL" is taken from beside the program
# (native before builtin), as a real Simple MAPI library would be; QLX_MAPI32=n leaves
# Wine's own out, for a system without any.
set -e
HERE=$(cd "$(dirname "$0")" && pwd)
TEMPLATE="${WINE_TEMPLATE:-$HOME/.cache/quillnox-wine-template}"
[ -f "$TEMPLATE/system.reg" ] || { echo "own_prefix: no Wine template at $TEMPLATE" >&2; exit 1; }
RUN=$(mktemp -d /tmp/qlx-own-prefix.XXXXXX)
cp -a "$TEMPLATE" "$RUN/pfx"
export WINEPREFIX="$RUN/pfx" XDG_DATA_HOME="$RUN/xdg"
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d;winebrowser.exe=d;mapi32=${QLX_MAPI32:-n,b}"
set +e
"$HERE/../../tools/wine-run.sh" "$@"
rc=$?
wineserver -k 2>/dev/null
wineserver -w
rm -rf "$RUN"
exit $rc
