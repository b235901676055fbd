# Cross-compiles for 64-bit Windows with MinGW-w64 (Debian's g++-mingw-w64-x86-64-posix).
# The posix flavour is the one with std::thread and friends. The runtime (libstdc++, libgcc,
# winpthread) is linked in statically, so the programs run under Wine, or on a Windows machine,
# without any MinGW DLL beside them. Test programs run under Wine.
#
#   cmake -S . -B build-win -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DQM_BUILD_GUI=OFF
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(_qm_mingw x86_64-w64-mingw32)
find_program(CMAKE_C_COMPILER NAMES ${_qm_mingw}-gcc-posix ${_qm_mingw}-gcc REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${_qm_mingw}-g++-posix ${_qm_mingw}-g++ REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${_qm_mingw}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${_qm_mingw})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Windows programs built here run under Wine: tests through ctest, and anything else CMake runs.
find_program(QM_WINE NAMES wine wine64)
if(QM_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${QM_WINE})
endif()
