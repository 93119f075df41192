# 32-bit Linux toolchain for the portable core and its unit tests: the shipped programs
# are 32-bit, so the core's tests run once as 32-bit programs, under qemu-i386.
# Needs g++-multilib, qemu-user and libssl-dev:i386 (tools/install-deps.sh).
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_COMPILER gcc)
set(CMAKE_CXX_COMPILER g++)
set(CMAKE_C_FLAGS_INIT "-m32")
set(CMAKE_CXX_FLAGS_INIT "-m32")
# Static programs: qemu-i386 needs no 32-bit loader or libraries on the machine.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-m32 -static")
set(CMAKE_LIBRARY_ARCHITECTURE i386-linux-gnu)
set(OPENSSL_USE_STATIC_LIBS TRUE)
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-i386)
# The i386 libcrypto for the test oracle (the machine's pkg-config names the 64-bit one).
set(OPENSSL_CRYPTO_LIBRARY /usr/lib/i386-linux-gnu/libcrypto.a CACHE FILEPATH "")
set(OPENSSL_SSL_LIBRARY /usr/lib/i386-linux-gnu/libssl.a CACHE FILEPATH "")
