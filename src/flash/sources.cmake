# SPDX-License-Identifier: GPL-3.0-or-later
target_sources(cdiflash PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/chipprogrammer.cpp
    ${CMAKE_CURRENT_LIST_DIR}/flashcommand.cpp
)
