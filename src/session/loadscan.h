// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#pragma once

#include "domain/messageid.h"
#include "format/layout.h"
#include "format/scan.h"
#include "format/sourcetext.h"
#include "session/document.h"

#include <optional>

struct ScanOutcome
{
    // Set when the scan stopped with a message (the missing-data warning); what was written
    // before the stop stays written.
    std::optional<MessageId> stop;
    // The line the stop is about, as "<number>: <text>", when it is about one.
    QString line;
    bool completed() const { return !stop; }
};

// Puts what a scan read, as far as it got, into the document: the sensor angle, the second
// pulse, the spark output, the RPM breakpoints (constants read but not yet converted show as
// their digits), the trimming resistor, the table headers in `language` and the codes.
void showScan(const ScanResult &result, Document &document, unsigned char language);

// Fills the angle column from the active table's codes at the sensor angle. Stops with
// MissingData at an empty code, leaving the rows above it written. Throws ConversionError for
// an active table or a sensor angle that is no whole number.
std::optional<MessageId> fillAngleColumn(Document &document);

// The load's scan of the document's text, put into the document, then the angle column of the
// active table. Throws ConversionError for a value that is not a number, after putting in what
// was read before it. The chart, FirmwareName and the title are left to the caller.
ScanOutcome scanSource(Document &document, unsigned char language);
