# Cross-compiles the Qt-free core for 64-bit Windows with Debian's mingw-w64 (the POSIX thread
# model, which std::thread and std::mutex need) and runs what it builds under Wine:
#   cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(VESK_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${VESK_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VESK_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${VESK_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${VESK_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The compiler's runtime (libstdc++, libgcc, winpthread) goes into each program, so that a
# program runs on a Windows machine, or under Wine, without the compiler's DLLs beside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT -static)

# GCC 12 reports a false overlap in libstdc++'s own string concatenation (its bug 105651).
set(CMAKE_CXX_FLAGS_INIT -Wno-restrict)

# CTest runs the test programs through Wine.
find_program(VESK_WINE NAMES wine wine64)
if(VESK_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${VESK_WINE})
endif()
