# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 CDI table editor developers
target_sources(cdicore PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/anglecode.cpp
    ${CMAKE_CURRENT_LIST_DIR}/chartrefresh.cpp
    ${CMAKE_CURRENT_LIST_DIR}/gridmodel.cpp
    ${CMAKE_CURRENT_LIST_DIR}/recompute.cpp
    ${CMAKE_CURRENT_LIST_DIR}/savetable.cpp
    ${CMAKE_CURRENT_LIST_DIR}/tablecolumn.cpp
)
target_sources(cdicore PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/gridsnapshot.cpp
    ${CMAKE_CURRENT_LIST_DIR}/rangeedit.cpp
    ${CMAKE_CURRENT_LIST_DIR}/tablecurves.cpp
)
