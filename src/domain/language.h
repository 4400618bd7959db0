// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#pragma once

#include <QString>
#include <QStringView>

// The program speaks two languages: 0 is Russian, 1 English.

// A fixed text in both languages, for tables of texts.
struct TextPair
{
    const char16_t *russian;
    const char16_t *english;
};

inline QString pick(const TextPair &pair, unsigned char language)
{
    return QString::fromUtf16(language == 0 ? pair.russian : pair.english);
}

inline QString inLanguage(unsigned char language, QStringView russian, QStringView english)
{
    return (language == 0 ? russian : english).toString();
}
