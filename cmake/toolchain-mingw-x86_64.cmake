# Cross build for Windows (x86_64) with mingw-w64. The posix thread model is the one that has
# std::thread and std::mutex. Everything is linked statically so the programs import only
# system DLLs.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(Q9XZ_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${Q9XZ_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${Q9XZ_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${Q9XZ_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${Q9XZ_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Wine on the build machine runs 64-bit Windows programs, so ctest runs the tests there, each
# build folder with its own Wine prefix.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run ${CMAKE_BINARY_DIR}/wineprefix)
