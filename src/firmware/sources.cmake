# SPDX-License-Identifier: GPL-3.0-or-later
target_sources(cdicore PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/cp1251.cpp
    ${CMAKE_CURRENT_LIST_DIR}/numbers.cpp
    ${CMAKE_CURRENT_LIST_DIR}/sourcetext.cpp
    ${CMAKE_CURRENT_LIST_DIR}/instruction.cpp
)
target_sources(cdicore PRIVATE ${CMAKE_CURRENT_LIST_DIR}/loadscan.cpp)
target_sources(cdicore PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/writer.cpp
    ${CMAKE_CURRENT_LIST_DIR}/filesave.cpp
    ${CMAKE_CURRENT_LIST_DIR}/sourcefile.cpp
    ${CMAKE_CURRENT_LIST_DIR}/inplacesave.cpp
    ${CMAKE_CURRENT_LIST_DIR}/assembler.cpp
)
