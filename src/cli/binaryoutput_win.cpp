// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
// Windows: standard output and error in binary mode, before main() prints anything, so that the
// program prints the same bytes as on Linux; in text mode the C runtime writes CR LF for each LF.
#include <cstdio>

#include <fcntl.h>
#include <io.h>

namespace {

[[maybe_unused]] const bool binaryOutput =
    _setmode(_fileno(stdout), _O_BINARY) != -1 && _setmode(_fileno(stderr), _O_BINARY) != -1;

} // namespace
