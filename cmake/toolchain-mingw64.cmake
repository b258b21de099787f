# Cross build for 64-bit Windows with Debian's MinGW-w64 (the posix thread
# model, for std::thread and std::mutex). The libraries it links are the ones
# scripts/cross-deps builds; their folder comes from the environment variable
# V17_CROSS_PREFIX (scripts/windows sets it). Programs are linked statically, C
# and C++ runtimes included, so that the executable needs no DLL of ours.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(V17_MINGW_HOST x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${V17_MINGW_HOST}-gcc-posix)
set(CMAKE_CXX_COMPILER ${V17_MINGW_HOST}-g++-posix)
set(CMAKE_RC_COMPILER ${V17_MINGW_HOST}-windres)

set(V17_CROSS_PREFIX "$ENV{V17_CROSS_PREFIX}")
if(NOT V17_CROSS_PREFIX OR NOT EXISTS "${V17_CROSS_PREFIX}/.complete")
    message(FATAL_ERROR "V17_CROSS_PREFIX must name the libraries that "
                        "`scripts/cross-deps windows` built (scripts/windows sets it)")
endif()
set(CMAKE_FIND_ROOT_PATH ${V17_CROSS_PREFIX} /usr/${V17_MINGW_HOST})
set(CMAKE_PREFIX_PATH ${V17_CROSS_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# The tests run under Wine where CTest runs them.
find_program(V17_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(V17_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${V17_WINE})
endif()
