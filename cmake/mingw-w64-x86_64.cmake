# Cross-compiles varnelo.exe for 64-bit Windows with Debian's mingw-w64 and runs what it
# builds (the test programs) under wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(VARNELO_MINGW_PREFIX x86_64-w64-mingw32)
# The posix thread model: GoogleTest needs std::mutex, which GCC 12's win32 model lacks.
find_program(VARNELO_MINGW_CXX NAMES ${VARNELO_MINGW_PREFIX}-g++-posix ${VARNELO_MINGW_PREFIX}-g++ REQUIRED)
find_program(VARNELO_MINGW_CC NAMES ${VARNELO_MINGW_PREFIX}-gcc-posix ${VARNELO_MINGW_PREFIX}-gcc REQUIRED)
set(CMAKE_CXX_COMPILER ${VARNELO_MINGW_CXX})
set(CMAKE_C_COMPILER ${VARNELO_MINGW_CC})
find_program(CMAKE_RC_COMPILER NAMES ${VARNELO_MINGW_PREFIX}-windres REQUIRED)

set(CMAKE_FIND_ROOT_PATH /usr/${VARNELO_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Test programs run under wine through a script that looks for it only when they run: the
# build works without wine, and installing it later needs no new configure.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh)
