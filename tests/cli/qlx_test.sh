#!/bin/sh
# qlx end to end: encrypt, list, check, decrypt and compare in a scratch folder, with
# the exit codes and the refusals to overwrite; outputs on a full file system (whole or
# none); help and version; and, through tests/cli/qlx_terminal.py, the passphrase
# prompt and the modes of the work files while an operation runs.
#   tests/cli/qlx_test.sh QLX [WRAPPER]   (WRAPPER: e.g. tools/wine-run.sh for qlx.exe)
set -u
QLX="$1"; WRAP="${2:-}"
T=$(mktemp -d "${TMPDIR:-/tmp}/qlx-cli.XXXXXX")
HERE=$(cd "$(dirname "$0")" && pwd)
trap 'umount "$T/full" 2>/dev/null; rm -rf "$T"' EXIT
failures=0
qlx() { $WRAP "$QLX" "$@"; }
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
# expect STATUS DESCRIPTION -- command...: the command must exit with STATUS
expect() {
  want=$1; what=$2; shift 3
  "$@" </dev/null >"$T/stdout.raw" 2>"$T/stderr"; got=$?
  tr -d '\r' <"$T/stdout.raw" >"$T/stdout"   # a Windows console program ends its lines with CR LF
  [ "$got" = "$want" ] || { fail "$what: exit $got, expected $want"; sed 's/^/  | /' "$T/stderr" >&2; }
}
same() { cmp -s "$1" "$2" || fail "$3: $1 and $2 differ"; }

mkdir -p "$T/in"
printf 'Dear Ann,\r\nthe report is attached.\r\n' >"$T/message.txt"
head -c 70000 /dev/urandom >"$T/in/random.bin"
i=0; while [ $i -lt 3000 ]; do echo "line $i of a text-like file"; i=$((i + 1)); done >"$T/in/text file.txt"
: >"$T/in/empty.dat"
printf 'right pass\n' >"$T/pass"
touch -d '2001-02-03 04:05:06 UTC' "$T/in/random.bin"

for alg in --aes --des; do
  rm -rf "$T/one.vek" "$T/out"*
  expect 0 "encrypt $alg" -- qlx encrypt $alg --text-file "$T/message.txt" --pass-file "$T/pass" -o "$T/one.vek" \
    "$T/in/random.bin" "$T/in/text file.txt" "$T/in/empty.dat"
  [ -f "$T/one.vek" ] || fail "encrypt $alg made no container"
  expect 0 "list $alg" -- qlx list "$T/one.vek"
  want_alg=2; [ "$alg" = --des ] && want_alg=1
  grep -q "^algorithm: *$want_alg " "$T/stdout" || fail "list $alg: algorithm line: $(cat "$T/stdout")"
  grep -q '^files: *3$' "$T/stdout" || fail "list $alg: file count"
  grep -q '2001-02-03 04:05:06  random.bin$' "$T/stdout" || fail "list $alg: time and name of random.bin"
  grep -q '^ *stored size  written (UTC) *name$' "$T/stdout" || fail "list $alg: no column labels"
  expect 0 "check right $alg" -- qlx check --pass "right pass" "$T/one.vek"
  expect 1 "check wrong $alg" -- qlx check --pass "wrong pass" "$T/one.vek"
  expect 0 "decrypt $alg" -- qlx decrypt --pass "right pass" -C "$T/out" "$T/one.vek"
  same "$T/message.txt" "$T/out/qlx.txt" "text $alg"
  for f in random.bin "text file.txt" empty.dat; do same "$T/in/$f" "$T/out/$f" "$f $alg"; done
  [ "$(date -u -r "$T/out/random.bin" +%Y%m%d%H%M%S)" = 20010203040506 ] || fail "decrypt $alg: stored time not set"
  # nothing is overwritten without --force, and nothing at all is written then
  echo changed >"$T/out/empty.dat"
  rm "$T/out/random.bin"
  expect 1 "decrypt over existing $alg" -- qlx decrypt --pass "right pass" -C "$T/out" "$T/one.vek"
  grep -q 'exists' "$T/stderr" || fail "decrypt over existing: no reason given"
  [ -f "$T/out/random.bin" ] && fail "decrypt over existing wrote a file"
  [ "$(cat "$T/out/empty.dat")" = changed ] || fail "decrypt over existing replaced a file"
  expect 0 "decrypt --force $alg" -- qlx decrypt --force --pass "right pass" -C "$T/out" "$T/one.vek"
  same "$T/in/empty.dat" "$T/out/empty.dat" "forced $alg"
  expect 1 "decrypt wrong passphrase $alg" -- qlx decrypt --pass "wrong" -C "$T/out2" "$T/one.vek"
  grep -q 'Wrong file signature' "$T/stderr" || fail "wrong passphrase: message"
  [ -e "$T/out2/random.bin" ] && fail "wrong passphrase wrote a file"
  expect 1 "encrypt over existing $alg" -- qlx encrypt --pass x -o "$T/one.vek" "$T/in/empty.dat"
  expect 0 "encrypt --force $alg" -- qlx encrypt --force --pass x -o "$T/one.vek" "$T/in/empty.dat"
done

