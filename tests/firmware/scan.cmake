# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 CDI table editor developers
cdi_add_test(tst_sourcetext SOURCES ${CMAKE_CURRENT_LIST_DIR}/sourcetext_test.cpp)
cdi_add_test(tst_loadscan SOURCES ${CMAKE_CURRENT_LIST_DIR}/scan_test.cpp)
cdi_add_test(tst_numbers SOURCES ${CMAKE_CURRENT_LIST_DIR}/numbers_test.cpp)
