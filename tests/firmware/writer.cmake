# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 CDI table editor developers
# The firmware source writer, the safe file save and the assembler command.
cdi_add_test(tst_writer SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_writer.cpp
    ${CMAKE_CURRENT_LIST_DIR}/writertestsupport.h)
cdi_add_test(tst_filesave SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_filesave.cpp)
cdi_add_test(tst_assembler SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_assembler.cpp)
cdi_add_test(tst_writer_avra SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_writer_avra.cpp
    ${CMAKE_CURRENT_LIST_DIR}/writertestsupport.h)
