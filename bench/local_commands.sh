#!/bin/sh
# bench/local_commands.sh [BUILD_DIR] [ROUNDS] -- under Wine, in one run: a 64 MiB mixed
# file (half text-like, half random) and a 1 GiB file (512 MiB random, then the mixed
# file eight times) encrypted and decrypted locally through Quillnox.exe's window,
# driven like the tests drive it, and through qlx.exe, with the same passphrase: AES and
# DES, one thread (QLX_THREADS=1) and two. Prints the median seconds, the window's
# ratio to qlx.exe (goal: at most 1.10) and the peak working sets. BUILD_DIR defaults to
# build/win64 (quillnox_local_bench and qlx built); ROUNDS to 3. BIG=0 leaves the 1 GiB
# file out. Asserts nothing but the round trips.
set -eu
HERE=$(cd "$(dirname "$0")" && pwd)
[ -n "${DISPLAY:-}" ] || exec xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" "$0" "$@"
. "$HERE/../tools/wine-env.sh"
BUILD=$(cd "${1:-$HERE/../build/win64}" && pwd); ROUNDS="${2:-3}"; BIG=${BIG:-1}
qlx_wine_can_run "$BUILD/tests/commands/quillnox_local_bench.exe" local_commands || exit 77
RUN=$(mktemp -d /tmp/qlx-local-bench.XXXXXX)
trap 'qlx_wine_end_prefix "$RUN"' EXIT
qlx_wine_fresh_prefix "$RUN"
D="$WINEPREFIX/drive_c/qlxbench"
mkdir -p "$D"
python3 - "$D/mixed.bin" 64 <<'PY'
import os, random, sys
path, mib = sys.argv[1], int(sys.argv[2])
words = ("the of and to in container passphrase report attached mail please find below "
         "regards encryption files meeting budget quarter results draft review").split()
rnd = random.Random(1)
half = mib * 1024 * 1024 // 2
with open(path, "wb") as f:
    text = bytearray()
    while len(text) < half:
        line = " ".join(rnd.choice(words) for _ in range(rnd.randint(4, 14)))
        text += (line.capitalize() + ".\r\n").encode()
    f.write(text[:half])
    f.write(os.urandom(half))
PY
FILES=mixed.bin
if [ "$BIG" = 1 ]; then
  dd if=/dev/urandom of="$D/big.bin" bs=1M count=512 status=none
  for i in 1 2 3 4 5 6 7 8; do cat "$D/mixed.bin"; done >>"$D/big.bin"
  FILES="mixed.bin big.bin"
fi
echo "machine: $(nproc) processors, load $(cut -d' ' -f1-3 /proc/loadavg); $ROUNDS round(s); files: $FILES"
wine cmd /c exit </dev/null >/dev/null 2>&1
wine rundll32.exe user32.dll,GetDesktopWindow </dev/null >/dev/null 2>&1
QLX=$(winepath -w "$BUILD/cli/qlx.exe" 2>/dev/null)
# shellcheck disable=SC2086
wine "$BUILD/tests/commands/quillnox_local_bench.exe" 'C:\qlxbench\' "$QLX" "$ROUNDS" $FILES 2>/dev/null
