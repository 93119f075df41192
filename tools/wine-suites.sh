#!/bin/sh
# tools/wine-suites.sh [BUILD_ROOT] -- the Windows test suites under Wine, one after the
# other (the GUI tests share one display): build/win32, the shipped 32-bit programs,
# where 32-bit Wine works, then build/win64. Where 32-bit Wine cannot work, one line
# says that the 32-bit suite was skipped and why (it is printed again as the last
# line, whatever the win64 suite's result), and the win64 suite runs in full. After a
# win32 run the win64 suite runs only its smoke subset (QLX_WIN64_SMOKE, a ctest
# regex): the 64-bit shell extension, which only 64-bit programs load, and the unit
# tests, for the other pointer width; with QLX_WIN64_FULL=1 it runs in full too.
# QLX_WINE_CTEST replaces tools/wine-ctest.sh (for the test of this script).
set -e
HERE=$(cd "$(dirname "$0")" && pwd)
. "$HERE/wine-env.sh"
ROOT="${1:-$HERE/../build}"
CTEST="${QLX_WINE_CTEST:-$HERE/wine-ctest.sh}"
SMOKE="${QLX_WIN64_SMOKE:-^(unit|shellext)\$}"
if problem=$(qlx_wine32_problem); then
  echo "wine-suites: the 32-bit Windows suite runs: $ROOT/win32, the shipped programs"
  QLX_WINE32_PROBLEM="" "$CTEST" "$ROOT/win32"
  if [ "${QLX_WIN64_FULL:-0}" = 1 ]; then
    "$CTEST" "$ROOT/win64"
  else
    echo "wine-suites: the win64 suite runs its smoke subset only ($SMOKE; QLX_WIN64_FULL=1 runs it all)"
    "$CTEST" "$ROOT/win64" -R "$SMOKE"
  fi
else
  skipped="wine-suites: SKIPPED: the 32-bit Windows suite ($ROOT/win32, the shipped programs) did not run: $problem"
  echo "$skipped"
  # The skip is said last too, also when the win64 suite fails (its status is kept).
  rc=0
  "$CTEST" "$ROOT/win64" || rc=$?
  echo "$skipped"
  exit $rc
fi
