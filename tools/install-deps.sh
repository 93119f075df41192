#!/bin/sh
# tools/install-deps.sh -- installs with apt-get whatever the builds and tests need and
# this Debian machine does not have yet. Run as root. Recommended packages are left
# out, so Wine's fonts (fonts-wine, which has Marlett for the caption buttons) are named.
set -e
PACKAGES="cmake ninja-build g++ clang libclang-rt-14-dev googletest libbenchmark-dev
  libssl-dev zlib1g-dev liblz4-dev g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
  binutils-mingw-w64 wine wine64 fonts-wine xvfb xauth imagemagick file gnupg time python3
  g++-multilib qemu-user libssl-dev:i386"
missing=""
for p in $PACKAGES; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
if [ -n "$missing" ]; then
  echo "install-deps: installing$missing"
  export DEBIAN_FRONTEND=noninteractive
  # The 32-bit build of the core links the i386 libcrypto for its test oracle.
  dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
  apt-get update -qq
  # shellcheck disable=SC2086
  apt-get install -y -qq --no-install-recommends $missing
fi
