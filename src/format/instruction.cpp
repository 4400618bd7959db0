// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#include "format/instruction.h"

#include "format/cp1251.h"

#include <array>
#include <cstring>

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

namespace {

bool isLineBlank(char ch)
{
    return ch == ' ' || ch == '\t';
}

bool isNameChar(char ch)
{
    return (ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z') || (ch >= '0' && ch <= '9') ||
           ch == '_';
}

QByteArrayView trimmed(QByteArrayView text)
{
    while (!text.isEmpty() && isLineBlank(text.front()))
        text = text.sliced(1);
    while (!text.isEmpty() && isLineBlank(text.back()))
        text.chop(1);
    return text;
}

char lowerAscii(char ch)
{
    return ch >= 'A' && ch <= 'Z' ? char(ch - 'A' + 'a') : ch;
}

// Equal but for the letter case of ASCII letters.
bool sameLetters(QByteArrayView a, QByteArrayView b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (lowerAscii(a[i]) != lowerAscii(b[i]))
            return false;
    }
    return true;
}

// "r16", "R16" and "R016" name register 16.
std::optional<int> registerNumber(QByteArrayView operand)
{
    operand = trimmed(operand);
    if (operand.size() < 2 || (operand[0] != 'r' && operand[0] != 'R'))
        return std::nullopt;
    int number = 0;
    for (const char ch : operand.sliced(1)) {
        if (ch < '0' || ch > '9' || number > 99)
            return std::nullopt;
        number = number * 10 + (ch - '0');
    }
    return number;
}

} // namespace

Statement statementOf(QByteArrayView line)
{
    Statement statement;
    qsizetype at = 0;
    const qsizetype n = line.size();
    for (;;) {
        while (at < n && isLineBlank(line[at]))
            ++at;
        qsizetype end = at;
        while (end < n && isNameChar(line[end]))
            ++end;
        if (end == at || end == n || line[end] != ':')
            break;
        at = end + 1; // a label
    }
    qsizetype end = at;
    if (end < n && (line[end] == '.' || line[end] == '#'))
        ++end;
    while (end < n && isNameChar(line[end]))
        ++end;
    if (end == at)
        return statement;
    statement.wordAt = at;
    statement.word = line.sliced(at, end - at);
    QByteArrayView operands = line.sliced(end);
    if (const void *comment = std::memchr(operands.data(), ';', std::size_t(operands.size())))
        operands.truncate(static_cast<const char *>(comment) - operands.data());
    statement.operands = trimmed(operands);
    return statement;
}

instruction::Reading instruction::readingOf(const Statement &statement,
                                            const instructions::Instruction &wanted)
{
    if (!sameLetters(statement.word, wanted.mnemonic))
        return Reading::Other;
    const qsizetype comma = statement.operands.indexOf(',');
    const auto reg =
        registerNumber(comma < 0 ? statement.operands : statement.operands.first(comma));
    if (!reg)
        return Reading::Unsure;
    return *reg == wanted.reg ? Reading::Match : Reading::Other;
}

namespace {

// The first word of the line after blanks, and whether a colon follows it (a label).
QByteArrayView firstWord(QByteArrayView line, bool *label)
{
    qsizetype at = 0;
    while (at < line.size() && isLineBlank(line[at]))
        ++at;
    const qsizetype begin = at;
    while (at < line.size() && isNameChar(line[at]))
        ++at;
    *label = at < line.size() && line[at] == ':';
    return line.sliced(begin, at - begin);
}

} // namespace

bool instruction::mayBe(QByteArrayView line, QByteArrayView mnemonic)
{
    bool label = false;
    const QByteArrayView word = firstWord(line, &label);
    return label || sameLetters(word, mnemonic);
}

bool instruction::startsWithLabel(QByteArrayView line)
{
    bool label = false;
    firstWord(line, &label);
    return label;
}

std::optional<QByteArray> plainValueOperand(QByteArrayView line)
{
    const QByteArrayView operands = statementOf(line).operands;
    const qsizetype comma = operands.indexOf(',');
    if (comma < 0)
        return std::nullopt;
    const QByteArrayView value = trimmed(operands.sliced(comma + 1));
    if (value.isEmpty() || value.size() > 3)
        return std::nullopt;
    for (const char ch : value) {
        if (ch < '0' || ch > '9')
            return std::nullopt;
    }
    return value.toByteArray();
}

