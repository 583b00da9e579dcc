# Cross build for 64-bit Windows with Debian's mingw-w64 (posix thread model,
# package g++-mingw-w64-x86-64-posix):
#   cmake -S . -B build/win -G Ninja \
#     -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DZELMORA_PLAIN_ONLY=ON
# Debian has no Qt for this target, so only the plain layers build this way.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(ZELMORA_MINGW_TRIPLET x86_64-w64-mingw32)
# The posix flavour has std::thread and std::mutex (through winpthreads); the
# win32 flavour of GCC 12 lacks them.
set(CMAKE_C_COMPILER ${ZELMORA_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ZELMORA_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${ZELMORA_MINGW_TRIPLET}-windres)

# Headers and libraries of the target only; programs of the build host.
set(CMAKE_FIND_ROOT_PATH /usr/${ZELMORA_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
