#!/bin/sh
# bench/e2e.sh [QLX [BASELINE_QLX]] -- end-to-end figures of qlx beside gpg, in one run:
# AES and DES, a 64 MiB mixed file (half text-like, half random) and a 1 GiB file (512
# MiB random, then the mixed file eight times), one thread (QLX_THREADS=1) and two, the
# seconds (median of the rounds), the processor seconds and the peak memory of each,
# and the ratios against `gpg -c -z1` measured in the same rounds. BASELINE_QLX (a qlx
# built from other code, e.g. before a change) is measured beside it when given. Then,
# under Wine, the win64 qlx.exe, and the win32 qlx.exe where this machine can run it.
# QLX defaults to the native Release build's build/native/cli/qlx.
#
# Settings (environment): ROUNDS (5) rounds of the 64 MiB file, BIG_ROUNDS (1) of the
# 1 GiB file (BIG=0 leaves it out), WINE=0 leaves Wine out, WIN64 and WIN32 the Windows
# build folders (build/win64, build/win32).
# Needs gnupg and GNU time (/usr/bin/time). Reports, asserts nothing; the run stops when
# a round trip gives back other bytes.
set -eu
HERE=$(cd "$(dirname "$0")" && pwd)
QLX=$(realpath "${1:-$HERE/../build/native/cli/qlx}")
BASE=${2:+$(realpath "$2")}
ROUNDS=${ROUNDS:-5}; BIG_ROUNDS=${BIG_ROUNDS:-1}; BIG=${BIG:-1}; WINE=${WINE:-1}
WIN64=${WIN64:-$HERE/../build/win64}; WIN32=${WIN32:-$HERE/../build/win32}
W=$(mktemp -d "${TMPDIR:-/tmp}/qlx-e2e.XXXXXX")
cleanup() {
  if [ -n "${WINEPREFIX:-}" ]; then wineserver -k 2>/dev/null || true; wineserver -w 2>/dev/null || true; fi
  rm -rf "$W"
}
trap cleanup EXIT
export GNUPGHOME="$W/gnupg"; mkdir -m 700 "$GNUPGHOME"
: >"$W/results"

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
if [ "$BIG" = 1 ]; then
  dd if=/dev/urandom of="$W/big.bin" bs=1M count=512 status=none
  for i in 1 2 3 4 5 6 7 8; do cat "$W/mixed.bin"; done >>"$W/big.bin"
fi