// Walks the lines as the assembler splits them and notes, per line of the source, the line
// that makes its reading unsure.
class DoubtScan
{
public:
    DoubtScan(const SourceText &source, std::vector<LineDoubts::Range> &ranges)
        : m_source(source), m_ranges(ranges)
    {}

    void run()
    {
        const qsizetype lines = m_source.lineCount();
        const char *const text = m_source.text().constData();
        const bool wholeLines = !m_source.splitsToItself();
        for (qsizetype index = 0; index < lines && m_unsureFrom < 0; ++index) {
            if (m_macros.empty() && m_blocks.empty()) {
                index = nextLineThatMayMatter(index);
                if (index == lines)
                    break;
            }
            m_index = index;
            m_doubt = -1;
            // Every shown line ends in CR LF; most start with an instruction or a comment.
            const qsizetype start = m_source.lineStart(index);
            const qsizetype end =
                (index + 1 < lines ? m_source.lineStart(index + 1) : m_source.size()) - 2;
            if (wholeLines && m_source.wholeLineDiffers(index))
                readWholeLine();
            else if (m_macros.empty() && m_blocks.empty() && end > start && text[end - 1] != '\\' &&
                     !mayMatter(QByteArrayView(text + start, end - start)))
                continue;
            else
                readPiece(QByteArrayView(text + start, end - start), false);
            if (m_doubt < 0 && !m_blocks.empty())
                m_doubt = m_blocks.front().line;
            if (m_doubt >= 0)
                note(index, index, m_doubt);
        }
        if (m_unsureFrom >= 0 && m_index + 1 < lines)
            note(m_index + 1, lines - 1, m_unsureFrom);
    }

private:
    enum class Block
    {
        Condition,
        Macro,
    };
    struct Open
    {
        Block kind;
        qsizetype line;
    };

    void note(qsizetype first, qsizetype last, qsizetype cause)
    {
        if (!m_ranges.empty() && m_ranges.back().last + 1 == first &&
            m_ranges.back().cause == cause)
            m_ranges.back().last = last;
        else
            m_ranges.push_back({first, last, cause});
    }

    // While no block is open and the file has no macros, a line matters only when it holds a
    // '.' or '#' (a directive, perhaps after labels) or a '\\' (joined with the next), or when
    // its whole line differs from the shown one. The first such line from `index` on, or
    // lineCount().
    qsizetype nextLineThatMayMatter(qsizetype index)
    {
        const QByteArrayView text(m_source.text());
        const qsizetype from = m_source.lineStart(index);
        qsizetype first = text.size();
        for (NextByte &next : m_nextBytes) {
            if (next.pos < from) {
                const void *hit =
                    std::memchr(text.data() + from, next.byte, std::size_t(text.size() - from));
                next.pos = hit ? static_cast<const char *>(hit) - text.data() : text.size();
            }
            first = std::min(first, next.pos);
        }
        const qsizetype line =
            first < text.size() ? m_source.lineIndexAt(first) : m_source.lineCount();
        return std::min(line, m_source.nextDifferingLine(index));
    }

    // Cut or holding lone CRs: each piece between CRs is a line of its own.
    void readWholeLine()
    {
        const QByteArray whole = m_source.wholeLine(m_index);
        qsizetype begin = 0;
        bool written = false;
        for (;;) {
            const qsizetype cr = whole.indexOf('\r', begin);
            const QByteArrayView part =
                QByteArrayView(whole).sliced(begin, (cr < 0 ? whole.size() : cr) - begin);
            readPiece(part, written);
            written = written || !trimmed(part).isEmpty();
            if (cr < 0)
                break;
            begin = cr + 1;
        }
    }

    void doubtThis()
    {
        if (m_doubt < 0)
            m_doubt = m_index;
    }
    void unsureFromHere()
    {
        doubtThis();
        if (m_unsureFrom < 0)
            m_unsureFrom = m_index;
    }

