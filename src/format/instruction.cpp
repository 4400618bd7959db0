// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#include "format/instruction.h"

#include "format/cp1251.h"

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

bool instruction::isBlank(QByteArrayView text)
{
    for (const char ch : text) {
        if (!::isBlank(ch))
            return false;
    }
    return true;
}

std::optional<long long> operandAt(const SourceText &source, qsizetype pos)
{
    const qsizetype index = source.lineIndexAt(pos);
    if (index < 0)
        return std::nullopt;
    // The shown line is the whole one without its lone CRs: columns count the same.
    QByteArray whole;
    QByteArrayView line = source.lineView(index);
    if (source.wholeLineDiffers(index)) {
        whole = source.wholeLine(index);
        whole.removeIf([](char ch) { return ch == '\r'; });
        line = whole;
    }
    QByteArrayView operand =
        line.sliced(std::min<qsizetype>(pos - source.lineStart(index), line.size()));
    const qsizetype comment = operand.indexOf(';');
    if (comment >= 0)
        operand.truncate(comment);
    return assemblerNumber(operand);
}
