// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#pragma once

// The writer's view of a source whose lines it replaces.

#include "format/layout.h"
#include "format/sourcetext.h"

#include <QByteArrayView>

#include <algorithm>
#include <optional>
#include <utility>
#include <vector>

// The source with lines replaced, searched as if the replacements were made in place: positions
// count in the edited text. The text itself is built once at the end, so a write costs one pass
// over the source however many lines it replaces.
class EditedText
{
public:
    explicit EditedText(const SourceText &base) : m_base(base)
    {
        m_edits.reserve(kUsualEdits);
        m_prefix.reserve(kUsualEdits + 1);
        m_prefix.push_back(0);
    }

    qsizetype size() const { return m_base.size() + m_prefix.back(); }
    qsizetype lineCount() const { return m_base.lineCount(); }
    qsizetype lineStart(qsizetype index) const
    {
        return m_base.lineStart(index) + deltaBefore(index);
    }
    bool isReplaced(qsizetype index) const { return editAt(index) != nullptr; }

    QByteArrayView lineView(qsizetype index) const
    {
        if (const Edit *edit = editAt(index))
            return edit->line;
        return m_base.lineView(index);
    }

    QByteArrayView wholeLineView(qsizetype index) const
    {
        if (const Edit *edit = editAt(index))
            return edit->line;
        return m_base.wholeLineView(index);
    }

    qsizetype lineIndexAt(qsizetype pos) const
    {
        // The writer asks about one line several times in a row: the match, whether it stands
        // in a comment, the line to replace.
        if (pos >= m_lastLine.start && pos < m_lastLine.end)
            return m_lastLine.index;
        const qsizetype index = lookUpLine(pos);
        if (index >= lineCount())
            return index;
        const qsizetype start = lineStart(index);
        const qsizetype end = index + 1 < lineCount() ? lineStart(index + 1) : size();
        if (pos >= start && pos < end)
            m_lastLine = {index, start, end};
        return index;
    }

    qsizetype lookUpLine(qsizetype pos) const
    {
        // The last edited line that starts at or before pos: pos is in it, or in the unedited
        // lines after it, whose base positions are pos less the deltas up to it.
        std::size_t low = 0;
        std::size_t high = m_edits.size();
        // The writer works forwards: most positions lie at or after the last edited line.
        if (!m_edits.empty() && m_base.lineStart(m_edits.back().index) + m_prefix[high - 1] <= pos)
            low = high;
        while (low < high) {
            const std::size_t middle = (low + high) / 2;
            if (m_base.lineStart(m_edits[middle].index) + m_prefix[middle] <= pos)
                low = middle + 1;
            else
                high = middle;
        }
        if (low > 0) {
            const Edit &edit = m_edits[low - 1];
            const qsizetype start = m_base.lineStart(edit.index) + m_prefix[low - 1];
            if (pos < start + edit.line.size() + 2 || edit.index + 1 >= lineCount())
                return edit.index;
        }
        return std::max<qsizetype>(m_base.lineIndexAt(pos - m_prefix[low]), 0);
    }

    // First match at `from` or later. Markers hold no line break, so a match never spans lines.
    std::optional<qsizetype> find(QByteArrayView marker, qsizetype from,
                                  qsizetype lastStart = SourceText::kNoLimit) const
    {
        const auto found = findFrom(marker, from);
        if (found && *found > lastStart)
            return std::nullopt;
        return found;
    }

