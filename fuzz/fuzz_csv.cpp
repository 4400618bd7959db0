// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
// libFuzzer target: arbitrary bytes as the CSV of `cdi-tables import`, after one byte that picks
// --table.
#include "inputchecks.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString failure = checkCsvImport(QByteArrayView(data, qsizetype(size)));
    if (!failure.isEmpty()) {
        std::fprintf(stderr, "csv property failed: %s\n", qPrintable(failure));
        std::abort();
    }
    return 0;
}
