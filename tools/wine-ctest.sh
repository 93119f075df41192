#!/bin/sh
# tools/wine-ctest.sh BUILD_DIR [ctest args] -- runs a Windows build's tests under Wine:
# an X display (Xvfb), a fresh copy of the template prefix, ctest, then clean-up.
# A 32-bit build (win32) needs 32-bit Wine: where it cannot run, nothing is started and
# the reason is printed, with exit status 77.
set -e
HERE=$(cd "$(dirname "$0")" && pwd)
. "$HERE/wine-env.sh"
BUILD="$1"
if grep -Eq '^(QLX_MINGW_ARCH:[A-Z]*=i686|CMAKE_CXX_COMPILER:[A-Z]*=.*/i686-)' "$BUILD/CMakeCache.txt" 2>/dev/null; then
  # checked once here; wine-run.sh takes the finding over for every program of the run
  if [ -z "${QLX_WINE32_PROBLEM+set}" ]; then QLX_WINE32_PROBLEM=$(qlx_wine32_problem) || true; fi
  export QLX_WINE32_PROBLEM
  if [ -n "$QLX_WINE32_PROBLEM" ]; then
    echo "wine-ctest: $BUILD holds 32-bit programs, which cannot run here: $QLX_WINE32_PROBLEM" >&2
    exit 77
  fi
fi
[ -n "$DISPLAY" ] || exec xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" "$0" "$@"
shift
qlx_wine_template   # made once, before the tests run beside each other
RUN=$(mktemp -d /tmp/wine-ctest.XXXXXX)
qlx_wine_fresh_prefix "$RUN"
set +e; ctest --test-dir "$BUILD" --output-on-failure "$@"; rc=$?
qlx_wine_end_prefix "$RUN"; exit $rc
