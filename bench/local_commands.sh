#!/bin/sh
# bench/local_commands.sh [BUILD_DIR] [ROUNDS] -- under Wine, in one run: a 256 MiB mixed
# file (half text-like, half random) encrypted and decrypted locally through
# Quillnox.exe's window, driven like the tests drive it, and through qlx.exe, both AES
# with the same passphrase. BUILD_DIR defaults to build/win64 (quillnox_local_bench and
# qlx built). Prints the seconds; asserts nothing.
set -eu
HERE=$(cd "$(dirname "$0")" && pwd)
[ -n "${DISPLAY:-}" ] || exec xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" "$0" "$@"
. "$HERE/../tools/wine-env.sh"
BUILD=$(cd "${1:-$HERE/../build/win64}" && pwd); ROUNDS="${2:-1}"
qlx_wine_can_run "$BUILD/tests/commands/quillnox_local_bench.exe" local_commands || exit 77
RUN=$(mktemp -d /tmp/qlx-local-bench.XXXXXX)
trap 'qlx_wine_end_prefix "$RUN"' EXIT
qlx_wine_fresh_prefix "$RUN"
mkdir -p "$WINEPREFIX/drive_c/qlxbench"
python3 - "$WINEPREFIX/drive_c/qlxbench/mixed.bin" 256 <<'PY'
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
wine cmd /c exit </dev/null >/dev/null 2>&1
wine rundll32.exe user32.dll,GetDesktopWindow </dev/null >/dev/null 2>&1
QLX=$(winepath -w "$BUILD/cli/qlx.exe" 2>/dev/null)
wine "$BUILD/tests/commands/quillnox_local_bench.exe" 'C:\qlxbench\' "$QLX" "$ROUNDS" 2>/dev/null
