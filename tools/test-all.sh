#!/bin/sh
# tools/test-all.sh -- the whole test run (README, .ci/run): installs what is missing,
# builds all presets with warnings as errors, runs the native tests, the sanitizer and
# fuzz build's tests, the operations' tests under ThreadSanitizer, the core's unit
# tests as 32-bit programs under qemu-i386, checks that win32 made 32-bit programs, and
# ends with the Windows suites under Wine (tools/wine-suites.sh): the shipped 32-bit
# programs where 32-bit Wine works, with one loud line where it cannot, and the win64
# programs. Where the 32-bit suite cannot run, the win32 preset builds only what ships
# (setup and everything it carries), which check-pe32 then checks; its test programs
# would never run.
set -e
cd "$(dirname "$0")/.."
tools/install-deps.sh
. tools/wine-env.sh
for preset in native fuzz tsan i386 win32 win64; do
  tools/configure.sh "$preset"
  if [ "$preset" = win32 ] && problem=$(qlx_wine32_problem); then
    cmake --build --preset win32
  elif [ "$preset" = win32 ]; then
    echo "test-all: win32 builds only the shipped programs: the 32-bit suite cannot run here ($problem)"
    cmake --build --preset win32 --target setup
  else
    cmake --build --preset "$preset"
  fi
done
ctest --preset native
ctest --preset fuzz
ctest --preset tsan
ctest --preset i386
tools/check-pe32.sh build/win32
tools/wine-suites.sh build
