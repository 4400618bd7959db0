// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#include "format/sourcetext.h"

#include "format/cp1251.h"
#include "format/instruction.h"

#include <algorithm>
#include <cstring>
#include <mutex>

namespace {

// How often a byte stands in a firmware source, roughly: 3 for the blanks and separators on most
// lines, 2 for lower-case letters, digits and upper-case ASCII (instructions, registers, ports),
// 1 for upper-case Cyrillic letters, 0 for other punctuation such as quotes.
int commonness(char ch)
{
    const auto c = static_cast<unsigned char>(ch);
    if (c == ' ' || c == '\t' || c == ';' || c == ',')
        return 3;
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c >= 0xE0)
        return 2;
    if (c >= 0xC0)
        return 1;
    return 0;
}

// The marker's first byte, unless it is a blank or separator: then the first of its rarest.
qsizetype anchorIndex(QByteArrayView marker)
{
    qsizetype best = 0;
    if (commonness(marker.front()) < 3)
        return best;
    for (qsizetype i = 1; i < marker.size(); ++i) {
        if (commonness(marker[i]) < commonness(marker[best]))
            best = i;
    }
    return best;
}

} // namespace

qsizetype findBytes(QByteArrayView text, QByteArrayView marker, qsizetype from)
{
    if (marker.isEmpty() || from < 0)
        return text.indexOf(marker, from);
    const qsizetype lastStart = text.size() - marker.size();
    const qsizetype anchorAt = anchorIndex(marker);
    const char anchor = marker[anchorAt];
    const char *const begin = text.data();
    // Each start in turn whose anchor byte matches, in increasing order, so the first full match
    // found is the first at `from` or later.
    for (qsizetype at = from; at <= lastStart; ++at) {
        const void *const hit =
            std::memchr(begin + at + anchorAt, anchor, std::size_t(lastStart - at + 1));
        if (!hit)
            return -1;
        at = static_cast<const char *>(hit) - begin - anchorAt;
        if (begin[at] == marker.front() &&
            std::memcmp(begin + at, marker.data(), std::size_t(marker.size())) == 0)
            return at;
    }
    return -1;
}

struct SourceText::Marks
{
    std::once_flag once;
    std::optional<LineDoubts> doubts;
};

SourceText::SourceText() : m_marks(std::make_shared<Marks>()) {}

const LineDoubts &SourceText::doubts() const
{
    if (!m_marks)
        m_marks = std::make_shared<Marks>();
    std::call_once(m_marks->once, [this] { m_marks->doubts.emplace(*this); });
    return *m_marks->doubts;
}

QByteArrayView SourceText::breakText(char code)
{
    return code == 2 ? QByteArrayView("\r\n") : code == 1 ? QByteArrayView("\n") : QByteArrayView();
}

char SourceText::lineBreakCode() const
{
    return m_lineBreak == "\n" ? 1 : 2;
}

SourceText SourceText::fromFileBytes(const QByteArray &bytes)
{
    SourceText source;
    if (source.shareIfShown(bytes))
        return source;
    return fromFileBytes(QByteArrayView(bytes));
}

bool SourceText::isShownForm(QByteArrayView line)
{
    return line.size() <= kShownLineLength && !line.contains('\r') && !line.contains('\n');
}

bool SourceText::shareIfShown(const QByteArray &bytes)
{
    const char *const data = bytes.constData();
    const qsizetype n = bytes.size();
    if (n == 0 || data[n - 1] != '\n')
        return false;
    std::vector<qsizetype> &starts = m_lineStarts;
    starts.reserve(std::size_t(n / 64 + 1));
    // Each line's LF within its longest shown length, its CR right before it, and no CR before
    // that one.
    for (qsizetype begin = 0; begin < n;) {
        const qsizetype span = std::min(n - begin, kShownLineLength + 2);
        const char *const line = data + begin;
        const char *const lf =
            static_cast<const char *>(std::memchr(line, '\n', std::size_t(span)));
        if (!lf || lf == line || lf[-1] != '\r' ||
            std::memchr(line, '\r', std::size_t(lf - 1 - line)) != nullptr) {
            starts.clear();
            return false;
        }
        starts.push_back(begin);
        begin = lf + 1 - data;
    }
    m_text = bytes;
    return true;
}

