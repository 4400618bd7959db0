# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 CDI table editor developers
# Every input besides the window's load: the Intel HEX reader, and the files the command-line
# tools read (FIFOs, devices, folders, huge files) through the one file-read rule.
cdi_add_test(tst_intelhex SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_intelhex.cpp)
target_link_libraries(tst_intelhex PRIVATE cdihex)
target_compile_definitions(tst_intelhex PRIVATE CDI_FUZZ_DIR="${PROJECT_SOURCE_DIR}/fuzz")

cdi_add_test(tst_otherinputs SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_otherinputs.cpp)
target_compile_definitions(tst_otherinputs PRIVATE CDI_TABLES="$<TARGET_FILE:cdi-tables>")
add_dependencies(tst_otherinputs cdi-tables)
if(TARGET cdi-bench)
    target_compile_definitions(tst_otherinputs PRIVATE CDI_BENCH="$<TARGET_FILE:cdi-bench>")
    add_dependencies(tst_otherinputs cdi-bench)
endif()
