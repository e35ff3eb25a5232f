# Cross-compiles for Windows with MinGW-w64 (posix threads), for example:
#   cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
#     -DCMAKE_PREFIX_PATH=<Windows Qt> -DQT_HOST_PATH=/usr
# With a Windows Qt on CMAKE_PREFIX_PATH the whole program is built; without one, only the
# Qt-free Windows units. Each target chooses how it links the C++ runtime (see the top level).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(VIDLET_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${VIDLET_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VIDLET_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${VIDLET_MINGW_PREFIX}-windres)

# The Windows Qt (and qrcodegen beside it) is searched like the toolchain's own libraries.
set(CMAKE_FIND_ROOT_PATH /usr/${VIDLET_MINGW_PREFIX} ${CMAKE_PREFIX_PATH})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
