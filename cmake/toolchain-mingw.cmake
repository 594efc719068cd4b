# Shared by the MinGW-w64 toolchain files, which set MINGW_ARCH first.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${MINGW_ARCH})
set(MINGW_TRIPLE ${MINGW_ARCH}-w64-mingw32)
if(MINGW_COMPILER STREQUAL "clang")
    # Debian's clang for the same target, linking with lld against the
    # MinGW-w64 runtime and the GCC cross compiler's libstdc++ (win32 threads),
    # whose include folders its driver does not find by itself.
    set(CMAKE_C_COMPILER clang)
    set(CMAKE_CXX_COMPILER clang++)
    set(CMAKE_C_COMPILER_TARGET ${MINGW_TRIPLE})
    set(CMAKE_CXX_COMPILER_TARGET ${MINGW_TRIPLE})
    file(GLOB MINGW_GCC_DIR LIST_DIRECTORIES true /usr/lib/gcc/${MINGW_TRIPLE}/*-win32)
    list(GET MINGW_GCC_DIR 0 MINGW_GCC_DIR)
    set(MINGW_CXX_INCLUDE ${MINGW_GCC_DIR}/include/c++)
    set(CMAKE_CXX_STANDARD_INCLUDE_DIRECTORIES
        ${MINGW_CXX_INCLUDE} ${MINGW_CXX_INCLUDE}/${MINGW_TRIPLE} ${MINGW_CXX_INCLUDE}/backward)
    set(CMAKE_EXE_LINKER_FLAGS_INIT "-fuse-ld=lld -L${MINGW_GCC_DIR}")
    set(CMAKE_SHARED_LINKER_FLAGS_INIT "-fuse-ld=lld -L${MINGW_GCC_DIR}")
    set(CMAKE_MODULE_LINKER_FLAGS_INIT "-fuse-ld=lld -L${MINGW_GCC_DIR}")
else()
    set(CMAKE_C_COMPILER ${MINGW_TRIPLE}-gcc)
    set(CMAKE_CXX_COMPILER ${MINGW_TRIPLE}-g++)
endif()
set(CMAKE_RC_COMPILER ${MINGW_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Tests run under Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
