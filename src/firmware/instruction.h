// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#pragma once

#include "firmware/sourcetext.h"

#include <optional>

// How the assembler reads the lines that the marker searches find: whether a match stands in a
// comment, and which number an instruction's operand is.

// A number as the assembler reads it: blanks around it, then decimal digits (leading zeros are
// decimal), "0x" / "$" and hexadecimal digits, or "0b" and binary digits. Nothing for anything
// else (an expression, a symbol, a sign, an empty text) or for a value beyond 32 bits.
std::optional<long long> assemblerNumber(QByteArrayView text);

// True when a ';' stands on the line of pos before pos: the match there is part of a comment.
bool inComment(const SourceText &source, qsizetype pos);

// Like SourceText::find, but passes over matches that stand in a comment.
std::optional<qsizetype> findInCode(const SourceText &source, QByteArrayView marker, qsizetype from,
                                    qsizetype lastStart = SourceText::kNoLimit);

// Like findInCode, but passes over matches with nothing but blanks before them on their line
// too: for markers that are themselves the comment of the instruction before them.
std::optional<qsizetype> findAfterCode(const SourceText &source, QByteArrayView marker,
                                       qsizetype from, qsizetype lastStart = SourceText::kNoLimit);

// Like SourceText::find, but passes over lines that are comments as a whole (nothing but blanks
// before their first ';'): for markers that stand in the comment of a line of code.
std::optional<qsizetype> findOnCodeLine(const SourceText &source, QByteArrayView marker,
                                        qsizetype from);

// The operand that follows the text at pos up to the comment or the end of its line (the whole
// line as read, not the shown one), read as a number; nothing when it is not one.
std::optional<long long> operandAt(const SourceText &source, qsizetype pos);

// The line of pos as "<number>: <text>", 1-based, decoded from code page 1251, for messages.
QString lineReference(const SourceText &source, qsizetype pos);
