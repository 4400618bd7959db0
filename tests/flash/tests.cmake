# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 CDI table editor developers
# Programming the chip: avrdude's arguments, its programmer list, and the terminal script run
# with the real avra and the real avrdude (with no programmer attached).
cdi_add_test(tst_chipprogrammer SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_chipprogrammer.cpp)
target_link_libraries(tst_chipprogrammer PRIVATE cdiflash)
