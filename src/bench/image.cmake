# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 CDI table editor developers
# Reading firmware images without the simulator: the Intel HEX parser (plain C++, also the
# runner's) and the image decoder with its exact check against a source (QtCore), which
# programming the chip and reading it use as well as the timing bench.
add_library(cdihex STATIC ${CMAKE_CURRENT_LIST_DIR}/intelhex.cpp)
target_include_directories(cdihex PUBLIC ${PROJECT_SOURCE_DIR}/src)
target_compile_options(cdihex PRIVATE -Wall -Wextra)
set_target_properties(cdihex PROPERTIES AUTOMOC OFF)

add_library(cdiimage STATIC
    ${CMAKE_CURRENT_LIST_DIR}/imagecheck.cpp
    ${CMAKE_CURRENT_LIST_DIR}/imagedecode.cpp)
target_link_libraries(cdiimage PUBLIC cdidomain cdihex)
target_compile_options(cdiimage PRIVATE -Wall -Wextra)
