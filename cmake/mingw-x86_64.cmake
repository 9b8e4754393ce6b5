# 64-bit Windows build: kept compiling, not shipped.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TOOLCHAIN_PREFIX x86_64-w64-mingw32)
set(WIDL_TARGET_FLAGS --win64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