# one container per item
expect 0 "encrypt --each" -- qlx encrypt --each --text "short text" --pass p -o "$T/each" "$T/in/random.bin" "$T/in/empty.dat"
for n in text.vek 000.vek 001.vek; do [ -f "$T/each/$n" ] || fail "encrypt --each: $n missing"; done
expect 0 "decrypt an item" -- qlx decrypt --pass p -C "$T/each-out" "$T/each/000.vek"
same "$T/in/random.bin" "$T/each-out/random.bin" "item 000"
expect 1 "encrypt --each over existing" -- qlx encrypt --each --pass p -o "$T/each" "$T/in/random.bin"

# failures and usage
expect 1 "missing input" -- qlx encrypt --pass p -o "$T/x.vek" "$T/in/none.txt"
grep -q 'Unable to open' "$T/stderr" || fail "missing input: message"
expect 1 "list a plain file" -- qlx list "$T/message.txt"
grep -q 'wrong format' "$T/stderr" || fail "list a plain file: message"
expect 1 "missing container" -- qlx check --pass p "$T/none.vek"
expect 2 "no command" -- qlx
expect 2 "unknown command" -- qlx frobnicate
expect 2 "no passphrase" -- qlx encrypt -o "$T/x.vek"
expect 2 "passphrase of 32 bytes" -- qlx encrypt --pass 0123456789abcdef0123456789abcdef -o "$T/x.vek"
expect 0 "passphrase of 31 bytes" -- qlx encrypt --pass 0123456789abcdef0123456789abcde -o "$T/x31.vek"
expect 2 "bad session key" -- qlx decrypt --session-key 1234 "$T/x31.vek"
expect 2 "two passphrases" -- qlx check --pass a --pass b "$T/x31.vek"
expect 2 "two files of one name" -- qlx encrypt --pass p -o "$T/dup.vek" "$T/in/empty.dat" "$T/in/../in/empty.dat"
[ -e "$T/dup.vek" ] && fail "two files of one name: a container was made"

# help and version: on standard output, exit 0; a wrong command line: usage on standard error
version=$(sed -n 's/^#define QLX_PRODUCT_VERSION "\(.*\)"$/\1/p' "$HERE/../../resources/version.h")
for option in --help -h; do
  expect 0 "$option" -- qlx $option
  grep -q '^usage: qlx encrypt' "$T/stdout" || fail "$option: no usage on standard output"
  [ -s "$T/stderr" ] && fail "$option: wrote to standard error"
done
expect 0 "--version" -- qlx --version
[ "$(cat "$T/stdout")" = "qlx $version" ] || fail "--version: printed '$(cat "$T/stdout")', expected 'qlx $version'"
[ -s "$T/stderr" ] && fail "--version: wrote to standard error"
expect 2 "unknown option" -- qlx list --version "$T/x31.vek"
[ -s "$T/stdout" ] && fail "unknown option: wrote to standard output"
grep -q '^usage: qlx' "$T/stderr" || fail "unknown option: no usage on standard error"

# A full file system: nothing appears in the destination, what was there stays.
if [ "$(id -u)" != 0 ]; then
  echo "skipped: the full file system checks need root to mount a small tmpfs"
elif ! { mkdir "$T/full" && mount -t tmpfs -o size=96k tmpfs "$T/full"; }; then
  echo "skipped: no small tmpfs could be mounted on $T/full"
else
  head -c 300000 /dev/urandom >"$T/f.bin"
  expect 0 "encrypt for the full disk" -- qlx encrypt --text "a text" --pass p -o "$T/full.vek" "$T/f.bin"
  expect 1 "decrypt onto a full disk" -- qlx decrypt --pass p -C "$T/full/out" "$T/full.vek"
  grep -q 'No space left on device' "$T/stderr" || fail "full disk: the reason is not named: $(cat "$T/stderr")"
  left=$(ls -A "$T/full/out" 2>/dev/null)
  [ -z "$left" ] || fail "full disk: decrypt left files behind: $left"
  mkdir -p "$T/full/kept"; echo "earlier" >"$T/full/kept/f.bin"; echo "earlier text" >"$T/full/kept/qlx.txt"
  expect 1 "decrypt --force onto a full disk" -- qlx decrypt --force --pass p -C "$T/full/kept" "$T/full.vek"
  [ "$(cat "$T/full/kept/f.bin")" = earlier ] || fail "full disk: an existing file was changed"
  [ "$(cat "$T/full/kept/qlx.txt")" = "earlier text" ] || fail "full disk: the existing text was changed"
  [ "$(ls -A "$T/full/kept" | wc -l)" = 2 ] || fail "full disk: files left behind: $(ls -A "$T/full/kept")"
  expect 1 "encrypt --each onto a full disk" -- qlx encrypt --each --text t --pass p -o "$T/full/each" "$T/f.bin"
  grep -q 'No space left on device' "$T/stderr" || fail "full disk, encrypt: the reason is not named: $(cat "$T/stderr")"
  left=$(ls -A "$T/full/each" 2>/dev/null)
  [ -z "$left" ] || fail "full disk: encrypt --each left files behind: $left"
  umount "$T/full"
fi

# The prompt (and, natively, the modes of work files) through pseudo-terminals; under
# Wine qlx.exe gets a Windows console on the pseudo-terminal.
if ! command -v python3 >/dev/null; then
  echo "skipped: the terminal checks need python3"
else
  mkdir "$T/terminal"
  python3 "$HERE/qlx_terminal.py" "$QLX" "$T/terminal" "$WRAP" || fail "terminal checks (above)"
fi

if [ $failures -ne 0 ]; then echo "$failures failure(s)" >&2; exit 1; fi
echo "qlx: all end-to-end checks passed"
