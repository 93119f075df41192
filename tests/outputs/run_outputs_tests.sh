#!/bin/sh
# run_outputs_tests.sh TEST_PROGRAM WINE_RUN -- gives the run's Wine prefix two more
# drives, then runs the output helpers' tests:
#   Q: a folder on another host file system (/dev/shm): moves from C: cross volumes;
#   F: a 1 MiB file system of its own (when one can be mounted here): a full disk.
# The prefix is the throw-away copy made by tools/wine-ctest.sh for this run.
: "${WINEPREFIX:?run through tools/wine-ctest.sh}"
PROGRAM="$1"; RUN="$2"  # more arguments go to the program
OTHER=$(mktemp -d /dev/shm/qlx-other.XXXXXX)
FULL=$(mktemp -d /tmp/qlx-full.XXXXXX)
ln -sfn "$OTHER" "$WINEPREFIX/dosdevices/q:"
if mount -t tmpfs -o size=1m tmpfs "$FULL" 2>/dev/null; then
  ln -sfn "$FULL" "$WINEPREFIX/dosdevices/f:"; export QLX_FULL_VOLUME='F:\'
fi
export QLX_OTHER_VOLUME='Q:\'
# Wine keeps its Recycle Bin in the host's trash under XDG_DATA_HOME (set per run), and
# deletes outright when that folder cannot be made.
mkdir -p "${XDG_DATA_HOME:?run through tools/wine-ctest.sh}"
TRASH="$XDG_DATA_HOME/Trash/files"
export QLX_TRASH="Z:$(printf '%s' "$TRASH" | tr / '\\')"
shift 2
"$RUN" "$PROGRAM" "$@"; rc=$?
rm -f "$WINEPREFIX/dosdevices/q:" "$WINEPREFIX/dosdevices/f:"
umount "$FULL" 2>/dev/null; rm -rf "$OTHER" "$FULL"
exit $rc
