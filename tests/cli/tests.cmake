# SPDX-License-Identifier: GPL-3.0-or-later
# cdi-tables run as a program, checked against the window over the same files.
cdi_add_test(tst_cli WIDGETS SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_cli.cpp
    ${PROJECT_SOURCE_DIR}/tests/app/apptestsupport.h)
target_include_directories(tst_cli PRIVATE ${PROJECT_SOURCE_DIR}/tests/app)
target_compile_definitions(tst_cli PRIVATE CDI_TABLES="$<TARGET_FILE:cdi-tables>")
add_dependencies(tst_cli cdi-tables)
