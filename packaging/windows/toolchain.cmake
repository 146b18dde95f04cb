# SPDX-License-Identifier: GPL-3.0-or-later
# Cross-building for 64-bit Windows with Debian's MinGW-w64 (posix threads,
# which Qt needs for std::thread and std::mutex).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(QUINMARE_MINGW x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${QUINMARE_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QUINMARE_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${QUINMARE_MINGW}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${QUINMARE_MINGW})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)