SourceText SourceText::fromFileBytes(QByteArrayView bytes)
{
    SourceText source;
    const char *const data = bytes.data();
    const qsizetype n = bytes.size();
    // The positions of the line feeds, found in one pass; each line's entry is replaced by its
    // start in the text once its line feed has been read.
    std::vector<qsizetype> &starts = source.m_lineStarts;
    starts.reserve(std::size_t(n / 64 + 1));
    for (const char *at = data; n > 0 && at < data + n; ++at) {
        at = static_cast<const char *>(std::memchr(at, '\n', std::size_t(data + n - at)));
        if (!at)
            break;
        starts.push_back(at - data);
    }
    const qsizetype breaks = qsizetype(starts.size());
    const bool lastWithoutBreak = n > 0 && data[n - 1] != '\n';
    const qsizetype lines = breaks + (lastWithoutBreak ? 1 : 0);
    starts.resize(std::size_t(lines));
    source.m_breaks = QByteArray(lines, '\0');
    bool allCrLf = true;
    // Every shown line is at most as long as its bytes, plus the two of its CR LF.
    source.m_text.resize(n + 2 * lines);
    char *out = source.m_text.data();
    qsizetype begin = 0;
    for (qsizetype line = 0; line < lines; ++line) {
        const char *const newline = line < breaks ? data + starts[std::size_t(line)] : nullptr;
        const qsizetype end = newline ? newline - data : n;
        qsizetype lineEnd = end;
        if (newline && lineEnd > begin && data[lineEnd - 1] == '\r')
            --lineEnd;
        if (newline)
            source.m_breaks[line] = lineEnd < end ? 2 : 1;
        allCrLf = allCrLf && source.m_breaks[line] == 2;
        if (line == 0 && newline)
            source.m_lineBreak = breakText(source.m_breaks[0]).toByteArray();
        const QByteArrayView whole = bytes.sliced(begin, lineEnd - begin);
        source.m_lineStarts[std::size_t(line)] = out - source.m_text.constData();
        if (whole.size() <= kShownLineLength && !whole.contains('\r')) {
            std::memcpy(out, whole.data(), std::size_t(whole.size()));
            out += whole.size();
        } else {
            // The shown line: without its lone CRs, cut to its first 80 characters.
            qsizetype shown = 0;
            for (const char ch : whole) {
                if (ch == '\r')
                    continue;
                if (shown == kShownLineLength)
                    break;
                *out++ = ch;
                ++shown;
            }
            source.m_whole.emplace_hint(source.m_whole.end(), line, whole.toByteArray());
        }
        *out++ = '\r';
        *out++ = '\n';
        begin = end + 1;
    }
    source.m_text.truncate(out - source.m_text.constData());
    if (allCrLf)
        source.m_breaks.clear();
    return source;
}

QByteArray SourceText::wholeLine(qsizetype index) const
{
    const auto whole = m_whole.find(index);
    return whole == m_whole.end() ? shownLine(index) : whole->second;
}

QByteArrayView SourceText::wholeLineView(qsizetype index) const
{
    const auto whole = m_whole.find(index);
    return whole == m_whole.end() ? lineView(index) : QByteArrayView(whole->second);
}

qsizetype SourceText::nextDifferingLine(qsizetype index) const
{
    const auto whole = m_whole.lower_bound(index);
    return whole == m_whole.end() ? lineCount() : whole->first;
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
    const qsizetype p = findBytes(m_text, marker, from);
    if (p < 0 || p > lastStart)
        return std::nullopt;
    return p;
}

QByteArray SourceText::valueField(qsizetype pos) const
{
    char digits[3];
    qsizetype count = 0;
    for (qsizetype at = pos; pos >= 0 && at < pos + 3 && at < m_text.size(); ++at) {
        if (m_text[at] >= '0' && m_text[at] <= '9')
            digits[count++] = m_text[at];
    }
    return count == 0 ? QByteArray() : QByteArray(digits, count);
}

qsizetype SourceText::lineIndexAt(qsizetype pos) const
{
    const auto it = std::upper_bound(m_lineStarts.begin(), m_lineStarts.end(), pos);
    return qsizetype(it - m_lineStarts.begin()) - 1;
}

