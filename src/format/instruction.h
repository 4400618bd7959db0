// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#pragma once

#include "format/cp1251.h"
#include "format/sourcetext.h"

#include <optional>

// How the assembler reads the lines that the marker searches find: whether a match stands in a
// comment, and which number an instruction's operand is.

// A number as the assembler reads it: blanks around it, then decimal digits (leading zeros are
// decimal), "0x" / "$" and hexadecimal digits, or "0b" and binary digits. Nothing for anything
// else (an expression, a symbol, a sign, an empty text) or for a value beyond 32 bits.
std::optional<long long> assemblerNumber(QByteArrayView text);

// The text searches below work on any text with SourceText's positions and lines: find(),
// lineIndexAt(), lineStart() and lineView().

namespace instruction {
bool isBlank(QByteArrayView text);

// The text of the line of pos before pos; empty for a pos before the text.
template <typename Text> QByteArrayView lineBefore(const Text &text, qsizetype pos)
{
    const qsizetype index = text.lineIndexAt(pos);
    if (index < 0)
        return {};
    return text.lineView(index).first(pos - text.lineStart(index));
}

template <typename Text, typename Accept>
std::optional<qsizetype> findAccepted(const Text &text, QByteArrayView marker, qsizetype from,
                                      qsizetype lastStart, Accept accept)
{
    for (;;) {
        const auto found = text.find(marker, from, lastStart);
        if (!found || accept(*found))
            return found;
        from = *found + 1;
    }
}
} // namespace instruction

// True when a ';' stands on the line of pos before pos: the match there is part of a comment.
template <typename Text> bool inComment(const Text &text, qsizetype pos)
{
    return instruction::lineBefore(text, pos).contains(';');
}

// Like SourceText::find, but passes over matches that stand in a comment.
template <typename Text>
std::optional<qsizetype> findInCode(const Text &text, QByteArrayView marker, qsizetype from,
                                    qsizetype lastStart = SourceText::kNoLimit)
{
    return instruction::findAccepted(text, marker, from, lastStart,
                                     [&](qsizetype pos) { return !inComment(text, pos); });
}

// Like findInCode, but passes over matches with nothing but blanks before them on their line
// too: for markers that are themselves the comment of the instruction before them.
template <typename Text>
std::optional<qsizetype> findAfterCode(const Text &text, QByteArrayView marker, qsizetype from,
                                       qsizetype lastStart = SourceText::kNoLimit)
{
    return instruction::findAccepted(text, marker, from, lastStart, [&](qsizetype pos) {
        const QByteArrayView before = instruction::lineBefore(text, pos);
        return !before.contains(';') && !instruction::isBlank(before);
    });
}

// Like SourceText::find, but passes over lines that are comments as a whole (nothing but blanks
// before their first ';'): for markers that stand in the comment of a line of code.
template <typename Text>
std::optional<qsizetype> findOnCodeLine(const Text &text, QByteArrayView marker, qsizetype from)
{
    return instruction::findAccepted(text, marker, from, SourceText::kNoLimit, [&](qsizetype pos) {
        const QByteArrayView before = instruction::lineBefore(text, pos);
        const qsizetype comment = before.indexOf(';');
        return !instruction::isBlank(comment < 0 ? before : before.first(comment));
    });
}

// The operand that follows the text at pos up to the comment or the end of its line (the whole
// line as read, not the shown one), read as a number; nothing when it is not one.
std::optional<long long> operandAt(const SourceText &source, qsizetype pos);

// The line of pos as "<number>: <text>", 1-based, decoded from code page 1251, for messages.
template <typename Text> QString lineReference(const Text &text, qsizetype pos)
{
    const qsizetype index = text.lineIndexAt(pos);
    if (index < 0)
        return {};
    return QString::number(index + 1) + QStringLiteral(": ") + fromCp1251(text.lineView(index));
}
