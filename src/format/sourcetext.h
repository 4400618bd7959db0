// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#pragma once

#include <QByteArray>
#include <QList>
#include <QStringList>

#include <limits>
#include <map>
#include <memory>
#include <optional>
#include <vector>

class LineDoubts;

// The first match of marker in text at `from` or later, or -1, like QByteArrayView::indexOf, but
// found with memchr on the marker's first byte or, where that is a blank, ';' or ',' (which stand
// on most lines of a source), on its rarest byte.
qsizetype findBytes(QByteArrayView text, QByteArrayView marker, qsizetype from);

// The loaded firmware source as the marker searches see it: its lines in file order, each cut to
// its first 80 characters and followed by a two-character line break (CR LF). A text position is
// an index into that text. Beside each shown line the whole line as read is kept, so that a save
// writes every line it does not rewrite exactly as it stands in the file.
class SourceText
{
public:
    static constexpr qsizetype kShownLineLength = 80;
    static constexpr qsizetype kNoLimit = std::numeric_limits<qsizetype>::max();

    SourceText();

    // Lines end at LF or CR LF; a CR not followed by LF does not end a line and is not shown.
    static SourceText fromFileBytes(QByteArrayView bytes);
    // The same; when the bytes are the shown text already (every line ends in CR LF, holds no
    // other CR and is at most 80 characters long), the text shares them instead of a copy.
    static SourceText fromFileBytes(const QByteArray &bytes);

    qsizetype size() const { return m_text.size(); }
    bool isEmpty() const { return m_text.isEmpty(); }
    const QByteArray &text() const { return m_text; }

    // The character at pos, or '\0' outside the text.
    char at(qsizetype pos) const;
    // The window of n characters at pos; shorter near the end of the text.
    QByteArray window(qsizetype pos, qsizetype n) const;
    bool matchesAt(qsizetype pos, QByteArrayView marker) const;
    // First match starting at from or later and at lastStart or earlier.
    std::optional<qsizetype> find(QByteArrayView marker, qsizetype from,
                                  qsizetype lastStart = kNoLimit) const;
    // The decimal digits among the three characters at pos, in their order.
    QByteArray valueField(qsizetype pos) const;

    qsizetype lineCount() const { return qsizetype(m_lineStarts.size()); }
    qsizetype lineIndexAt(qsizetype pos) const;
    qsizetype lineStart(qsizetype index) const { return m_lineStarts[std::size_t(index)]; }
    QByteArray shownLine(qsizetype index) const;
    // The shown line without its line break, as a view into the text.
    QByteArrayView lineView(qsizetype index) const;
    QByteArray wholeLine(qsizetype index) const;
    // The same as a view into this text, valid while it is unchanged.
    QByteArrayView wholeLineView(qsizetype index) const;
    // Whether the file's line differs from the shown one (it was cut or holds a lone CR).
    bool wholeLineDiffers(qsizetype index) const { return m_whole.count(index) != 0; }
    // The first line from `index` on whose whole line differs, or lineCount().
    qsizetype nextDifferingLine(qsizetype index) const;

    // Replaces the line that holds pos (or line `index`) by `line`; the line count stays.
    void replaceLineAt(qsizetype pos, const QByteArray &line);
    void replaceLine(qsizetype index, const QByteArray &line);

    // A line index and the text that takes that line's place.
    struct LineReplacement
    {
        qsizetype index;
        QByteArray line;
    };
    // This text with the lines replaced, built in one pass. The replacements are sorted by
    // index, at most one per line; the line count stays.
    SourceText withReplacedLines(const std::vector<LineReplacement> &replacements) const;
    // Whether replacing line `index` by `line` leaves it as it is: the same text keeps even its
    // own line break.
    bool lineWouldStay(qsizetype index, QByteArrayView line) const;

    // Every whole line with its line break as read. A rewritten line ends in the file's own
    // break (that of its first line); the last line keeps having none when it had none. Where
    // that is the text itself, it is shared rather than copied.
    QByteArray toFileBytes() const;
    // Whether toFileBytes() is the text itself and a fresh split of it gives these lines again:
    // every line ends in CR LF, stands whole, holds no CR or LF and at most 80 characters.
    bool splitsToItself() const { return m_breaks.isEmpty() && m_whole.empty() && m_linesShown; }
    // The file's line break: that of its first line, CR LF when it has none.
    const QByteArray &lineBreak() const { return m_lineBreak; }
    // The shown lines decoded from code page 1251, for the text box.
    QStringList shownLines() const;

    // The lines the assembler may read otherwise than the marker searches, marked once per
    // text: on first use, then kept for the text and its copies until a line is replaced.
    const LineDoubts &doubts() const;

private:
    static QByteArrayView breakText(char code);
    char lineBreakCode() const;
    // The break line `index` had in the file.
    char breakCode(qsizetype index) const { return m_breaks.isEmpty() ? 2 : m_breaks[index]; }
    // Takes the bytes as the text when they are the shown text already.
    bool shareIfShown(const QByteArray &bytes);
    // Whether a line put into the text is one a split could give: no CR or LF, at most 80 long.
    static bool isShownForm(QByteArrayView line);

    QByteArray m_text;
    std::vector<qsizetype> m_lineStarts;
    // The whole line as read where it differs from the shown one (cut, or holding a lone CR);
    // a null entry where the shown line is the whole line.
    std::map<qsizetype, QByteArray> m_whole;
    // Per line, the break it had in the file: 2 for CR LF, 1 for LF, 0 for a last line without
    // one; a rewritten line takes the file's own break. Empty when every line has CR LF.
    QByteArray m_breaks;
    QByteArray m_lineBreak = QByteArrayLiteral("\r\n");
    // False once a line was put in that a split of the text would not give back.
    bool m_linesShown = true;
    // The marks of doubts(), shared with the copies of the text; null only when moved from.
    struct Marks;
    mutable std::shared_ptr<Marks> m_marks;
};
