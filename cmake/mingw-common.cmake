# What the two mingw-w64 toolchains share; Q9XZ_MINGW_PREFIX names the target triple. The posix
# thread model is the one that has std::thread and std::mutex. Everything is linked statically
# so the programs import only system DLLs.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${Q9XZ_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${Q9XZ_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${Q9XZ_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${Q9XZ_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
