# Cross-build for 32-bit Windows with Debian's mingw-w64 (posix threading model, which GoogleTest needs).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(GLOW_TRIPLET i686-w64-mingw32)
set(CMAKE_C_COMPILER ${GLOW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${GLOW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${GLOW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${GLOW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# Tests run under Wine through this wrapper (its own prefix, timeout, redirected streams).
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run;win64)
