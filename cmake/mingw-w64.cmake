# Cross-builds the Windows x64 launcher with Debian's mingw-w64 (POSIX thread model, so that
# std::thread and std::mutex exist), statically: no mingw DLL has to ship beside the programs.
# Test programs run under wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(SCF_MINGW x86_64-w64-mingw32)

set(CMAKE_C_COMPILER ${SCF_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${SCF_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${SCF_MINGW}-windres)
set(CMAKE_ASM_COMPILER ${SCF_MINGW}-gcc-posix)

set(CMAKE_FIND_ROOT_PATH /usr/${SCF_MINGW})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
