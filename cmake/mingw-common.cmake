# Shared by the mingw toolchain files, which set TOOLCHAIN_PREFIX first, and
# THREAD_MODEL: win32 for the programs (the posix model's runtime imports
# GetTickCount64, which Windows XP lacks), posix for the Wine tests, whose
# GoogleTest needs std::mutex.
if(NOT THREAD_MODEL)
  set(THREAD_MODEL win32)
endif()
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER   ${TOOLCHAIN_PREFIX}-gcc-${THREAD_MODEL})
set(CMAKE_CXX_COMPILER ${TOOLCHAIN_PREFIX}-g++-${THREAD_MODEL})
set(CMAKE_RC_COMPILER  ${TOOLCHAIN_PREFIX}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${TOOLCHAIN_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
