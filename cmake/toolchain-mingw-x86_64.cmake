# Cross build for 64-bit Windows (x86_64) with mingw-w64.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(Q9XZ_MINGW_PREFIX x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)

# Wine on the build machine runs 64-bit Windows programs, so ctest runs the tests there, each
# build folder with its own Wine prefix.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run ${CMAKE_BINARY_DIR}/wineprefix)
