#!/bin/sh
# run_extractor_tests.sh TEST_PROGRAM WINE_RUN -- gives the run's Wine prefix a drive F:
# on a 1 MiB file system of its own (when one can be mounted here: a full disk for the
# checked writes), then runs the extractor's tests. The prefix is the throw-away copy
# made by tools/wine-ctest.sh for this run.
: "${WINEPREFIX:?run through tools/wine-ctest.sh}"
PROGRAM="$1"; RUN="$2"
FULL=$(mktemp -d /tmp/qlx-extractor-full.XXXXXX)
if mount -t tmpfs -o size=1m tmpfs "$FULL" 2>/dev/null; then
  ln -sfn "$FULL" "$WINEPREFIX/dosdevices/f:"; export QLX_FULL_VOLUME='F:\'
fi
shift 2
"$RUN" "$PROGRAM" "$@"; rc=$?
rm -f "$WINEPREFIX/dosdevices/f:"
umount "$FULL" 2>/dev/null; rm -rf "$FULL"
exit $rc
