# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 CDI table editor developers
# The main window driven through its controls and handlers, with a recording desktop.
set(CDI_APP_TEST_SUPPORT ${CMAKE_CURRENT_LIST_DIR}/apptestsupport.h ${CMAKE_CURRENT_LIST_DIR}/fakeplatform.h
    ${CMAKE_CURRENT_LIST_DIR}/mainwindowsupport.h)
foreach(group startstate combokeys load language messages help gridediting selection saveandcompile
        filesafety mainwindow unsaved habits programchip editing lateicons)
    cdi_add_test(tst_app_${group} WIDGETS SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/tst_${group}.cpp ${CDI_APP_TEST_SUPPORT})
endforeach()
# Save and backup, through the window and through cdi-tables.
cdi_add_test(tst_app_saveandbackup WIDGETS SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_saveandbackup.cpp
    ${CDI_APP_TEST_SUPPORT})
target_compile_definitions(tst_app_saveandbackup PRIVATE CDI_TABLES="$<TARGET_FILE:cdi-tables>")
add_dependencies(tst_app_saveandbackup cdi-tables)
# Spreadsheet habits: copy and paste of rows, add and scale, Enter moves down, replaced angles.
cdi_add_test(tst_app_spreadsheet WIDGETS SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_spreadsheet.cpp
    ${CDI_APP_TEST_SUPPORT})
