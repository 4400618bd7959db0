// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#pragma once

#include "domain/calibration.h"
#include "format/sourcetext.h"

#include <QString>

#include <QList>

#include <array>
#include <optional>

// The setting boxes' values as the user left them: texts where the box can be typed into.
struct DocumentSettings
{
    static constexpr int kPortC0 = 0; // "PortC,0"
    static constexpr int kPortD6 = 1; // "PortD,6"

    QString sensorAngle = QStringLiteral("20");   // ComboBox1
    QString activeTable = QStringLiteral("1");    // ComboBox2: "1".."3" as typed
    QString secondPulse = QStringLiteral("auto"); // ComboBox3: "auto" or an angle
    int sparkOutput = kPortC0;                    // ComboBox4's item
    bool keepCodes = true;                        // CheckBox1: codes stay when the sensor moves

    friend bool operator==(const DocumentSettings &, const DocumentSettings &) = default;
};

// Everything the window edits about one firmware source, as a plain value that can be copied
// and handed to the load, "Save to table", the recomputes and the save. The grid shows
// it: column 0 the RPM breakpoints as typed, columns 1-3 the codes of the calibration's three
// tables, column 4 the angle column of the active table as typed; rows 1..32 are the points.
struct Document
{
    static constexpr int kColumns = 5;
    static constexpr int kRpmColumn = 0;
    static constexpr int kAngleColumn = 4;
    static constexpr int kFirstPoint = 1;
    static constexpr int kLastPoint = kPointCount;

    // The loaded source; empty while nothing has been loaded.
    QString FirmwarePath;
    // Its text as the load read it and the saves rewrote it.
    SourceText text;
    // True once a load has read every setting and table of `text`, so that a save writes the
    // points only into the text they were read from.
    bool loaded = false;
    // A firmware image (a HEX) shown read-only: its settings and tables decoded from it; its
    // text is the HEX, never written.
    bool image = false;
    // The codes of the three tables (as their digits) and the trimming resistor, as the load
    // read them and "Save to table" stored them.
    Calibration calibration;
    std::array<QString, kPointCount> rpm;
    std::array<QString, kPointCount> angles;
    // The grid's column headers.
    std::array<QString, kColumns> headers;
    DocumentSettings settings;

    // The document before any load: the start breakpoints, the headers in `language`.
    static Document atStart(unsigned char language);

    // The text of grid cell (column 0..4, point 1..32).
    const QString &cell(int column, int point) const;
    QString &cell(int column, int point);

    // The first point whose angle cell is empty, or 0.
    int firstEmptyAngleRow() const;
    bool anyAngleEmpty() const { return firstEmptyAngleRow() != 0; }
};

// Point 2..32 when its RPM breakpoint, as typed, is one the firmware does not count above the
// point before's; nothing when it is, or when either text is no whole number.
std::optional<UnorderedBreakpoint> unorderedBreakpointAt(const Document &document, int point);
QList<UnorderedBreakpoint> unorderedBreakpoints(const Document &document);