# measure KEY COMMAND...: one timed run; its seconds, processor seconds and peak KiB
# are kept under KEY.
measure() {
  mkey=$1; shift
  /usr/bin/time -f "%e %U %S %M" -o "$W/time" "$@" >/dev/null 2>"$W/err" </dev/null ||
    { echo "e2e: $mkey failed:" >&2; cat "$W/err" >&2; exit 1; }
  read -r secs user sys kib <"$W/time"
  echo "$mkey $secs $(awk -v u="$user" -v s="$sys" 'BEGIN { print u + s }') $kib" >>"$W/results"
}
# median KEY FIELD: the median of a field (2 seconds, 3 processor seconds) over the runs.
median() {
  awk -v k="$1" -v f="$2" '$1 == k { print $f }' "$W/results" | sort -g |
    awk '{ v[NR] = $1 } END { if (NR == 0) print "-"; else if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}
peak() { awk -v k="$1" '$1 == k && $4 > m { m = $4 } END { print m + 0 }' "$W/results"; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (a != "-" && b != "-" && b > 0) printf "%.2fx", a / b; else print "-" }'; }
row() {  # row LABEL KEY [GPG_KEY]
  printf '  %-34s %8s s %8s s %9s KiB  %s\n' "$1" "$(median "$2" 2)" "$(median "$2" 3)" "$(peak "$2")" \
    "${3:+$(ratio "$(median "$3" 2)" "$(median "$2" 2)") of gpg's speed}"
}
same() { cmp -s "$1" "$2" || { echo "e2e: $3: the round trip gave other bytes" >&2; exit 1; }; }

# qlx_round SIZE FILE ROUND: every qlx variant encrypts, then decrypts, FILE once.
qlx_round() {
  size=$1; file=$2; round=$3
  for alg in aes des; do
    for threads in 1 2; do
      key="$size.qlx.$alg.$threads"
      rm -f "$W/$key.vek"; rm -rf "$W/out"; mkdir "$W/out"
      measure "$key.enc" env QLX_THREADS=$threads "$QLX" encrypt --$alg --pass bench -o "$W/$key.vek" "$file"
      measure "$key.dec" env QLX_THREADS=$threads "$QLX" decrypt --pass bench -C "$W/out" "$W/$key.vek"
      [ "$round" != 1 ] || same "$file" "$W/out/$(basename "$file")" "$key"
    done
    if [ -n "$BASE" ]; then
      key="$size.base.$alg"
      rm -f "$W/$key.vek"; rm -rf "$W/out"; mkdir "$W/out"
      measure "$key.enc" "$BASE" encrypt --$alg --pass bench -o "$W/$key.vek" "$file"
      measure "$key.dec" "$BASE" decrypt --pass bench -C "$W/out" "$W/$key.vek"
      [ "$round" != 1 ] || same "$file" "$W/out/$(basename "$file")" "$key"
    fi
  done
  rm -f "$W/$size.gpg"
  measure "$size.gpg.enc" gpg --batch --yes --pinentry-mode loopback --passphrase bench --symmetric \
    --cipher-algo AES --compress-algo zip -z 1 -o "$W/$size.gpg" "$file"
  measure "$size.gpg.dec" gpg --batch --yes --pinentry-mode loopback --passphrase bench -o "$W/gpg.out" -d "$W/$size.gpg"
  [ "$round" != 1 ] || same "$file" "$W/gpg.out" "gpg"
  rm -rf "$W/out" "$W/gpg.out"
}

report() {  # report SIZE LABEL
  size=$1
  echo
  echo "$2 (median seconds, processor seconds, peak memory)"
  for alg in aes des; do
    ALG=$(echo "$alg" | tr a-z A-Z)
    for op in enc dec; do
      what=encrypt; [ "$op" = dec ] && what=decrypt
      for threads in 1 2; do row "qlx $ALG $what, $threads thread(s)" "$size.qlx.$alg.$threads.$op" "$size.gpg.$op"; done
      [ -z "$BASE" ] || row "baseline $ALG $what" "$size.base.$alg.$op" "$size.gpg.$op"
    done
  done
  row "gpg -c -z1 encrypt (AES)" "$size.gpg.enc"
  row "gpg decrypt" "$size.gpg.dec"
}

echo "qlx: $QLX${BASE:+, baseline: $BASE}"
echo "machine: $(nproc) processors, load $(cut -d' ' -f1-3 /proc/loadavg); $ROUNDS round(s) of 64 MiB$([ "$BIG" = 1 ] && echo ", $BIG_ROUNDS of 1 GiB")"
r=1; while [ $r -le "$ROUNDS" ]; do qlx_round 64M "$W/mixed.bin" $r; r=$((r + 1)); done
if [ "$BIG" = 1 ]; then r=1; while [ $r -le "$BIG_ROUNDS" ]; do qlx_round 1G "$W/big.bin" $r; r=$((r + 1)); done; fi

report 64M "64 MiB mixed file"
[ "$BIG" = 1 ] && report 1G "1 GiB file (512 MiB random, then the mixed file 8 times)"

echo
echo "sizes: $(stat -c %s "$W/64M.qlx.aes.2.vek") (qlx AES), $(stat -c %s "$W/64M.qlx.des.2.vek") (qlx DES), $(stat -c %s "$W/64M.gpg") (gpg)"
echo "goals on the 64 MiB file, two threads against gpg in the same rounds:"
g() {  # g TEXT GPG_KEY QLX_KEY GOAL
  got=$(awk -v a="$(median "$2" 2)" -v b="$(median "$3" 2)" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print 0 }')
  verdict=$(awk -v x="$got" -v goal="$4" 'BEGIN { print (x >= goal) ? "met" : "NOT met" }')
  echo "  $1: ${got}x as fast as gpg (goal ${4}x): $verdict"
}
g "AES encryption" 64M.gpg.enc 64M.qlx.aes.2.enc 4
g "AES decryption" 64M.gpg.dec 64M.qlx.aes.2.dec 3
if [ -n "$BASE" ]; then
  for alg in aes des; do
    ALG=$(echo "$alg" | tr a-z A-Z)
    for op in enc dec; do
      echo "  $ALG $op, baseline -> qlx (two threads): $(median "64M.base.$alg.$op" 2) s -> $(median "64M.qlx.$alg.2.$op" 2) s," \
        "$(ratio "$(median "64M.base.$alg.$op" 2)" "$(median "64M.qlx.$alg.2.$op" 2)") as fast"
    done
  done
fi
most=$(awk '$1 ~ /\.qlx\./ && $4 > m { m = $4 } END { print m + 0 }' "$W/results")
echo "  peak memory of qlx: at most $most KiB in every run (goal: below 8192 KiB):" \
  "$(awk -v m="$most" 'BEGIN { print (m < 8192) ? "met" : "NOT met" }')"
if [ "$BIG" = 1 ]; then
  for key in qlx.aes.2.enc qlx.aes.2.dec qlx.des.2.enc qlx.des.2.dec qlx.aes.1.enc qlx.aes.1.dec; do
    echo "    $key: $(peak "64M.$key") KiB for 64 MiB, $(peak "1G.$key") KiB for 1 GiB"
  done
fi

# --- Under Wine: qlx.exe, 64-bit and 32-bit ------------------------------------------
[ "$WINE" = 1 ] || exit 0
if ! command -v wine >/dev/null 2>&1 || [ ! -f "$WIN64/cli/qlx.exe" ]; then
  echo; echo "Wine: not measured (no wine, or no $WIN64/cli/qlx.exe)"; exit 0
fi
. "$HERE/../tools/wine-env.sh"
qlx_wine_fresh_prefix "$W"
wineserver -p >/dev/null 2>&1 || true
wine cmd /c exit </dev/null >/dev/null 2>&1 || true

# wine_round EXE NAME ROUND
wine_round() {
  exe=$1; name=$2; round=$3
  measure "wine.$name.start" wine "$exe" --version
  for threads in 1 2; do
    key="wine.$name.$threads"
    rm -f "$W/$key.vek"; rm -rf "$W/out"; mkdir "$W/out"
    measure "$key.enc" env QLX_THREADS=$threads wine "$exe" encrypt --aes --pass bench -o "$W/$key.vek" "$W/mixed.bin"
    measure "$key.dec" env QLX_THREADS=$threads wine "$exe" decrypt --pass bench -C "$W/out" "$W/$key.vek"
    [ "$round" != 1 ] || same "$W/mixed.bin" "$W/out/mixed.bin" "$key"
  done
  rm -rf "$W/out"
}
can32=yes
if [ ! -f "$WIN32/cli/qlx.exe" ]; then
  can32="no $WIN32/cli/qlx.exe (build the win32 preset)"
elif problem=$(qlx_wine32_problem); then
  :
else
  can32=$problem
fi
r=1
while [ $r -le "$ROUNDS" ]; do
  wine_round "$WIN64/cli/qlx.exe" win64 $r
  [ "$can32" != yes ] || wine_round "$WIN32/cli/qlx.exe" win32 $r
  r=$((r + 1))
done
echo
echo "64 MiB mixed file under Wine, AES (median seconds; processor seconds; the peak memory is Wine's)"
for name in win64 win32; do
  if [ "$name" = win32 ] && [ "$can32" != yes ]; then
    echo "  win32 qlx.exe: NOT MEASURED: $can32"; continue
  fi
  row "$name qlx.exe --version (start-up)" "wine.$name.start"
  for op in enc dec; do
    what=encrypt; [ "$op" = dec ] && what=decrypt
    for threads in 1 2; do row "$name qlx.exe $what, $threads thread(s)" "wine.$name.$threads.$op" "64M.gpg.$op"; done
  done
done
