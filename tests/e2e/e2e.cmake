# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 CDI table editor developers
# End-to-end tests of the real program on a private X server: driven with xdotool, read through
# the accessibility tree. Needs Debian's xvfb, xdotool, dbus-daemon, at-spi2-core, python3-gi,
# gir1.2-atspi-2.0, x11-apps, imagemagick, xterm and avra. Leaves e2e-screenshot.png in the
# test's working folder.
add_test(NAME e2e COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/run_e2e.sh $<TARGET_FILE:cdi-editor>
                          ${CDI_EXAMPLES_DIR})
# Alone on the machine: it drives a window and times its waits.
set_tests_properties(e2e PROPERTIES TIMEOUT 300 RUN_SERIAL TRUE)
