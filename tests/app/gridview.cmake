# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 CDI table editor developers
cdi_add_test(gridview_test WIDGETS SOURCES ${CMAKE_CURRENT_LIST_DIR}/gridview_test.cpp)
cdi_add_test(tst_gridmodel WIDGETS SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_gridmodel.cpp)