    // One line as the assembler splits them; afterText: a piece of the same shown line with
    // more than blanks stands before it.
    void readPiece(QByteArrayView piece, bool afterText)
    {
        if (!piece.isEmpty() && piece.back() == '\\')
            unsureFromHere(); // joined with what follows, in ways that do not show
        if (afterText && !trimmed(piece).isEmpty() && !trimmed(piece).startsWith(';'))
            doubtThis(); // code that the shown line runs into the text before it
        if (!mayMatter(piece))
            return;
        const Statement statement = statementOf(piece);
        if (statement.wordAt < 0)
            return;
        const QByteArrayView word = statement.word;
        if (word.front() != '.' && word.front() != '#') {
            if (isMacro(word))
                doubtThis();
            return;
        }
        const QByteArrayView name = word.sliced(1);
        const bool dot = word.front() == '.';
        if (sameLetters(name, "if") || sameLetters(name, "ifdef") || sameLetters(name, "ifndef")) {
            doubtThis();
            m_blocks.push_back({Block::Condition, m_index});
        } else if (sameLetters(name, "elif") || sameLetters(name, "else")) {
            doubtThis();
        } else if (sameLetters(name, "endif")) {
            closeBlock(Block::Condition);
        } else if (dot && sameLetters(name, "macro")) {
            doubtThis();
            const QByteArrayView operands = statement.operands;
            qsizetype end = 0;
            while (end < operands.size() && isNameChar(operands[end]))
                ++end;
            m_macros.push_back(operands.first(end).toByteArray());
            m_blocks.push_back({Block::Macro, m_index});
        } else if (dot && (sameLetters(name, "endm") || sameLetters(name, "endmacro"))) {
            closeBlock(Block::Macro);
        } else if (dot && sameLetters(name, "exit")) {
            unsureFromHere(); // the assembler reads no further
        } else if (dot && sameLetters(name, "def")) {
            const qsizetype equals = statement.operands.indexOf('=');
            if (equals >= 0 && registerNumber(statement.operands.first(equals)))
                unsureFromHere(); // a register's own name now names another
        }
    }

    // Whether the piece may hold a directive or a macro call: its first word, after any labels,
    // starts with '.' or '#', or the file has macros. Most lines are instructions or comments.
    bool mayMatter(QByteArrayView piece) const
    {
        if (!m_macros.empty())
            return true;
        qsizetype at = 0;
        while (at < piece.size() && isLineBlank(piece[at]))
            ++at;
        if (at == piece.size())
            return false;
        if (piece[at] == '.' || piece[at] == '#')
            return true;
        while (at < piece.size() && isNameChar(piece[at]))
            ++at;
        return at < piece.size() && piece[at] == ':'; // a label: look behind it
    }

    // An end that does not match the open block leaves it open: every line after it stays
    // doubtful (the assembler rejects such a source or skips the end).
    void closeBlock(Block kind)
    {
        doubtThis();
        if (!m_blocks.empty() && m_blocks.back().kind == kind)
            m_blocks.pop_back();
    }

    bool isMacro(QByteArrayView word) const
    {
        for (const QByteArray &macro : m_macros) {
            if (!macro.isEmpty() && sameLetters(word, macro))
                return true;
        }
        return false;
    }

    // Where a byte that may make a line matter stands next in the text, from the last search on;
    // each byte's search goes on from where it stopped, so the text is searched once per byte.
    struct NextByte
    {
        char byte;
        qsizetype pos = -1;
    };

    const SourceText &m_source;
    std::vector<LineDoubts::Range> &m_ranges;
    std::array<NextByte, 3> m_nextBytes{{{'.'}, {'#'}, {'\\'}}};
    std::vector<Open> m_blocks;
    std::vector<QByteArray> m_macros;
    qsizetype m_index = 0;
    qsizetype m_doubt = -1;
    qsizetype m_unsureFrom = -1;
};

LineDoubts::LineDoubts(const SourceText &source)
{
    DoubtScan(source, m_ranges).run();
}

std::optional<qsizetype> LineDoubts::causeIn(qsizetype first, qsizetype last) const
{
    // The first range that ends at or after `first`.
    const auto range =
        std::lower_bound(m_ranges.begin(), m_ranges.end(), first,
                         [](const Range &r, qsizetype line) { return r.last < line; });
    if (range == m_ranges.end() || range->first > last)
        return std::nullopt;
    return range->cause;
}
