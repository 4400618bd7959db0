# SPDX-License-Identifier: GPL-3.0-or-later
cdi_add_test(tst_calibration SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_calibration.cpp)
