// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#pragma once

#include "domain/calibration.h"
#include "domain/messageid.h"
#include "format/filesave.h"
#include "session/programstate.h"

#include <QString>

// Every text of the window in both languages; `Language` 0 picks the Russian, 1 the English.

enum class Caption
{
    Button1,
    Button2,
    Button3,
    Button4,
    Button5,
    Button6,
    Button7,
    Label1,
    Label2,
    Label3,
    Label4,
    Label5,
    RpmHeader,
    AngleHeader,
    TableHeaderPrefix,
    WindowTitle,
    ChartTitle,
};

// The address that the missing-help warning sends the user to.
inline constexpr char kHelpAddress[] = "https://cdi-table-editor.example.org/forum";

QString caption(Caption id, unsigned char language);

// A message as shown; the file-access error and the help warning end with their argument
// (the path, the help address).
QString message(MessageId id, unsigned char language, const QString &argument = {});

// The answers of the window's questions.
enum class Answer
{
    Overwrite,
    Create,
    Cancel,
    OpenCopy,
    OpenFile,
};
QString answerText(Answer answer, unsigned char language);

// A failed file write in words: whether the file is unchanged or may be damaged, then the
// system's reason.
QString fileWriteMessage(const FileWriteError &error, unsigned char language);

// That a save of the file at path did not finish, and where its text from before that save is.
QString interruptedSaveNote(const QString &path, const QString &backup, unsigned char language);
// The load's question after that note: open the copy instead of the file?
QString interruptedSaveQuestion(const QString &path, const QString &backup, unsigned char language);
// The command line's refusal to write over such a file, after the note.
QString interruptedSaveRefusal(unsigned char language);

// The second line of a message about one line of the source: "Строка "/"Line " and the
// reference "<number>: <text>".
QString lineNote(const QString &reference, unsigned char language);

// The chart's title from the language, the loaded file's name and the trimming resistor.
QString chartTitle(const ProgramState &state, bool trimmerActive);

// The breakpoints out of order, each with the row before it, and what that means for the
// firmware; the window's save question and the command line's refusal go on from here.
QString unorderedBreakpointsText(const QList<UnorderedBreakpoint> &unordered,
                                 unsigned char language);
// One of them: "Row 15 (3400 RPM) is not above row 14 (3450 RPM)...".
QString unorderedBreakpointNote(const UnorderedBreakpoint &unordered, unsigned char language);
