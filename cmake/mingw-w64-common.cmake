# What both Windows toolchains share; each names its VARNOQ_MINGW_ARCH and
# its Wine first. MinGW-w64, posix thread model (GoogleTest needs std::mutex,
# which the win32 model lacks). Tests run under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${VARNOQ_MINGW_ARCH})

set(VARNOQ_TRIPLE ${VARNOQ_MINGW_ARCH}-w64-mingw32)
set(CMAKE_C_COMPILER ${VARNOQ_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VARNOQ_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${VARNOQ_TRIPLE}-windres)
set(CMAKE_AR ${VARNOQ_TRIPLE}-gcc-ar-posix CACHE FILEPATH "")
set(CMAKE_RANLIB ${VARNOQ_TRIPLE}-gcc-ranlib-posix CACHE FILEPATH "")
set(CMAKE_STRIP ${VARNOQ_TRIPLE}-strip CACHE FILEPATH "")

set(CMAKE_FIND_ROOT_PATH /usr/${VARNOQ_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# Static runtime: the program and its DLLs run on a clean Windows with no
# MinGW DLLs beside them.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
