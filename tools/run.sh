#!/bin/sh
# tools/run.sh -- the README's run command: starts Quillnox.exe under Wine
# (tools/run-quillnox.sh; arguments go to the program).
# tools/run.sh qlx -- builds the native qlx (installing what is
# missing) and shows it at work on a small example it makes: encrypt a text and two
# files, list the container, test a right and a wrong passphrase, decrypt, compare.
set -e
cd "$(dirname "$0")/.."
if [ "$1" != "qlx" ]; then exec tools/run-quillnox.sh "$@"; fi
tools/install-deps.sh
cmake --preset native >/dev/null
cmake --build --preset native --target qlx >/dev/null
QLX="$PWD/build/native/cli/qlx"
W=$(mktemp -d "${TMPDIR:-/tmp}/qlx-demo.XXXXXX")
trap 'rm -rf "$W"' EXIT
mkdir "$W/in"
printf 'Hello Ann,\r\nthe figures are attached.\r\n' > "$W/message.txt"
seq 1 20000 | sed 's/$/ quarterly figures/' > "$W/in/figures.txt"
head -c 50000 /dev/urandom > "$W/in/photo.bin"
# The transcript's lines can be copied into a shell: an argument that is empty or holds
# a space or another special character is quoted ('it'\''s' for a quote inside).
quote() {
  case $1 in
    '' | *[!A-Za-z0-9_./=:,+@%-]*) printf "'%s'" "$(printf '%s' "$1" | sed "s/'/'\\\\''/g")" ;;
    *) printf '%s' "$1" ;;
  esac
}
transcript() { printf '$ qlx'; for a in "$@"; do printf ' '; quote "$a"; done; echo; }
show() { transcript "$@"; "$QLX" "$@"; echo; }
# For a command that is meant to fail: shows its exit status.
show_failing() { transcript "$@"; "$QLX" "$@" || echo "(exit status $?)"; echo; }
cd "$W"
show encrypt --aes --text-file message.txt --pass "correct horse" -o demo.vek in/figures.txt in/photo.bin
ls -l in/figures.txt in/photo.bin demo.vek; echo
show list demo.vek
show check --pass "correct horse" demo.vek
show_failing check --pass "wrong horse" demo.vek
show decrypt --pass "correct horse" -C out demo.vek
cmp message.txt out/qlx.txt && cmp in/figures.txt out/figures.txt && cmp in/photo.bin out/photo.bin &&
  echo "The text and both files came back byte for byte."
