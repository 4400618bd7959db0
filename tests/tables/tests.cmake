# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 CDI table editor developers
cdi_add_test(tst_anglecode SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_anglecode.cpp)
cdi_add_test(tst_chartrefresh SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_chartrefresh.cpp)
cdi_add_test(tst_savetable SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_savetable.cpp)
cdi_add_test(tst_recompute SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_recompute.cpp)
cdi_add_test(tst_rangeedit SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_rangeedit.cpp)
cdi_add_test(tst_edithistory SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_edithistory.cpp)
