# SPDX-License-Identifier: GPL-3.0-or-later
target_sources(cdiapp PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/changetracker.cpp
    ${CMAKE_CURRENT_LIST_DIR}/commandtexts.cpp
    ${CMAKE_CURRENT_LIST_DIR}/hints.cpp
    ${CMAKE_CURRENT_LIST_DIR}/inputguards.cpp
    ${CMAKE_CURRENT_LIST_DIR}/keyfilter.cpp
    ${CMAKE_CURRENT_LIST_DIR}/mainwindow.cpp
    ${CMAKE_CURRENT_LIST_DIR}/offendingcell.cpp
    ${CMAKE_CURRENT_LIST_DIR}/qtplatform.cpp
    ${CMAKE_CURRENT_LIST_DIR}/startup.cpp
    ${CMAKE_CURRENT_LIST_DIR}/texts.cpp
    ${CMAKE_CURRENT_LIST_DIR}/unit1.cpp
    ${CMAKE_CURRENT_LIST_DIR}/windowfont.cpp
)
target_sources(cdiapp PRIVATE ${CMAKE_CURRENT_LIST_DIR}/gridview.cpp)
