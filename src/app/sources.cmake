# SPDX-License-Identifier: GPL-3.0-or-later
target_sources(cdiapp PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/changetracker.cpp
    ${CMAKE_CURRENT_LIST_DIR}/commandtexts.cpp
    ${CMAKE_CURRENT_LIST_DIR}/keyfilter.cpp
    ${CMAKE_CURRENT_LIST_DIR}/mainwindow.cpp
    ${CMAKE_CURRENT_LIST_DIR}/qtplatform.cpp
    ${CMAKE_CURRENT_LIST_DIR}/startup.cpp
    ${CMAKE_CURRENT_LIST_DIR}/texts.cpp
    ${CMAKE_CURRENT_LIST_DIR}/unit1.cpp
)
target_sources(cdiapp PRIVATE ${CMAKE_CURRENT_LIST_DIR}/gridview.cpp)
target_sources(cdiapp PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/datafiles.cpp
    ${CMAKE_CURRENT_LIST_DIR}/programchip.cpp
    ${CMAKE_CURRENT_LIST_DIR}/programmerdialog.cpp
    ${CMAKE_CURRENT_LIST_DIR}/selfcheck.cpp
    ${CMAKE_CURRENT_LIST_DIR}/toolkitlanguage.cpp
)
