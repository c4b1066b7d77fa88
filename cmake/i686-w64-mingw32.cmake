# The shipped program: 32-bit Windows, as the keyboard service's library is.
# Its tests need a machine that executes 32-bit x86 code (see README).
set(VARNOQ_MINGW_ARCH i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
# Debian's wine picks its 32-bit loader when wine32 is installed.
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
