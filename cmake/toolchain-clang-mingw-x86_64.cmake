# The same target built with clang and lld: the second compiler.
set(MINGW_COMPILER clang)
set(MINGW_ARCH x86_64)
set(WIDL_TARGET_FLAG --win64)
set(WINE_DLL_DIR /usr/lib/x86_64-linux-gnu/wine/x86_64-windows)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw.cmake)
