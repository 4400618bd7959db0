// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#include "firmware/instruction.h"

#include "firmware/cp1251.h"

namespace {

bool isBlank(char ch)
{
    return ch == ' ' || ch == '\t' || ch == '\r';
}

int digitValue(char ch)
{
    if (ch >= '0' && ch <= '9')
        return ch - '0';
    if (ch >= 'a' && ch <= 'f')
        return ch - 'a' + 10;
    if (ch >= 'A' && ch <= 'F')
        return ch - 'A' + 10;
    return 99;
}

std::optional<long long> digitsInBase(QByteArrayView digits, int base)
{
    if (digits.isEmpty())
        return std::nullopt;
    long long value = 0;
    for (const char ch : digits) {
        const int digit = digitValue(ch);
        if (digit >= base)
            return std::nullopt;
        value = value * base + digit;
        if (value > 0xFFFFFFFFLL)
            return std::nullopt;
    }
    return value;
}

} // namespace

std::optional<long long> assemblerNumber(QByteArrayView text)
{
    while (!text.isEmpty() && isBlank(text.front()))
        text = text.sliced(1);
    while (!text.isEmpty() && isBlank(text.back()))
        text.chop(1);
    if (text.startsWith('$'))
        return digitsInBase(text.sliced(1), 16);
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
        return digitsInBase(text.sliced(2), 16);
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'b' || text[1] == 'B'))
        return digitsInBase(text.sliced(2), 2);
    return digitsInBase(text, 10);
}

namespace {

// The text of the line of pos before pos.
QByteArrayView lineBefore(const SourceText &source, qsizetype pos)
{
    const qsizetype start = source.lineStart(source.lineIndexAt(pos));
    return QByteArrayView(source.text()).sliced(start, pos - start);
}

bool blank(QByteArrayView text)
{
    for (const char ch : text) {
        if (!isBlank(ch))
            return false;
    }
    return true;
}

template <typename Accept>
std::optional<qsizetype> findAccepted(const SourceText &source, QByteArrayView marker,
                                      qsizetype from, qsizetype lastStart, Accept accept)
{
    for (;;) {
        const auto found = source.find(marker, from, lastStart);
        if (!found || accept(*found))
            return found;
        from = *found + 1;
    }
}

} // namespace

bool inComment(const SourceText &source, qsizetype pos)
{
    return source.lineIndexAt(pos) >= 0 && lineBefore(source, pos).contains(';');
}

std::optional<qsizetype> findInCode(const SourceText &source, QByteArrayView marker, qsizetype from,
                                    qsizetype lastStart)
{
    return findAccepted(source, marker, from, lastStart,
                        [&](qsizetype pos) { return !inComment(source, pos); });
}

std::optional<qsizetype> findAfterCode(const SourceText &source, QByteArrayView marker,
                                       qsizetype from, qsizetype lastStart)
{
    return findAccepted(source, marker, from, lastStart, [&](qsizetype pos) {
        const QByteArrayView before = lineBefore(source, pos);
        return !before.contains(';') && !blank(before);
    });
}

std::optional<qsizetype> findOnCodeLine(const SourceText &source, QByteArrayView marker,
                                        qsizetype from)
{
    return findAccepted(source, marker, from, SourceText::kNoLimit, [&](qsizetype pos) {
        const QByteArrayView before = lineBefore(source, pos);
        const qsizetype comment = before.indexOf(';');
        return !blank(comment < 0 ? before : before.first(comment));
    });
}

std::optional<long long> operandAt(const SourceText &source, qsizetype pos)
{
    const qsizetype index = source.lineIndexAt(pos);
    if (index < 0)
        return std::nullopt;
    QByteArray line = source.wholeLine(index);
    // The shown line is the whole one without its lone CRs: columns count the same.
    line.removeIf([](char ch) { return ch == '\r'; });
    QByteArrayView operand = QByteArrayView(line).sliced(
        std::min<qsizetype>(pos - source.lineStart(index), line.size()));
    const qsizetype comment = operand.indexOf(';');
    if (comment >= 0)
        operand.truncate(comment);
    return assemblerNumber(operand);
}

QString lineReference(const SourceText &source, qsizetype pos)
{
    const qsizetype index = source.lineIndexAt(pos);
    if (index < 0)
        return {};
    return QString::number(index + 1) + QStringLiteral(": ") + fromCp1251(source.shownLine(index));
}
