// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#pragma once

#include <QByteArrayView>
#include <QString>

// The properties of the fuzz targets for the other inputs; empty when all hold, else the first
// that failed. The regression test runs them on the stored inputs.

// Intel HEX text as cdi-bench verify and the simulator runner read it: an image that is read
// fits the program memory, holds data, and gives back the same bytes when written as HEX again
// and read; a refusal names a line of the text, or says the end record or the data is missing.
QString checkIntelHex(QByteArrayView bytes);

// A CSV as `cdi-tables import` reads it into the sample's tables. Byte 0 picks --table (0 none,
// 1-3 that table; modulo 4), the rest is the CSV. A refusal names a line of the CSV (or none)
// with a text. Taken, every code is a table code 0-255 in plain digits, the same CSV taken again
// changes nothing, and the source written with the result reads back to it (or the write stops
// with a message).
QString checkCsvImport(QByteArrayView input);
