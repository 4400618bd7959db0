# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 CDI table editor developers
# Cross build for 64-bit Windows with Debian's MinGW-w64 compilers (posix threads, for std::thread).
# Used twice: by scripts/windows-qt.sh to build Qt itself, and by the "windows" preset, which finds
# that Qt in CDI_QT_WINDOWS (default ~/.cache/cdi-editor/qt6-mingw-6.4.2) and the host's moc, rcc
# and uic in /usr.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(CDI_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${CDI_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${CDI_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${CDI_MINGW_TRIPLE}-windres)
set(CMAKE_AR ${CDI_MINGW_TRIPLE}-gcc-ar-posix CACHE FILEPATH "")
set(CMAKE_RANLIB ${CDI_MINGW_TRIPLE}-gcc-ranlib-posix CACHE FILEPATH "")

if(NOT CDI_QT_WINDOWS)
    if(DEFINED ENV{CDI_QT_WINDOWS})
        set(CDI_QT_WINDOWS $ENV{CDI_QT_WINDOWS})
    else()
        set(CDI_QT_WINDOWS $ENV{HOME}/.cache/cdi-editor/qt6-mingw-6.4.2)
    endif()
endif()
# Passed on to try_compile projects, which read this file again.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES CDI_QT_WINDOWS)

set(CMAKE_FIND_ROOT_PATH /usr/${CDI_MINGW_TRIPLE} ${CDI_QT_WINDOWS})
set(CMAKE_PREFIX_PATH ${CDI_QT_WINDOWS})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The Windows Qt's packages say where the host tools are; Debian keeps their CMake files under the
# multiarch folder.
if(NOT QT_HOST_PATH)
    set(QT_HOST_PATH /usr CACHE PATH "")
endif()
if(NOT QT_HOST_PATH_CMAKE_DIR)
    set(QT_HOST_PATH_CMAKE_DIR /usr/lib/x86_64-linux-gnu/cmake CACHE PATH "")
endif()

# ctest runs the test programs under Wine.
if(EXISTS /usr/lib/wine/wine64)
    set(CMAKE_CROSSCOMPILING_EMULATOR /usr/lib/wine/wine64)
endif()
