// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#pragma once

#include "domain/calibration.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

// Reads a firmware's settings and tables back from its program image alone, by the instructions
// that the source's lines assemble to (words little-endian, from address 0):
//  - RPM breakpoints: 31 "cpi R21, K", each followed by "sbci R20, 0", in a row; the first K is
//    point 32's compare constant, the last point 2's;
//  - tables: 96 "ldi R16, K", each followed by "st X+, R16", in runs of whole tables of 32;
//    the first 32 are table 1, points 1..32;
//  - second pulse: the first "ldi R23, K" (the step count) and the first "ldi R30, K" after it,
//    whose bit 1 is the mode (1 automatic);
//  - spark output: every "cbi"/"sbi" on PORTC bit 0 or PORTD bit 6; all on one pin gives that
//    pin, a mix gives none;
//  - trimming resistor: an "sbi ADCSRA, ADEN" anywhere.
// The sensor angle stands only in the source's comments, so it is never set.

// The parts of the layout, in the order they are looked for.
enum class ImagePart
{
    IntelHex, // the text is no Intel HEX image
    RpmCompares,
    Tables,
    SecondPulse,
    SparkOutput,
};

struct ImageDecode
{
    // Codes are plain decimal digits, the sensor angle none. Set when every part was found.
    std::optional<Calibration> calibration;
    // The first part not found, when calibration is none.
    std::optional<ImagePart> missing;
    QString hexError; // the HEX parser's message, for ImagePart::IntelHex

    bool ok() const { return calibration.has_value(); }
};

// Decodes program memory bytes from address 0.
ImageDecode decodeImage(const std::vector<std::uint8_t> &flash);
// Parses Intel HEX text (bench/intelhex.h) and decodes its bytes.
ImageDecode decodeIntelHex(const QByteArray &hexText);

// Why a decode failed, one sentence in `language` (0 Russian, 1 English) that names the part
// not found; empty for a decode that succeeded.
QString decodeFailureText(const ImageDecode &decode, unsigned char language);
