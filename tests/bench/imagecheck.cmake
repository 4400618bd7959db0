# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 CDI table editor developers
# The exact image check with the real assembler; it needs no simulator.
cdi_add_test(tst_imagecheck SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_imagecheck.cpp
    ${PROJECT_SOURCE_DIR}/tests/firmware/writertestsupport.h)
target_link_libraries(tst_imagecheck PRIVATE cdiimage)
# Programming and reading the chip from the window use the programmer emulator too.
if(TARGET tst_app_programchip)
    target_compile_definitions(tst_app_programchip PRIVATE
        CDI_STK500_EMULATOR="${PROJECT_SOURCE_DIR}/tests/flash/stk500emu.py")
    set_tests_properties(tst_app_programchip PROPERTIES TIMEOUT 300)
endif()
