// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
// libFuzzer target: a header of edits and a firmware source, loaded, edited and saved.
#include "fuzzchecks.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    // One scratch file for the whole run: a save that stops must leave it as the last
    // completed save wrote it.
    static SaveScratchFile file;
    if (!file.isValid()) {
        std::fprintf(stderr, "no scratch folder for the saved file\n");
        std::abort();
    }
    const QString failure = checkSave(QByteArrayView(data, qsizetype(size)), file);
    if (!failure.isEmpty()) {
        std::fprintf(stderr, "save property failed: %s\n", qPrintable(failure));
        std::abort();
    }
    return 0;
}
