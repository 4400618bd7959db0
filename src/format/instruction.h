// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#pragma once

#include "format/cp1251.h"
#include "format/layout.h"
#include "format/sourcetext.h"

#include <algorithm>
#include <optional>
#include <vector>

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

// One line as the assembler reads it: labels ("name:"), then a mnemonic or directive, its
// operands and a comment from the first ';' on.
struct Statement
{
    qsizetype wordAt = -1;   // where the mnemonic or directive starts in the line; -1 for none
    QByteArrayView word;     // a directive with its '.' or '#'
    QByteArrayView operands; // up to the comment, without blanks at either end
};
Statement statementOf(QByteArrayView line);

namespace instruction {
enum class Reading
{
    Other,  // another mnemonic, or the same one with another register
    Match,  // the instruction, in whatever letter case and blanks
    Unsure, // the mnemonic with a first operand that is no register (it may name one)
};
Reading readingOf(const Statement &statement, const instructions::Instruction &wanted);
// Whether the line's first word is the mnemonic, in any letter case, or a label that may stand
// before it: a quick look before the whole statement is read.
bool mayBe(QByteArrayView line, QByteArrayView mnemonic);
// Whether the line's first word, after blanks, is a label.
bool startsWithLabel(QByteArrayView line);
} // namespace instruction

// A line that the assembler reads as an instruction: the line's index, where its mnemonic
// starts in the text, and whether its first operand is a register.
struct FoundInstruction
{
    qsizetype line;
    qsizetype pos;
    bool sure;
};

// The first line whose mnemonic starts at `from` or later and at lastStart or earlier and that
// the assembler reads as `wanted` (or may read so: then not sure). Comments and other
// instructions on the lines between are passed over; one line holds one instruction.
template <typename Text>
std::optional<FoundInstruction>
findInstruction(const Text &text, const instructions::Instruction &wanted, qsizetype from,
                qsizetype lastStart = SourceText::kNoLimit)
{
    from = std::max<qsizetype>(from, 0);
    if (from >= text.size() || text.lineCount() == 0)
        return std::nullopt;
    for (qsizetype index = text.lineIndexAt(from); index < text.lineCount(); ++index) {
        const qsizetype start = text.lineStart(index);
        if (start > lastStart)
            return std::nullopt;
        const QByteArrayView line = text.lineView(index);
        if (!instruction::mayBe(line, wanted.mnemonic))
            continue;
        const Statement statement = statementOf(line);
        const qsizetype pos = start + statement.wordAt;
        if (statement.wordAt < 0 || pos < from || pos > lastStart)
            continue;
        const instruction::Reading reading = instruction::readingOf(statement, wanted);
        if (reading != instruction::Reading::Other)
            return FoundInstruction{index, pos, reading == instruction::Reading::Match};
    }
    return std::nullopt;
}

// The operand after the first comma of an instruction, when it is one to three decimal digits:
// a value that the writer's own form holds the same.
std::optional<QByteArray> plainValueOperand(QByteArrayView line);

// The lines of a source that the assembler may read otherwise than the marker searches, each
// with the line that makes it so. The assembler ends a line at a lone CR too, so code after a
// lone CR is hidden in the shown line; it skips or repeats what stands in conditional blocks
// and macro bodies (the directives themselves, the lines between them and calls of the file's
// macros count); and after a line that ends in a backslash, a .exit or a register renamed by
// .def, no later line can be read safely.
class LineDoubts
{
public:
    explicit LineDoubts(const SourceText &source);

    // The line that makes the first doubtful line from first to last doubtful, or nothing.
    std::optional<qsizetype> causeIn(qsizetype first, qsizetype last) const;

private:
    friend class DoubtScan;
    // Sorted, apart from each other: lines first to last, doubtful because of line `cause`.
    struct Range
    {
        qsizetype first;
        qsizetype last;
        qsizetype cause;
    };
    std::vector<Range> m_ranges;
};

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
