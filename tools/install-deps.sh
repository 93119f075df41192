#!/bin/sh
# tools/install-deps.sh -- installs with apt-get whatever the builds and tests need and
# this Debian machine does not have yet. Run as root. Recommended packages are left
# out, so Wine's fonts (fonts-wine, which has Marlett for the caption buttons) are named.
#
# 32-bit Wine (wine32:i386, for the shipped 32-bit programs) is installed only where the
# kernel runs 32-bit programs, as a tiny static -m32 program shows: elsewhere it cannot
# work, and once installed /usr/bin/wine always starts its 32-bit loader, which would
# break every Wine test of the machine.
set -e
HERE=$(cd "$(dirname "$0")" && pwd)
. "$HERE/wine-env.sh"
PACKAGES="cmake ninja-build g++ clang libclang-rt-14-dev googletest libbenchmark-dev
  libssl-dev zlib1g-dev liblz4-dev g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
  binutils-mingw-w64 wine wine64 fonts-wine xvfb xauth imagemagick file gnupg time python3
  g++-multilib qemu-user libssl-dev:i386"
installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }
updated=""
install() {
  export DEBIAN_FRONTEND=noninteractive
  # The 32-bit build of the core links the i386 libcrypto for its test oracle; wine32 is i386.
  dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
  [ -n "$updated" ] || { apt-get update -qq; updated=1; }
  apt-get install -y -qq --no-install-recommends "$@"
}
missing=""
for p in $PACKAGES; do
  installed "$p" || missing="$missing $p"
done
if [ -n "$missing" ]; then
  echo "install-deps: installing$missing"
  # shellcheck disable=SC2086
  install $missing
fi

# After g++-multilib: the probe is a static -m32 program.
if kernel=$(qlx_m32_problem); then
  if ! installed wine32:i386; then
    echo "install-deps: installing wine32:i386 (this kernel runs 32-bit programs)"
    install wine32:i386
  fi
elif installed wine32:i386; then
  echo "install-deps: WARNING: wine32:i386 is installed, but $kernel; /usr/bin/wine starts the 32-bit" \
       "loader and no Wine test can run: apt-get remove wine32:i386" >&2
else
  echo "install-deps: not installing wine32:i386: $kernel"
fi
