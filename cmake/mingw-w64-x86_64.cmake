# Cross-compiles the Qt-free Windows units with MinGW-w64 (posix threads), for example:
#   cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
# Everything is linked statically: a program that imports libwinpthread-1.dll or
# libstdc++-6.dll exits silently under Wine when they are not beside it.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(VIDLET_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${VIDLET_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VIDLET_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${VIDLET_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${VIDLET_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static")
