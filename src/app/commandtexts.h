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

// Why a Tools command is greyed out in this build or on this desktop: its menu entry's tip.
struct UnavailableTexts
{
    QString russian;
    QString english;
};
UnavailableTexts timingCheckUnavailable();
UnavailableTexts chipProgrammingUnavailable();
