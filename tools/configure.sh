#!/bin/sh
# tools/configure.sh PRESET -- configures the preset's build folder (cmake --preset). A
# folder made with a toolchain file that is gone (the two mingw toolchain files became
# cmake/mingw.cmake) cannot be configured again: it is configured afresh.
set -e
cd "$(dirname "$0")/.."
fresh=""
for system in "build/$1"/CMakeFiles/*/CMakeSystem.cmake; do
  [ -f "$system" ] || continue
  toolchain=$(sed -n 's/^include("\(.*\)")$/\1/p' "$system")
  if [ -n "$toolchain" ] && [ ! -f "$toolchain" ]; then fresh=--fresh; fi
done
cmake --preset "$1" $fresh >/dev/null
