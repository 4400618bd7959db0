// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#pragma once

#include "app/platform.h"
#include "session/programstate.h"

#include <QString>

class QWidget;

// The questions the window asks before a command that would drop or skip unsaved changes,
// with their texts in both languages.

enum class SaveAnswer
{
    Save,
    Discard,
    Cancel,
};

// "Save changes to <file>?" with Save, Discard and Cancel.
SaveAnswer askSaveChanges(Platform &platform, QWidget *owner, unsigned char language,
                          const QString &path);

enum class CompileAnswer
{
    SaveAndCompile,
    CompileOnDisk,
    Cancel,
};

// Before assembling a file whose changes are not saved yet.
CompileAnswer askCompileUnsaved(Platform &platform, QWidget *owner, unsigned char language,
                                const QString &path);

// The texts of the chip commands (programming, reading the chip) and of a firmware image shown
// read-only. "%1" and "%2" stand for the arguments named in the comment.
enum class ChipText
{
    ReadOnlyTitle,      // the window title's ending while an image is shown
    ReadOnlyStatus,     // the status bar's mark of an image
    ImageNotEditable,   // a command that would change or save an image
    ImageDiffers,       // %1 the HEX's name, %2 what differs
    SaveCompileProgram, // answers of that question
    ProgramAnyway,
    Cancel,
    NoCopy, // %1 why the chip could not be read
    ProgramWithoutCopy,
    CopyKept,        // %1 the copy's path
    ChipHolds,       // %1 the document's name
    ChipDiffers,     // %1 the document's name, %2 what differs
    ChipUnreadable,  // %1 why the tables cannot be read
    ChipRead,        // %1 the path the chip's image was saved in
    AssemblerFailed, // %1 the assembler's report
    UnsafeValue,     // %1 the value that starts with '-'
    Busy,            // while avrdude runs
};
QString chipText(ChipText id, unsigned char language);

// Why a Tools command is greyed out in this build or on this desktop: its menu entry's tip.
struct UnavailableTexts
{
    QString russian;
    QString english;
};
UnavailableTexts timingCheckUnavailable();
UnavailableTexts chipProgrammingUnavailable();

// Texts of the window's own reports: the compile's result in the status bar and the terminal,
// "Open sample", names and titles. "%1" to "%3" stand for the arguments named in the comment.
enum class WindowText
{
    CompileStarted,   // %1 the time, %2 the source's name
    CompileSucceeded, // %1 the time, %2 the HEX's name
    CompileFailed,    // %1 the time, %2 the exit status, %3 the HEX's name
    CompileNoHex,     // %1 the time, %2 the HEX's name
    AssemblerMissing, // no assembler installed: which package to install
    TerminalSucceeded,
    TerminalFailed,     // followed by the exit status
    SampleMissing,      // %1 the places looked in
    SampleNotCopied,    // %1 the copy's path
    CompareTitle,       // the file dialog of "Compare with…"
    SensorBoxName,      // the accessible name of the sensor angle's check box
    ProgramHex,         // %1 the HEX's path: what "Program chip" writes
    ProgrammerAnswered, // %1 the chip's signature as avrdude read it
    ChipNotProgrammed,  // %1 the time, %2 why
};
QString windowText(WindowText id, unsigned char language);
