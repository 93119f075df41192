#!/bin/sh
# tools/test-all.sh -- the whole test run (README, .ci/run): installs what is missing,
# builds all presets with warnings as errors, runs the native tests, the sanitizer and
# fuzz build's tests, the operations' tests under ThreadSanitizer, the core's unit
# tests as 32-bit programs under qemu-i386, checks that win32 made 32-bit programs, and
# ends with the Windows suites under Wine (tools/wine-suites.sh): the shipped 32-bit
# programs where 32-bit Wine works, with one loud line where it cannot, and the win64
# programs.
set -e
cd "$(dirname "$0")/.."
tools/install-deps.sh
for preset in native fuzz tsan i386 win32 win64; do
  tools/configure.sh "$preset"
  cmake --build --preset "$preset"
done
ctest --preset native
ctest --preset fuzz
ctest --preset tsan
ctest --preset i386
tools/check-pe32.sh build/win32
tools/wine-suites.sh build
