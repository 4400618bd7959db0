# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 CDI table editor developers
cdi_add_test(tst_chartseries SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_chartseries.cpp)
cdi_add_test(tst_plotlayout SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_plotlayout.cpp)

# The chart widget needs only its own library, not the window.
add_executable(tst_chartwidget ${CMAKE_CURRENT_LIST_DIR}/tst_chartwidget.cpp)
target_link_libraries(tst_chartwidget PRIVATE cdichartwidget Qt6::Test)
add_test(NAME tst_chartwidget COMMAND tst_chartwidget)
set_tests_properties(tst_chartwidget PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LC_ALL=C.UTF-8")
