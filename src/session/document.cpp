// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#include "session/document.h"

#include "domain/numbers.h"
#include "session/texts.h"

namespace {

// The RPM breakpoints of points 1 to 32 before any load.
const char *const kStartBreakpoints[] = {
    "460",  "500",  "600",  "800",  "1000", "1200",  "1500",  "1800",  "2000",  "2200", "2500",
    "2800", "3000", "3400", "3800", "4200", "4600",  "5000",  "5400",  "6000",  "6500", "7000",
    "7500", "8000", "8500", "9000", "9500", "10000", "11000", "12000", "15000", "19500"};
static_assert(std::size(kStartBreakpoints) == kPointCount);

} // namespace

Document Document::atStart(unsigned char language)
{
    Document document;
    for (int point = kFirstPoint; point <= kLastPoint; ++point)
        document.rpm[std::size_t(point - 1)] = QString::fromLatin1(kStartBreakpoints[point - 1]);
    document.headers[kRpmColumn] = caption(Caption::RpmHeader, language);
    document.headers[kAngleColumn] = caption(Caption::AngleHeader, language);
    return document;
}

const QString &Document::cell(int column, int point) const
{
    const auto at = std::size_t(point - 1);
    if (column == kRpmColumn)
        return rpm[at];
    if (column == kAngleColumn)
        return angles[at];
    return calibration.codes[std::size_t(column - 1)][at];
}

QString &Document::cell(int column, int point)
{
    return const_cast<QString &>(std::as_const(*this).cell(column, point));
}

int Document::firstEmptyAngleRow() const
{
    for (int point = kFirstPoint; point <= kLastPoint; ++point) {
        if (angles[std::size_t(point - 1)].isEmpty())
            return point;
    }
    return 0;
}

std::optional<UnorderedBreakpoint> unorderedBreakpointAt(const Document &document, int point)
{
    if (point <= Document::kFirstPoint || point > Document::kLastPoint)
        return std::nullopt;
    try {
        const int rpm = strToInt(document.cell(Document::kRpmColumn, point));
        const int below = strToInt(document.cell(Document::kRpmColumn, point - 1));
        if (!breakpointAbove(rpm, below))
            return UnorderedBreakpoint{point, rpm, below};
    } catch (const ConversionError &) {
        // A breakpoint being typed, or emptied: the save reports it.
    }
    return std::nullopt;
}

QList<UnorderedBreakpoint> unorderedBreakpoints(const Document &document)
{
    QList<UnorderedBreakpoint> found;
    for (int point = Document::kFirstPoint + 1; point <= Document::kLastPoint; ++point) {
        if (const auto unordered = unorderedBreakpointAt(document, point))
            found.append(*unordered);
    }
    return found;
}
