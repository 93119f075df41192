#!/bin/sh
# tests/tools/wine_env_test.sh -- the check whether 32-bit Windows programs can run here
# (tools/wine-env.sh) and what the Windows suites (tools/wine-suites.sh) and the runner
# of each program (tools/wine-run.sh) do with its answer, with stand-ins for the
# compiler, Wine and tools/wine-ctest.sh: every reason is named, the skipped suite is
# said loudly, first and last, a 32-bit program is never "run" where Wine would start
# nothing, and a machine that can run 32-bit programs runs the win32 suite.
TOOLS=$(cd "$(dirname "$0")/../../tools" && pwd)
W=$(mktemp -d "${TMPDIR:-/tmp}/qlx-wine-env-test.XXXXXX")
trap 'rm -rf "$W"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# A compiler whose "32-bit program" is the shell script given (or that fails: none).
compiler() {
  if [ -z "$1" ]; then
    printf '#!/bin/sh\necho "cannot find -lc" >&2\nexit 1\n' > "$W/cc"
  else
    { printf '#!/bin/sh\nwhile [ "$1" != -o ]; do shift; done\n'
      printf 'printf "%%s\\n" %s > "$2"; chmod +x "$2"\n' "'$1'"; } > "$W/cc"
  fi
  chmod +x "$W/cc"
}
loader() { printf '#!/bin/sh\nexit %s\n' "$1" > "$W/wine"; chmod +x "$W/wine"; }

# problem EXPECTED_RC EXPECTED_TEXT: runs the check with the stand-ins.
problem() {
  got=$(QLX_M32_CC="$W/cc" QLX_WINE32_LOADER="$W/wine" sh -c '. "$1/wine-env.sh"; qlx_wine32_problem' sh "$TOOLS")
  rc=$?
  [ "$rc" = "$1" ] || fail "status $rc, not $1, for: $got"
  [ "$got" = "$2" ] || fail "got \"$got\", not \"$2\""
}

compiler ''
loader 0
problem 1 'no 32-bit program can be built here to try the kernel (gcc -m32 -static failed: g++-multilib is missing)'
compiler 'echo "sh: 1: ./probe: Exec format error" >&2; exit 126'
problem 1 'this kernel cannot run 32-bit programs (a static gcc -m32 program gives "Exec format error")'
compiler 'exit 0'   # runs, but is not the probe's program
problem 1 'this kernel cannot run 32-bit programs (a static gcc -m32 program gives "exit status 0")'
compiler 'exit 42'
rm -f "$W/wine"
problem 1 "32-bit Wine is not installed ($W/wine is missing; tools/install-deps.sh installs wine32:i386)"
loader 1
problem 1 "32-bit Wine does not start ($W/wine --version fails)"
loader 0
problem 0 ''

# The suites: a stand-in for wine-ctest.sh records its arguments and what it was told.
# It prints a line of its own, as ctest does, so that the skip line must come after it.
printf '#!/bin/sh\necho "ctest $* [${QLX_WINE32_PROBLEM-unset}]" >> "%s/calls"\necho "Test project $1"\nexit ${FAKE_CTEST_RC:-0}\n' "$W" > "$W/ctest"
chmod +x "$W/ctest"
suites() {
  rm -f "$W/calls"
  QLX_M32_CC="$W/cc" QLX_WINE32_LOADER="$W/wine" QLX_WINE_CTEST="$W/ctest" sh "$TOOLS/wine-suites.sh" /b > "$W/out" 2>&1
}

compiler 'echo "sh: 1: ./probe: Exec format error" >&2; exit 126'
suites || fail "the suites failed after a skip: $(cat "$W/out")"
skip='wine-suites: SKIPPED: the 32-bit Windows suite (/b/win32, the shipped programs) did not run: this kernel cannot run 32-bit programs (a static gcc -m32 program gives "Exec format error")'
[ "$(head -n1 "$W/out")" = "$skip" ] || fail "first line: $(head -n1 "$W/out")"
[ "$(tail -n1 "$W/out")" = "$skip" ] || fail "last line: $(tail -n1 "$W/out")"
[ "$(cat "$W/calls")" = "ctest /b/win64 [unset]" ] || fail "calls after a skip: $(cat "$W/calls")"
# A failing win64 suite fails the run, and the skip is still the last line.
FAKE_CTEST_RC=8 suites && fail "a failing win64 suite passed after a skip"
[ "$(tail -n1 "$W/out")" = "$skip" ] || fail "last line after a failing win64 suite: $(tail -n1 "$W/out")"