QByteArrayView SourceText::lineView(qsizetype index) const
{
    const qsizetype start = lineStart(index);
    const qsizetype next = index + 1 < lineCount() ? lineStart(index + 1) : m_text.size();
    return QByteArrayView(m_text).sliced(start, next - start - 2);
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
    // The same text again changes nothing, not even the line's own break.
    if (!wholeLineDiffers(index) && lineView(index) == line)
        return;
    const qsizetype start = lineStart(index);
    const qsizetype next = index + 1 < lineCount() ? lineStart(index + 1) : m_text.size();
    const qsizetype oldLength = next - start;
    const qsizetype newLength = line.size() + 2;
    m_text.replace(start, oldLength, line + "\r\n");
    m_marks = std::make_shared<Marks>(); // the copies keep theirs
    const qsizetype delta = newLength - oldLength;
    if (delta != 0) {
        for (std::size_t i = std::size_t(index) + 1; i < m_lineStarts.size(); ++i)
            m_lineStarts[i] += delta;
    }
    m_whole.erase(index);
    m_linesShown = m_linesShown && isShownForm(line);
    if (!m_breaks.isEmpty() && m_breaks[index] != 0)
        m_breaks[index] = lineBreakCode();
}

SourceText SourceText::withReplacedLines(const std::vector<LineReplacement> &replacements) const
{
    // The replacements that change a line, in order, and the new text's exact size.
    std::vector<const LineReplacement *> changes;
    changes.reserve(replacements.size());
    qsizetype size = m_text.size();
    qsizetype last = -1;
    for (const LineReplacement &replacement : replacements) {
        if (replacement.index <= last || replacement.index >= lineCount() ||
            lineWouldStay(replacement.index, replacement.line))
            continue;
        changes.push_back(&replacement);
        size += replacement.line.size() - lineView(replacement.index).size();
        last = replacement.index;
    }
    if (changes.empty())
        return *this; // the same lines: this text, with its marks
    SourceText out;
    out.m_text = QByteArray(size, Qt::Uninitialized);
    out.m_lineStarts.reserve(m_lineStarts.size());
    out.m_whole = m_whole;
    out.m_breaks = m_breaks;
    out.m_lineBreak = m_lineBreak;
    out.m_linesShown = m_linesShown;
    char *const begin = out.m_text.data();
    char *to = begin;
    qsizetype copiedLines = 0;
    const auto copyLinesUpTo = [&](qsizetype end) {
        const qsizetype from = copiedLines < lineCount() ? lineStart(copiedLines) : m_text.size();
        const qsizetype until = end < lineCount() ? lineStart(end) : m_text.size();
        const qsizetype shift = (to - begin) - from;
        for (qsizetype i = copiedLines; i < end; ++i)
            out.m_lineStarts.push_back(lineStart(i) + shift);
        to = std::copy(m_text.constData() + from, m_text.constData() + until, to);
        copiedLines = end;
    };
    for (const LineReplacement *replacement : changes) {
        copyLinesUpTo(replacement->index);
        out.m_lineStarts.push_back(to - begin);
        to = std::copy(replacement->line.begin(), replacement->line.end(), to);
        *to++ = '\r';
        *to++ = '\n';
        out.m_whole.erase(replacement->index);
        out.m_linesShown = out.m_linesShown && isShownForm(replacement->line);
        if (!out.m_breaks.isEmpty() && out.m_breaks[replacement->index] != 0)
            out.m_breaks[replacement->index] = lineBreakCode();
        copiedLines = replacement->index + 1;
    }
    copyLinesUpTo(lineCount());
    return out;
}

bool SourceText::lineWouldStay(qsizetype index, QByteArrayView line) const
{
    return !wholeLineDiffers(index) && lineView(index) == line;
}

QByteArray SourceText::toFileBytes() const
{
    if (m_breaks.isEmpty() && m_whole.empty())
        return m_text;
    qsizetype size = m_text.size();
    for (qsizetype i = 0; i < lineCount(); ++i)
        size += breakCode(i) - 2;
    for (const auto &[index, whole] : m_whole)
        size += whole.size() - lineView(index).size();
    QByteArray bytes(size, Qt::Uninitialized);
    char *out = bytes.data();
    const auto put = [&out](QByteArrayView part) {
        if (part.isEmpty())
            return;
        std::memcpy(out, part.data(), std::size_t(part.size()));
        out += part.size();
    };
    auto whole = m_whole.begin();
    for (qsizetype i = 0; i < lineCount(); ++i) {
        // The shown line straight from the text, without the text's own CR LF, unless the file
        // held more of it.
        if (whole != m_whole.end() && whole->first == i) {
            put(whole->second);
            ++whole;
        } else {
            put(lineView(i));
        }
        put(breakText(breakCode(i)));
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
