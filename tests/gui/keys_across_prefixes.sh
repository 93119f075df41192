#!/bin/sh
# tests/gui/keys_across_prefixes.sh TEST_PROGRAM -- keys exported on one machine and
# imported on another: the export test of TEST_PROGRAM runs in one fresh Wine prefix,
# the import test in a second whose drive C has another volume serial (Wine reads it
# from "drive_c/.windows-serial" when the prefix's server starts). The key-exchange
# file lies outside both prefixes.
set -e
HERE=$(cd "$(dirname "$0")" && pwd)
. "$HERE/../../tools/wine-env.sh"
PROGRAM="$1"
RUN=$(mktemp -d /tmp/qlx-keys-across.XXXXXX)
export QLX_KEY_EXCHANGE_FILE="Z:$(printf '%s' "$RUN/keys.vek" | tr / '\\')"

# phase NAME SERIAL TEST: one prefix with its serial, one test, the prefix's server ended.
phase() {
  mkdir "$RUN/$1"
  qlx_wine_fresh_prefix "$RUN/$1"
  printf '%s\n' "$2" >"$WINEPREFIX/drive_c/.windows-serial"
  set +e
  QLX_EXPECT_SERIAL="$2" "$HERE/../../tools/wine-run.sh" "$PROGRAM" --gtest_filter="KeysAcrossPrefixes.$3"
  rc=$?
  qlx_wine_end_prefix "$RUN/$1"
  set -e
  return $rc
}

rc=0
phase first 1A2B3C4D ExportInTheFirst || rc=$?
[ "$rc" = 0 ] && { phase second 5E6F7A8B ImportInTheSecond || rc=$?; }
rm -rf "$RUN"
exit $rc
