# The same target built with clang and lld: the second compiler.
set(MINGW_COMPILER clang)
set(MINGW_ARCH i686)
set(WIDL_TARGET_FLAG --win32)
# stdole2.tlb is the same type library for both architectures.
set(WINE_DLL_DIR /usr/lib/x86_64-linux-gnu/wine/x86_64-windows)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw.cmake)