compiler 'exit 42'
loader 0
suites || fail "the suites failed: $(cat "$W/out")"
grep -q SKIPPED "$W/out" && fail "a skip line where the 32-bit suite ran: $(cat "$W/out")"
[ "$(cat "$W/calls")" = "ctest /b/win32 []
ctest /b/win64 -R ^(unit|shellext)\$ [unset]" ] || fail "calls: $(cat "$W/calls")"
FAKE_CTEST_RC=8 suites && fail "a failing win32 suite passed"
[ "$(cat "$W/calls")" = "ctest /b/win32 []" ] || fail "calls after a failing win32 suite: $(cat "$W/calls")"

# wine-run.sh: a 32-bit program is refused where 32-bit Wine cannot run (Wine would start
# nothing and exit 0) and run where it can; a 64-bit one always runs. Stand-ins for
# Wine's commands record what was started; the prefix is there and its server runs.
mkdir -p "$W/bin" "$W/pfx"
touch "$W/pfx/system.reg"
printf '#!/bin/sh\necho "wine $*" >> "%s/started"\n' "$W" > "$W/bin/wine"
printf '#!/bin/sh\nexit 1\n' > "$W/bin/wineserver"
chmod +x "$W/bin/wine" "$W/bin/wineserver"
# The smallest headers that make a program of each width: DOS header, "PE", the machine
# and the optional header's magic (0x10b: PE32, 0x20b: PE32+).
python3 - "$W" <<'PY'
import struct, sys
for name, machine, magic in (("x86.exe", 0x14C, 0x10B), ("x64.exe", 0x8664, 0x20B)):
    dos = bytearray(64); dos[0:2] = b"MZ"; struct.pack_into("<I", dos, 0x3C, 64)
    size = 0xE0 if magic == 0x10B else 0xF0
    optional = bytearray(size); struct.pack_into("<HH", optional, 0, magic, 0)
    struct.pack_into("<H", optional, 68, 3)
    coff = b"PE\0\0" + struct.pack("<HHIIIHH", machine, 0, 0, 0, 0, size, 0x102)
    open(sys.argv[1] + "/" + name, "wb").write(bytes(dos) + coff + bytes(optional))
PY
run() {
  rm -f "$W/started"
  PATH="$W/bin:$PATH" WINEPREFIX="$W/pfx" QLX_M32_CC="$W/cc" QLX_WINE32_LOADER="$W/wine" \
    sh "$TOOLS/wine-run.sh" "$W/$1" arg > "$W/out" 2>&1
}
compiler 'echo "sh: 1: ./probe: Exec format error" >&2; exit 126'
run x86.exe
rc=$?
[ "$rc" = 77 ] || fail "wine-run: status $rc for a 32-bit program without 32-bit Wine"
[ ! -f "$W/started" ] || fail "wine-run started a 32-bit program without 32-bit Wine: $(cat "$W/started")"
[ "$(cat "$W/out")" = "wine-run: $W/x86.exe is a 32-bit program and cannot run here: this kernel cannot run 32-bit programs (a static gcc -m32 program gives \"Exec format error\")" ] ||
  fail "wine-run said: $(cat "$W/out")"
run x64.exe || fail "wine-run refused a 64-bit program: $(cat "$W/out")"
[ "$(cat "$W/started" 2>/dev/null)" = "wine $W/x64.exe arg" ] || fail "wine-run did not start the 64-bit program"
compiler 'exit 42'
loader 0
run x86.exe || fail "wine-run refused a 32-bit program where 32-bit Wine runs: $(cat "$W/out")"
[ "$(cat "$W/started" 2>/dev/null)" = "wine $W/x86.exe arg" ] || fail "wine-run did not start the 32-bit program"

[ "$failures" = 0 ] && echo "wine_env_test: all cases passed"
[ "$failures" = 0 ]
