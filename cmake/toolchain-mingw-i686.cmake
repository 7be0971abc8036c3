# Cross build for 32-bit Windows (i686) with mingw-w64: the shipped Q9XZ.exe.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(Q9XZ_MINGW_PREFIX i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
