# Cross-building the Windows programs on Debian with mingw-w64 (posix threads, for
# std::thread): cmake -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake (make windows).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(triple x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${triple}-g++-posix)
set(CMAKE_RC_COMPILER ${triple}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# Nothing from MinGW's runtime DLLs: the programs need only Windows' own.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
# GCC keeps 32-byte vectors on a stack Windows aligns to 16 bytes only; the assembler makes
# every aligned vector move an unaligned one, so that an AVX2 spill cannot fault.
set(CMAKE_CXX_FLAGS_INIT "-Wa,-muse-unaligned-vector-move")
# GCC 12 warns of overlapping copies in std::string concatenation where there are none
# (its bug 105329), in this build only.
string(APPEND CMAKE_CXX_FLAGS_INIT " -Wno-restrict")
