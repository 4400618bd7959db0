// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#pragma once

#include "domain/calibration.h"
#include "domain/messageid.h"
#include "format/sourcetext.h"
#include "format/write.h"
#include "session/document.h"

#include <optional>

// The calibration the document's settings and cells describe, for a write. The texts are converted
// in the order the write needs them; the first that cannot be converted (a second pulse or an RPM
// breakpoint that is no number, an RPM breakpoint out of range, an angle column that no comment
// can start from) becomes the write's planned stop at that step, with RpmTooLow / RpmTooHigh or
// the conversion error. The codes and the sensor angle are converted by the write itself.
struct WindowCalibration
{
    Calibration calibration;
    WriteOptions options;
};
WindowCalibration calibrationForWrite(const Document &document);

// The second pulse's step count for the text of its box: the angle over 0.7, rounded.
// Throws ConversionError for a text that is not a number.
long double secondPulseSteps(const QString &pulseText);

// Puts the document's settings and tables into its text (see write()). Returns a message when
// the rewrite stops: PulseOutOfRange for a second pulse outside 0 to 255 steps (before any line
// changes), RpmTooLow / RpmTooHigh for a breakpoint out of range (checked before its line is
// replaced), MissingData when a marker or a line is missing or the text is empty; stopLine, when
// given, gets "<number>: <text>" of the line a MissingData stop is about, or an empty text.
// Throws ConversionError for a text that is not a number. A stop leaves the lines rewritten so
// far.
std::optional<MessageId> rewriteSource(Document &document, QString *stopLine = nullptr);

// Whether the document's text, saved and loaded again, reads back as its settings and cells and
// takes the same rewrite again unchanged (see readsBack()); MissingData when not.
std::optional<MessageId> verifyReadBack(const Document &document);
