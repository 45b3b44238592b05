# Cross-compiles the Windows programs with MinGW-w64 for the target whose
# triple the including toolchain file sets (mingw-i686.cmake: the shipped
# 32-bit build; mingw-x86_64.cmake: its 64-bit twin, which only runs the
# tests where no 32-bit program can start).
# The win32 thread model: its runtime takes threads and locks from Windows
# itself, where the posix model links a pthread library into every program
# (about 30 KB of setup.exe). Its C++ library has no std::thread or
# std::mutex; the tests have their own (tests/support).
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER   ${triple}-gcc-win32)
set(CMAKE_CXX_COMPILER ${triple}-g++-win32)
set(CMAKE_RC_COMPILER  ${triple}-windres)
# The archivers that understand link-time-optimised objects.
set(CMAKE_AR     /usr/bin/${triple}-gcc-ar-win32 CACHE FILEPATH "")
set(CMAKE_RANLIB /usr/bin/${triple}-gcc-ranlib-win32 CACHE FILEPATH "")

set(CMAKE_FIND_ROOT_PATH /usr/${triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
