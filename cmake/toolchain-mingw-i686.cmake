# Cross build for 32-bit Windows (i686) with mingw-w64: the shipped Q9XZ.exe.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(Q9XZ_MINGW_PREFIX i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)

# Where 32-bit Wine is installed, ctest runs the tests under it, as for the x86_64 build.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run ${CMAKE_BINARY_DIR}/wineprefix)
