# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 CDI table editor developers
# Programming the chip: avrdude's arguments, its programmer list, and the terminal script run
# with the real avra and the real avrdude (with no programmer attached).
cdi_add_test(tst_chipprogrammer SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_chipprogrammer.cpp)
target_link_libraries(tst_chipprogrammer PRIVATE cdiflash)
# The chip end to end: the real avrdude against our STK500v1 emulator (tests/flash/stk500emu.py).
if(TARGET cdi-tables)
    cdi_add_test(tst_chip_e2e SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_chip_e2e.cpp
        ${PROJECT_SOURCE_DIR}/tests/firmware/writertestsupport.h)
    target_link_libraries(tst_chip_e2e PRIVATE cdihex)
    target_compile_definitions(tst_chip_e2e PRIVATE CDI_TABLES="$<TARGET_FILE:cdi-tables>"
        CDI_STK500_EMULATOR="${CMAKE_CURRENT_LIST_DIR}/stk500emu.py")
    add_dependencies(tst_chip_e2e cdi-tables)
    set_tests_properties(tst_chip_e2e PROPERTIES TIMEOUT 300)
endif()
