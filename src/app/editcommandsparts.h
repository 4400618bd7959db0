// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#pragma once

// What the source files of EditCommands share: the angle column, undo step names, the compared
// file and the guard of a command's work.

#include "app/editcommands.h"
#include "app/gridmodel.h"
#include "app/platform.h"
#include "app/unit1.h"
#include "domain/numbers.h"
#include "session/document.h"

inline constexpr int kAngle = GridModel::kAngleColumn;

// A command's name as an undo step: its text without a trailing ellipsis.
inline int stepName(CommandText name)
{
    return int(name) + 1;
}

struct EditCommands::Comparison
{
    Document document;
    QString fileName;
};

template <typename Work> bool EditCommands::guarded(Work &&work)
{
    try {
        work();
        return true;
    } catch (const ConversionError &error) {
        m_platform.showError(&m_form, error.message() + QLatin1Char('.'));
        m_form.showUnreadableCell(error);
        return false;
    }
}
