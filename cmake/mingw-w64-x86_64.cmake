# Cross-builds the Windows program on Debian with mingw-w64 (the POSIX thread
# model: std::thread and std::mutex are the C++ library's own) and runs what
# the build and the tests start under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(PELMORA_MINGW_TRIPLE x86_64-w64-mingw32)

set(CMAKE_C_COMPILER ${PELMORA_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${PELMORA_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${PELMORA_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${PELMORA_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# A Release build at -O2, as on Linux (CMake's default is -O3, which its
# _INIT variables would only add to).
set(CMAKE_C_FLAGS_RELEASE "-O2 -DNDEBUG" CACHE STRING "Flags of a Release build")
set(CMAKE_CXX_FLAGS_RELEASE "-O2 -DNDEBUG" CACHE STRING "Flags of a Release build")

# The C and C++ runtimes are linked in, so the program and the tests need no
# DLL of the compiler's beside them.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

find_program(PELMORA_WINE NAMES wine64 wine)
if(PELMORA_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${PELMORA_WINE})
endif()
