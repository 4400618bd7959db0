// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#pragma once

#include "format/cp1251.h"
#include "format/sourcetext.h"
#include "session/loadscan.h"

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QString>

inline QByteArray sampleBytes()
{
    QFile file(QStringLiteral(CDI_EXAMPLES_DIR "/CDI.asm"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

// The sample's lines without their line breaks, to be edited into test sources.
inline QList<QByteArray> sampleLines()
{
    QList<QByteArray> lines = sampleBytes().split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    for (QByteArray &line : lines) {
        if (line.endsWith('\r'))
            line.chop(1);
    }
    return lines;
}

inline QByteArray joinLines(const QList<QByteArray> &lines)
{
    QByteArray bytes;
    for (const QByteArray &line : lines)
        bytes += line + "\r\n";
    return bytes;
}

inline QByteArray cp(QStringView text)
{
    return toCp1251(text);
}

// The document a load of these bytes gives.
struct LoadedSource
{
    Document doc = Document::atStart(0);
    bool completed = false;

    explicit LoadedSource(const QByteArray &bytes)
    {
        doc.FirmwarePath = QStringLiteral("CDI.asm");
        doc.text = SourceText::fromFileBytes(bytes);
        completed = scanSource(doc, 0).completed();
        doc.loaded = completed;
    }
};

// Line numbers (from 0) of the sample's lines that the writer rewrites.
namespace sample {
inline constexpr int kIncludeLine = 0;
inline constexpr int kPulseStepsLine = 42;
inline constexpr int kPulseModeLine = 43;
inline constexpr int kSparkToZeroLine = 121;
inline constexpr int kSparkToOneLines[] = {164, 182, 485};
inline constexpr int kFirstCompareLine = 206; // every second line, 31 of them
inline constexpr int kTableLabelLines[] = {603, 669, 735};

// The value line of a table entry; its store line follows it.
inline constexpr int valueLine(int table, int row)
{
    return kTableLabelLines[table - 1] + 2 * row - 1;
}
inline constexpr int compareLine(int row)
{
    return kFirstCompareLine + 2 * (32 - row);
}
} // namespace sample
