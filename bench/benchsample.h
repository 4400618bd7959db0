// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

#include <cstdio>
#include <cstdlib>

inline QString samplePath()
{
    return QStringLiteral(CDI_EXAMPLES_DIR "/CDI.asm");
}

inline QByteArray readFileOrDie(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read %s\n", qPrintable(path));
        std::exit(2);
    }
    return file.readAll();
}

inline void writeFileOrDie(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        std::exit(2);
    }
}

// The sample made about `factor` times as long by comment lines put right after its ADC-enable
// line, before the first table label. Everything the scan and the writer look for before that
// line keeps its text position; the tables are searched from a position on, so the extra lines
// only move their labels further into the text.
inline QByteArray paddedSample(const QByteArray &sample, int factor)
{
    if (factor <= 1)
        return sample;
    const qsizetype marker = sample.indexOf("sbi ADCSRA,");
    const qsizetype lineEnd = marker < 0 ? -1 : sample.indexOf('\n', marker);
    if (lineEnd < 0) {
        std::fprintf(stderr, "the sample has no ADC-enable line to pad after\n");
        std::exit(2);
    }
    const qsizetype padBytes = sample.size() * (factor - 1);
    QByteArray padding;
    padding.reserve(padBytes + 80);
    for (int line = 0; padding.size() < padBytes; ++line)
        padding += QByteArray(";padding comment line ") +
                   QByteArray::number(line).rightJustified(8, '0') +
                   QByteArray(" ----------------------------------------\r\n");
    QByteArray padded = sample;
    padded.insert(lineEnd + 1, padding);
    return padded;
}
