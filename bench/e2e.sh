#!/bin/sh
# bench/e2e.sh [QLX] -- end-to-end timing of qlx against gpg on one 64 MiB mixed file
# (half text-like, half random, made here), and the peak memory of qlx on 64 MiB and
# 1 GiB. QLX defaults to the native Release build's build/native/cli/qlx.
# Needs gnupg and GNU time (/usr/bin/time); reports, asserts nothing.
set -eu
QLX="${1:-$(dirname "$0")/../build/native/cli/qlx}"
W=$(mktemp -d "${TMPDIR:-/tmp}/qlx-e2e.XXXXXX")
trap 'rm -rf "$W"' EXIT
export GNUPGHOME="$W/gnupg"; mkdir -m 700 "$GNUPGHOME"

python3 - "$W/mixed.bin" 64 <<'PY'
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
dd if=/dev/urandom of="$W/big.bin" bs=1M count=512 status=none
cat "$W/mixed.bin" "$W/mixed.bin" "$W/mixed.bin" "$W/mixed.bin" "$W/mixed.bin" "$W/mixed.bin" "$W/mixed.bin" "$W/mixed.bin" >> "$W/big.bin"

# run NAME COMMAND...: prints seconds and peak KiB
run() {
  name=$1; shift
  /usr/bin/time -f "%e %M" -o "$W/time" "$@" >/dev/null 2>"$W/err" || { cat "$W/err" >&2; exit 1; }
  read -r secs kib < "$W/time"
  printf '%-28s %7.2f s  %8d KiB peak\n' "$name" "$secs" "$kib"
  echo "$secs" > "$W/last"
}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2fx", a / b; else print "-" }'; }

echo "64 MiB mixed file, $(nproc) cores"
run "qlx encrypt AES" "$QLX" encrypt --aes --pass bench -o "$W/aes.vek" "$W/mixed.bin"; qe=$(cat "$W/last")
mkdir -p "$W/aes"; run "qlx decrypt AES" "$QLX" decrypt --pass bench -C "$W/aes" "$W/aes.vek"; qd=$(cat "$W/last")
cmp "$W/mixed.bin" "$W/aes/mixed.bin"
run "qlx encrypt DES" "$QLX" encrypt --des --pass bench -o "$W/des.vek" "$W/mixed.bin"
mkdir -p "$W/des"; run "qlx decrypt DES" "$QLX" decrypt --pass bench -C "$W/des" "$W/des.vek"
cmp "$W/mixed.bin" "$W/des/mixed.bin"
run "gpg encrypt AES zip -z 1" gpg --batch --yes --pinentry-mode loopback --passphrase bench --symmetric \
  --cipher-algo AES --compress-algo zip -z 1 -o "$W/mixed.gpg" "$W/mixed.bin"; ge=$(cat "$W/last")
run "gpg decrypt" gpg --batch --yes --pinentry-mode loopback --passphrase bench -o "$W/mixed.out" -d "$W/mixed.gpg"; gd=$(cat "$W/last")
cmp "$W/mixed.bin" "$W/mixed.out"
echo "AES encryption: qlx is $(ratio "$ge" "$qe") as fast as gpg (target 2x)"
echo "AES decryption: qlx is $(ratio "$gd" "$qd") as fast as gpg (target 1.5x)"
echo "sizes: $(stat -c %s "$W/aes.vek") (qlx AES)  $(stat -c %s "$W/des.vek") (qlx DES)  $(stat -c %s "$W/mixed.gpg") (gpg)"
echo
echo "peak memory of qlx (target under 16 MiB, the same for both sizes)"
run "qlx encrypt 64 MiB" "$QLX" encrypt --aes --force --pass bench -o "$W/aes.vek" "$W/mixed.bin"
run "qlx encrypt 1 GiB" "$QLX" encrypt --aes --pass bench -o "$W/big.vek" "$W/big.bin"
mkdir -p "$W/bigout"; run "qlx decrypt 1 GiB" "$QLX" decrypt --pass bench -C "$W/bigout" "$W/big.vek"
