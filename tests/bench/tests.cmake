# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 CDI table editor developers
# The timing bench with the real assembler and the real simulator.
if(CDI_HAVE_BENCH)
    cdi_add_test(tst_bench_verify SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_bench_verify.cpp
        ${PROJECT_SOURCE_DIR}/tests/firmware/writertestsupport.h)
    target_link_libraries(tst_bench_verify PRIVATE cdibench)
    target_compile_definitions(tst_bench_verify PRIVATE CDI_BENCH_PROGRAM="$<TARGET_FILE:cdi-bench>")
    add_dependencies(tst_bench_verify cdi-bench)
    set_tests_properties(tst_bench_verify PROPERTIES TIMEOUT 600)
endif()
if(CDI_HAVE_BENCH)
    # The command-line front end on the sample: assembled, simulated, every point within tolerance.
    add_test(NAME cdi_bench_sample COMMAND cdi-bench verify ${CDI_EXAMPLES_DIR}/CDI.asm --table 2)
endif()
if(CDI_HAVE_BENCH)
    # The window's command "Check timing on simulated chip".
    cdi_add_test(tst_app_timingcheck WIDGETS SOURCES ${PROJECT_SOURCE_DIR}/tests/app/tst_timingcheck.cpp
        ${CDI_APP_TEST_SUPPORT})
    target_include_directories(tst_app_timingcheck PRIVATE ${PROJECT_SOURCE_DIR}/tests/app)
    set_tests_properties(tst_app_timingcheck PROPERTIES TIMEOUT 300)
endif()
if(CDI_HAVE_BENCH AND TARGET cdi-tables)
    # The same command through cdi-tables.
    add_test(NAME cdi_tables_verify_sample
        COMMAND cdi-tables verify ${CDI_EXAMPLES_DIR}/CDI.asm --table 3 --format csv)
endif()
