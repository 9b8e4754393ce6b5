# 32-bit Windows build: the one that ships (Mach3 is a 32-bit program).
set(CMAKE_SYSTEM_PROCESSOR i686)
set(TOOLCHAIN_PREFIX i686-w64-mingw32)
set(WIDL_TARGET_FLAGS --win32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
