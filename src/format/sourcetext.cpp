// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#include "format/sourcetext.h"

#include "format/cp1251.h"

#include <algorithm>

SourceText SourceText::fromFileBytes(QByteArrayView bytes)
{
    SourceText source;
    const qsizetype n = bytes.size();
    const qsizetype breaks = bytes.count('\n');
    source.m_lineStarts.reserve(std::size_t(breaks) + 1);
    source.m_whole.reserve(breaks + 1);
    source.m_text.reserve(n + breaks + 2);
    qsizetype begin = 0;
    while (begin < n) {
        qsizetype end = bytes.indexOf('\n', begin);
        const bool lastWithoutBreak = end < 0;
        if (lastWithoutBreak)
            end = n;
        qsizetype lineEnd = end;
        if (!lastWithoutBreak && lineEnd > begin && bytes[lineEnd - 1] == '\r')
            --lineEnd;
        const QByteArrayView whole = bytes.sliced(begin, lineEnd - begin);
        source.m_lineStarts.push_back(source.m_text.size());
        if (whole.size() <= kShownLineLength && !whole.contains('\r')) {
            source.m_text += whole;
            source.m_whole.append(QByteArray());
        } else {
            QByteArray shown = whole.toByteArray();
            shown.removeIf([](char ch) { return ch == '\r'; });
            shown.truncate(kShownLineLength);
            source.m_text += shown;
            source.m_whole.append(whole.toByteArray());
        }
        source.m_text += "\r\n";
        begin = end + 1;
    }
    return source;
}

QByteArray SourceText::wholeLine(qsizetype index) const
{
    const QByteArray &whole = m_whole[index];
    return whole.isNull() ? shownLine(index) : whole;
}

char SourceText::at(qsizetype pos) const
{
    return pos >= 0 && pos < m_text.size() ? m_text[pos] : '\0';
}

QByteArray SourceText::window(qsizetype pos, qsizetype n) const
{
    if (pos < 0 || pos >= m_text.size() || n <= 0)
        return {};
    return m_text.mid(pos, n);
}

bool SourceText::matchesAt(qsizetype pos, QByteArrayView marker) const
{
    if (pos < 0 || pos + marker.size() > m_text.size())
        return false;
    return QByteArrayView(m_text).sliced(pos, marker.size()) == marker;
}

std::optional<qsizetype> SourceText::find(QByteArrayView marker, qsizetype from,
                                          qsizetype lastStart) const
{
    if (from < 0)
        from = 0;
    if (from > m_text.size() || marker.isEmpty())
        return std::nullopt;
    const qsizetype p = QByteArrayView(m_text).indexOf(marker, from);
    if (p < 0 || p > lastStart)
        return std::nullopt;
    return p;
}

QByteArray SourceText::valueField(qsizetype pos) const
{
    QByteArray digits;
    for (const char ch : window(pos, 3)) {
        if (ch >= '0' && ch <= '9')
            digits += ch;
    }
    return digits;
}

qsizetype SourceText::lineIndexAt(qsizetype pos) const
{
    const auto it = std::upper_bound(m_lineStarts.begin(), m_lineStarts.end(), pos);
    return qsizetype(it - m_lineStarts.begin()) - 1;
}

QByteArray SourceText::shownLine(qsizetype index) const
{
    const qsizetype start = lineStart(index);
    const qsizetype next = index + 1 < lineCount() ? lineStart(index + 1) : m_text.size();
    return m_text.mid(start, next - start - 2);
}

void SourceText::replaceLineAt(qsizetype pos, const QByteArray &line)
{
    replaceLine(lineIndexAt(pos), line);
}

void SourceText::replaceLine(qsizetype index, const QByteArray &line)
{
    if (index < 0 || index >= lineCount())
        return;
    const qsizetype start = lineStart(index);
    const qsizetype next = index + 1 < lineCount() ? lineStart(index + 1) : m_text.size();
    const qsizetype oldLength = next - start;
    const qsizetype newLength = line.size() + 2;
    m_text.replace(start, oldLength, line + "\r\n");
    const qsizetype delta = newLength - oldLength;
    if (delta != 0) {
        for (std::size_t i = std::size_t(index) + 1; i < m_lineStarts.size(); ++i)
            m_lineStarts[i] += delta;
    }
    m_whole[index] = QByteArray();
}

SourceText SourceText::withReplacedLines(const std::vector<LineReplacement> &replacements) const
{
    SourceText out;
    qsizetype added = 0;
    for (const LineReplacement &replacement : replacements)
        added += replacement.line.size() + 2;
    out.m_text.reserve(m_text.size() + added);
    out.m_lineStarts.reserve(m_lineStarts.size());
    out.m_whole = m_whole;
    qsizetype copiedLines = 0;
    const auto copyLinesUpTo = [&](qsizetype end) {
        if (end <= copiedLines)
            return;
        const qsizetype from = lineStart(copiedLines);
        const qsizetype to = end < lineCount() ? lineStart(end) : m_text.size();
        const qsizetype shift = out.m_text.size() - from;
        for (qsizetype i = copiedLines; i < end; ++i)
            out.m_lineStarts.push_back(lineStart(i) + shift);
        out.m_text += QByteArrayView(m_text).sliced(from, to - from);
        copiedLines = end;
    };
    for (const LineReplacement &replacement : replacements) {
        if (replacement.index < copiedLines || replacement.index >= lineCount())
            continue;
        copyLinesUpTo(replacement.index);
        out.m_lineStarts.push_back(out.m_text.size());
        out.m_text += replacement.line;
        out.m_text += "\r\n";
        out.m_whole[replacement.index] = QByteArray();
        copiedLines = replacement.index + 1;
    }
    copyLinesUpTo(lineCount());
    return out;
}

QByteArray SourceText::toFileBytes() const
{
    QByteArray bytes;
    bytes.reserve(m_text.size());
    for (qsizetype i = 0; i < lineCount(); ++i) {
        const QByteArray &whole = m_whole[i];
        if (whole.isNull()) {
            // The shown line and its line break, straight from the text.
            const qsizetype start = lineStart(i);
            const qsizetype next = i + 1 < lineCount() ? lineStart(i + 1) : m_text.size();
            bytes += QByteArrayView(m_text).sliced(start, next - start);
        } else {
            bytes += whole;
            bytes += "\r\n";
        }
    }
    return bytes;
}

QStringList SourceText::shownLines() const
{
    QStringList lines;
    lines.reserve(lineCount());
    for (qsizetype i = 0; i < lineCount(); ++i)
        lines.append(fromCp1251(shownLine(i)));
    return lines;
}
