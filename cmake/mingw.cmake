# Cross toolchain for the Windows builds, for the architecture QLX_MINGW_ARCH: i686 (the
# shipped 32-bit programs, preset win32) or x86_64 (preset win64). Both run their tests
# under Wine through tools/wine-run.sh, which runs a 32-bit program only where 32-bit
# Wine works.
set(QLX_MINGW_ARCH "${QLX_MINGW_ARCH}" CACHE STRING "Windows architecture: i686 or x86_64")
if(NOT QLX_MINGW_ARCH MATCHES "^(i686|x86_64)$")
  message(FATAL_ERROR "QLX_MINGW_ARCH must be i686 or x86_64, not \"${QLX_MINGW_ARCH}\"")
endif()
# try_compile projects read this file again: hand the architecture on to them.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES QLX_MINGW_ARCH)
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${QLX_MINGW_ARCH})
set(TOOLCHAIN_PREFIX ${QLX_MINGW_ARCH}-w64-mingw32)
# The -posix compilers carry std::thread/std::mutex, which GoogleTest needs.
set(CMAKE_C_COMPILER   ${TOOLCHAIN_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TOOLCHAIN_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER  ${TOOLCHAIN_PREFIX}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${TOOLCHAIN_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# Static runtime: the programs import nothing but system DLLs.
set(CMAKE_EXE_LINKER_FLAGS_INIT    "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../tools/wine-run.sh)
