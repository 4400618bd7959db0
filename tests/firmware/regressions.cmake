# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 CDI table editor developers
# The fuzz targets' properties, run on their seed corpora and on every input that once broke one.
cdi_add_test(tst_fuzzregressions SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_fuzzregressions.cpp
    ${PROJECT_SOURCE_DIR}/fuzz/fuzzchecks.cpp ${PROJECT_SOURCE_DIR}/fuzz/fuzzchecks.h
    ${PROJECT_SOURCE_DIR}/fuzz/inputchecks.cpp ${PROJECT_SOURCE_DIR}/fuzz/inputchecks.h
    ${PROJECT_SOURCE_DIR}/src/bench/intelhex.cpp ${PROJECT_SOURCE_DIR}/src/bench/imagedecode.cpp
    ${PROJECT_SOURCE_DIR}/src/cli/firmwarefile.cpp)
target_include_directories(tst_fuzzregressions PRIVATE ${PROJECT_SOURCE_DIR}/fuzz)
target_compile_definitions(tst_fuzzregressions PRIVATE CDI_FUZZ_DIR="${PROJECT_SOURCE_DIR}/fuzz")
