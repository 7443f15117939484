# Cross-builds the Windows version on Debian with MinGW-w64 (package g++-mingw-w64-x86-64-posix).
# The -posix compilers are named on purpose: their thread model gives std::thread, std::mutex
# and std::condition_variable, which the win32-model ones lack. Everything is linked statically,
# so an .exe imports only system DLLs. Built programs run under wine, found here as the emulator.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TAVR_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TAVR_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TAVR_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${TAVR_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TAVR_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Static libstdc++, libgcc and winpthread: without their DLLs beside it a dynamic build exits
# silently.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

find_program(TAVR_WINE wine)
if(TAVR_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${TAVR_WINE})
endif()

# -O2 rather than -O3: at -O3 this GCC 12 reports a false -Wrestrict inside libstdc++'s string
# code, which -Werror turns into a failed build.
set(CMAKE_C_FLAGS_RELEASE "-O2 -DNDEBUG" CACHE STRING "Flags of the Release build")
set(CMAKE_CXX_FLAGS_RELEASE "-O2 -DNDEBUG" CACHE STRING "Flags of the Release build")
