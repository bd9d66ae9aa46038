# Cross-build for 64-bit Windows with MinGW-w64 (the posix thread model, for
# std::thread). The runtime is linked statically, so tolvern.exe and the test
# binaries run without extra DLLs. Tests run under Wine.
#
# Libraries for the target are looked up only below TOLVERN_WIN_DEPS (a staging
# prefix that scripts/build-windows.sh fills with the header-only dependencies
# and a GoogleTest built for the target), never in the build machine's /usr.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TOLVERN_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TOLVERN_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TOLVERN_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${TOLVERN_MINGW_PREFIX}-windres)

if(NOT TOLVERN_WIN_DEPS AND DEFINED ENV{TOLVERN_WIN_DEPS})
  set(TOLVERN_WIN_DEPS "$ENV{TOLVERN_WIN_DEPS}")
endif()
# Try-compile projects see the same variable.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES TOLVERN_WIN_DEPS)
set(CMAKE_FIND_ROOT_PATH /usr/${TOLVERN_MINGW_PREFIX} ${TOLVERN_WIN_DEPS})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Threads get the 8 MB stack they have on Linux (the Windows default is 1 MB,
# MinGW's 2 MB): the depth limits of the recursive readers are set for it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++ -Wl,--stack,8388608")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

find_program(TOLVERN_WINE wine)
if(TOLVERN_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${TOLVERN_WINE})
endif()
