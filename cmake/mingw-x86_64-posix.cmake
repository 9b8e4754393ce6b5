# 64-bit Windows build of the Wine tests (posix thread model, see mingw-common).
set(THREAD_MODEL posix)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-x86_64.cmake)
