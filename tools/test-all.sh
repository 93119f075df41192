#!/bin/sh
# tools/test-all.sh -- the whole test run (README, .ci/run): installs what is missing,
# builds all presets with warnings as errors, runs the native tests, the sanitizer and
# fuzz build's tests, the operations' tests under ThreadSanitizer, the core's unit
# tests as 32-bit programs under qemu-i386, checks that win32 made 32-bit programs, and
# ends with the win64 tests under Wine.
set -e
cd "$(dirname "$0")/.."
tools/install-deps.sh
for preset in native fuzz tsan i386 win32 win64; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
done
ctest --preset native
ctest --preset fuzz
ctest --preset tsan
ctest --preset i386
tools/check-pe32.sh build/win32
tools/wine-ctest.sh build/win64   # one at a time: the GUI tests share one display
