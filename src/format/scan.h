// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#pragma once

#include "domain/calibration.h"
#include "domain/stop.h"
#include "format/sourcetext.h"

#include <optional>

// What the load's scan read from a source, and how far it got. The scan takes the items of the
// layout in order; a stop leaves the items after it at their defaults and their counts short.
struct ScanResult
{
    Calibration calibration;
    // The compare constants' digits as read, by point like the constants (index 0 is point 2);
    // compareRead of them were found, highest point first, compareConverted of those turned
    // into numbers, in the same order.
    std::array<QString, kCompareCount> compareDigits;
    int compareRead = 0;
    int compareConverted = 0;
    bool trimmerRead = false;
    // The character after each table label found (the table's header digit), and how many
    // codes of each table were read.
    std::array<QString, kTableCount> tableLabels;
    int labelsRead = 0;
    std::array<int, kTableCount> codesRead{};
    std::optional<Stop> stop;
    // The line a MissingData stop is about, as "<number>: <text>", when it is about one.
    QString stopLine;

    bool completed() const { return !stop; }
};

// Reads the settings and tables from the text by the layout's marker searches. Instruction
// markers in a comment are passed over. Stops with MissingData when a marker is not found or a
// value field does not hold what the assembler reads as the instruction's operand (then with the
// line), and with a conversion error for an empty pulse step count or compare constant and for
// the constant 255.
ScanResult scan(const SourceText &source);
