// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#pragma once

#include <QString>

// Texts of the editing commands in both languages; `Language` 0 picks the Russian, 1 the
// English.
enum class CommandText
{
    Undo,
    Redo,
    Interpolate,
    ShiftUp,
    ShiftDown,
    SetValue,
    Smooth,
    OtherTables,
    CompareWith,
    ClearComparison,
    SetValueTitle,
    SetValueLabel,
    TableName,      // %1: the table's number
    ComparisonName, // %1: the compared file's name
    HoverRange,     // %1, %2: RPM from, to; %3: angle; %4: code
    HoverLast,      // %1: RPM from; %2: angle; %3: code
    PasteRefused,   // %1: the pasted text, shortened
    PasteLines,     // %1: how many lines
    // Marks of the grid, and what goes with them.
    StoredAs,         // %1: the angle of the stored code
    StoredAsNoAngle,  // the stored code is 180
    UnreadableAngle,  // %1: row; %2: its RPM; %3: the text
    UnreadableRpm,    // %1: row; %2: the text
    ShowStoredAngles, // Edit menu
    SaveUnordered,    // %1: the breakpoints out of order
    SaveAnyway,
};

QString commandText(CommandText id, unsigned char language);

// The warning about a paste that a field does not take whole: several lines, or a text the
// field would take only part of.
QString pasteRefusedText(const QString &pasted, unsigned char language);
