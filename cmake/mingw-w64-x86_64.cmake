# Cross-compiles for 64-bit Windows with Debian's mingw-w64 (the POSIX thread
# model, which std::thread and std::mutex need). Everything the compiler
# brings is linked statically, so Lirosa.exe needs no DLL beyond Windows' own.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(LIROSA_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${LIROSA_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${LIROSA_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${LIROSA_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${LIROSA_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_CXX_STANDARD 20)
set(CMAKE_CXX_STANDARD_REQUIRED ON)
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Test programs run under Wine on the build machine.
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