    std::optional<qsizetype> findFrom(QByteArrayView marker, qsizetype from) const
    {
        from = std::max<qsizetype>(from, 0);
        if (from >= size() || marker.isEmpty() || lineCount() == 0)
            return std::nullopt;
        qsizetype index = lineIndexAt(from);
        qsizetype offset = from - lineStart(index);
        const QByteArrayView text(m_base.text());
        while (index < lineCount()) {
            const auto next = firstEditFrom(index);
            if (next != m_edits.end() && next->index == index) {
                const qsizetype p = findBytes(next->line, marker, offset);
                if (p >= 0)
                    return lineStart(index) + p;
                ++index;
                offset = 0;
                continue;
            }
            // Unedited lines up to the next edited one, searched in the base text.
            const qsizetype end = next != m_edits.end() ? next->index : lineCount();
            const qsizetype baseFrom = m_base.lineStart(index) + offset;
            const qsizetype baseEnd = end < lineCount() ? m_base.lineStart(end) : text.size();
            const qsizetype p = findBytes(text.first(baseEnd), marker, baseFrom);
            if (p >= 0)
                return p + deltaBefore(index);
            index = end;
            offset = 0;
        }
        return std::nullopt;
    }

    void replaceLine(qsizetype index, QByteArray line)
    {
        m_lastLine = {};
        const auto at = firstEditFrom(index);
        const qsizetype baseEnd =
            index + 1 < lineCount() ? m_base.lineStart(index + 1) : m_base.size();
        const qsizetype oldLength = baseEnd - m_base.lineStart(index);
        const qsizetype delta = line.size() + 2 - oldLength;
        const std::size_t first = std::size_t(at - m_edits.begin());
        if (at != m_edits.end() && at->index == index)
            *at = {index, std::move(line), delta};
        else
            m_edits.insert(at, {index, std::move(line), delta});
        m_prefix.resize(m_edits.size() + 1);
        for (std::size_t i = first; i < m_edits.size(); ++i)
            m_prefix[i + 1] = m_prefix[i] + m_edits[i].delta;
    }

    // Whether the edits leave the text as it was, line for line and byte for byte.
    bool keepsText() const
    {
        return std::all_of(m_edits.begin(), m_edits.end(), [this](const Edit &edit) {
            return m_base.lineWouldStay(edit.index, edit.line);
        });
    }

    SourceText result() const
    {
        std::vector<SourceText::LineReplacement> replacements;
        replacements.reserve(m_edits.size());
        for (const Edit &edit : m_edits)
            replacements.push_back({edit.index, edit.line});
        return m_base.withReplacedLines(replacements);
    }

private:
    // A whole write: the include line, the second pulse, four spark lines, the compare lines
    // and two lines per table entry.
    static constexpr std::size_t kUsualEdits = 8 + kCompareCount + 2 * kTableCount * kPointCount;

    struct Edit
    {
        qsizetype index;
        QByteArray line; // without its line break
        qsizetype delta; // change of the text's length
    };

    // The first edit of line `index` or a later one; the writer's lookups mostly lie past the
    // last edit.
    std::vector<Edit>::const_iterator firstEditFrom(qsizetype index) const
    {
        if (m_edits.empty() || m_edits.back().index < index)
            return m_edits.end();
        return std::lower_bound(m_edits.begin(), m_edits.end(), index,
                                [](const Edit &e, qsizetype i) { return e.index < i; });
    }
    std::vector<Edit>::iterator firstEditFrom(qsizetype index)
    {
        return m_edits.begin() + (std::as_const(*this).firstEditFrom(index) - m_edits.cbegin());
    }

    const Edit *editAt(qsizetype index) const
    {
        const auto at = firstEditFrom(index);
        return at != m_edits.end() && at->index == index ? &*at : nullptr;
    }

    qsizetype deltaBefore(qsizetype index) const
    {
        const auto at = firstEditFrom(index);
        return m_prefix[std::size_t(at - m_edits.begin())];
    }

    // The line the last lookup found, as positions in the edited text; empty after an edit.
    struct LineSpan
    {
        qsizetype index = -1;
        qsizetype start = 0;
        qsizetype end = 0;
    };

    const SourceText &m_base;
    mutable LineSpan m_lastLine;
    std::vector<Edit> m_edits;       // sorted by line index
    std::vector<qsizetype> m_prefix; // m_prefix[k]: the deltas of the first k edits
};

// Thrown inside the writer to end it; carries the stop to report.
