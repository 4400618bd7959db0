// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#pragma once

#include "bench/imagedecode.h"

#include <QList>
#include <QString>

// The exact check of an image against a source: every compare constant, every table code, the
// second pulse, the spark output and the trimming resistor, with no tolerance. The sensor
// angle, which no image holds, takes no part.

struct ImageDifference
{
    enum Kind
    {
        CompareConstant, // `point` 2..32
        TableCode,       // `table` 1..3, `point` 1..32
        SecondPulse,
        SparkOutput,
        Trimmer,
    };
    Kind kind = TableCode;
    int table = 0; // 0 where the kind has none
    int point = 0; // the grid's row; 0 where the kind has none
    // The values in the source and in the image: codes and constants in decimal, the second
    // pulse as "auto" or its angle, the pin as "PortC,0" or "PortD,6", the trimmer as "on" or
    // "off"; "?" for a pulse mode or pin the tool does not know.
    QString source;
    QString image;

    bool operator==(const ImageDifference &) const = default;
};

// The differences in the order compare constants (point 32 down to 2), table codes (table 1..3,
// point 1..32), second pulse, spark output, trimmer. Codes compare as numbers ("012" equals 12);
// a code that is no number differs from every image code.
QList<ImageDifference> compareWithImage(const Calibration &source, const Calibration &image);

// The check of one image: how it decoded, and what differs when it did.
struct ImageCheck
{
    ImageDecode decode;
    QList<ImageDifference> differences;
    bool matches() const { return decode.ok() && differences.isEmpty(); }
};
ImageCheck checkImage(const Calibration &source, const QByteArray &hexText);

// One difference as one line in `language`: what, table, row, the value in the source, the value
// in the image; for example "table 2, row 9: code 0 in the source, 1 in the image".
QString describeDifference(const ImageDifference &difference, unsigned char language);
// At most `shown` differences, one per line, and a last line with the count of the rest.
QString describeDifferences(const QList<ImageDifference> &differences, unsigned char language,
                            int shown = 5);
