#!/bin/sh
# tools/wine-own-prefix.sh PROGRAM.exe [ARGS] -- runs one Windows test program in a
# fresh prefix of its own (a copy of the template), for tests that change the registry,
# the system folder or the file associations, or register COM classes; the exit code
# passes through. Runs inside tools/wine-ctest.sh. QLX_DLL_OVERRIDES adds DLL overrides
# for the program (e.g. "mapi32=n,b": a "MAPI32.DLL" beside it is loaded before Wine's).
HERE=$(cd "$(dirname "$0")" && pwd)
. "$HERE/wine-env.sh"
RUN=$(mktemp -d /tmp/wine-own.XXXXXX)
unset WINEDLLOVERRIDES   # the defaults and QLX_DLL_OVERRIDES, not the run's own
qlx_wine_fresh_prefix "$RUN" || { rm -rf "$RUN"; exit 1; }
"$HERE/wine-run.sh" "$@"
rc=$?
qlx_wine_end_prefix "$RUN"
exit $rc
