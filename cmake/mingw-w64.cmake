# Cross build for 64-bit Windows with mingw-w64 on Debian/Ubuntu.
# The -posix compilers carry winpthreads, so std::thread and std::mutex work.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(PAIRLOOK_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${PAIRLOOK_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${PAIRLOOK_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${PAIRLOOK_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${PAIRLOOK_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# One self-contained file per program: no libstdc++, libgcc or winpthread
# DLLs to ship beside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Test programs run under Wine, in the build folder's own prefix.
get_filename_component(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run ABSOLUTE)
