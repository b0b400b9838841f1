# Cross-compiles a static Windows vestrel.exe with Debian's mingw-w64 (the -posix thread
# variant: GoogleTest needs std::mutex). Tests run under Wine.
#   cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(VESTREL_MINGW x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${VESTREL_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VESTREL_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${VESTREL_MINGW}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${VESTREL_MINGW})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# One self-contained .exe: no libstdc++, libgcc or winpthread DLLs beside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Test programs built here run through Wine (ctest and GoogleTest's discovery use this).
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
