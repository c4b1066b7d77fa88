# The same sources for 64-bit Windows: the build that every machine here can
# run and test, including those without 32-bit execution (see README).
set(VARNOQ_MINGW_ARCH x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
# The 64-bit loader itself: /usr/bin/wine would take the 32-bit one whenever
# wine32 is installed, and that one cannot start where 32-bit code cannot run.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine64)
