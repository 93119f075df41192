#!/bin/sh
# tools/configure.sh PRESET -- configures the preset's build folder (cmake --preset). A
# folder made with a toolchain file that is gone (the two mingw toolchain files became
# cmake/mingw.cmake) cannot be configured again: it is configured afresh, and the 64-bit
# shell extension's own build folder inside it (shellext64) is made anew.
set -e
cd "$(dirname "$0")/.."
stale() {
  for system in "$1"/CMakeFiles/*/CMakeSystem.cmake; do
    [ -f "$system" ] || continue
    toolchain=$(sed -n 's/^include("\(.*\)")$/\1/p' "$system")
    if [ -n "$toolchain" ] && [ ! -f "$toolchain" ]; then return 0; fi
  done
  return 1
}
fresh=""
if stale "build/$1"; then fresh=--fresh; fi
if stale "build/$1/shellext64"; then rm -rf "build/$1/shellext64" "build/$1/shellext/quillext64-prefix"; fi
cmake --preset "$1" $fresh >/dev/null
