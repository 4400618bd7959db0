# SPDX-License-Identifier: GPL-3.0-or-later
target_sources(cdiapp PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/keyfilter.cpp
    ${CMAKE_CURRENT_LIST_DIR}/qtplatform.cpp
    ${CMAKE_CURRENT_LIST_DIR}/texts.cpp
    ${CMAKE_CURRENT_LIST_DIR}/unit1.cpp
)
target_sources(cdiapp PRIVATE ${CMAKE_CURRENT_LIST_DIR}/gridview.cpp)
target_sources(cdiapp PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/edittexts.cpp
    ${CMAKE_CURRENT_LIST_DIR}/editcommands.cpp
)
