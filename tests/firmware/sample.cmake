# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 CDI table editor developers
# The shipped sample firmware source must assemble with avra.
add_test(NAME sample_assembles COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/sample_assembles.sh ${CDI_EXAMPLES_DIR}/CDI.asm)
