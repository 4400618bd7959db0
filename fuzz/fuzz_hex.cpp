// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
// libFuzzer target: arbitrary bytes as an Intel HEX firmware image, read as verify reads it.
#include "inputchecks.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString failure = checkIntelHex(QByteArrayView(data, qsizetype(size)));
    if (!failure.isEmpty()) {
        std::fprintf(stderr, "hex property failed: %s\n", qPrintable(failure));
        std::abort();
    }
    return 0;
}
