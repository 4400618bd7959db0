// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#include <QTest>

#include "format/cp1251.h"
#include "format/instruction.h"
#include "format/sourcetext.h"

class TestSourceText : public QObject
{
    Q_OBJECT
private slots:
    void valueFieldKeepsOnlyDigits_data();
    void valueFieldKeepsOnlyDigits();
    void valueFieldNearTheEnd();
    void lineBreaks_data();
    void lineBreaks();
    void bytesInTheShownFormAreShared_data();
    void bytesInTheShownFormAreShared();
    void editsLeaveSharedBytesAlone();
    void splitsToItselfOnlyWhereASplitGivesItsLines_data();
    void splitsToItselfOnlyWhereASplitGivesItsLines();
    void loneCarriageReturnIsNotShown();
    void longLineIsShownCutAndKeptWhole();
    void cutCountsCharactersAfterTheDroppedCr();
    void positionsAfterALongLineCountTheCutLine();
    void charactersAndWindows();
    void markerNeedsTheWholeWindow();
    void findHonoursStartAndLastStart();
    void findBytesPassesOverPartialMatches();
    void lineIndexOfPositions();
    void replaceLineKeepsTheOtherLines();
    void replaceLineAtUsesTheLineHoldingThePosition();
    void replaceLineOutsideDoesNothing();
    void doubtsAreMarkedAgainAfterAReplacedLine();
    void fileBytesKeepTheLineBreaks_data();
    void fileBytesKeepTheLineBreaks();
    void shownLinesAreDecoded();
    void cp1251KnownCharacters_data();
    void cp1251KnownCharacters();
    void cp1251RoundTripsEveryDefinedByte();
    void cp1251UnmappedCharactersBecomeQuestionMarks();
};

namespace {

SourceText source(QByteArrayView bytes)
{
    return SourceText::fromFileBytes(bytes);
}

QByteArray repeated(char ch, qsizetype count)
{
    return QByteArray(count, ch);
}

// The match position, or -1 for none.
qsizetype found(std::optional<qsizetype> match)
{
    return match.value_or(-1);
}

} // namespace

void TestSourceText::valueFieldKeepsOnlyDigits_data()
{
    QTest::addColumn<QByteArray>("field");
    QTest::addColumn<QByteArray>("value");
    // The three characters follow "x" on the first line; a line break ends the field early.
    QTest::newRow("digits then line break") << QByteArray("40\r\n") << QByteArray("40");
    QTest::newRow("space digit semicolon") << QByteArray(" 7;") << QByteArray("7");
    QTest::newRow("digit space digit") << QByteArray("4 0") << QByteArray("40");
    QTest::newRow("minus digit semicolon") << QByteArray("-5;") << QByteArray("5");
    QTest::newRow("decimal point") << QByteArray("1.5") << QByteArray("15");
    QTest::newRow("no digits") << QByteArray("\t;a") << QByteArray("");
    QTest::newRow("three digits") << QByteArray("2497") << QByteArray("249");
    QTest::newRow("tab between") << QByteArray("1\t2") << QByteArray("12");
    QTest::newRow("lf only break") << QByteArray("9\nx") << QByteArray("9");
}

void TestSourceText::valueFieldKeepsOnlyDigits()
{
    QFETCH(QByteArray, field);
    QFETCH(QByteArray, value);
    const SourceText text = source("x" + field + "\r\nnext 55\r\n");
    QCOMPARE(text.valueField(1), value);
}

void TestSourceText::valueFieldNearTheEnd()
{
    const SourceText text = source("ab12");
    // Text: "ab12\r\n"; the field at 2 is "12\r", at 3 "2\r\n", at 5 only "\n".
    QCOMPARE(text.valueField(2), QByteArray("12"));
    QCOMPARE(text.valueField(3), QByteArray("2"));
    QCOMPARE(text.valueField(5), QByteArray());
    QCOMPARE(text.valueField(6), QByteArray());
    QCOMPARE(text.valueField(-1), QByteArray());
}

void TestSourceText::lineBreaks_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("lines");
    QTest::newRow("empty file") << QByteArray() << QByteArray() << 0;
    QTest::newRow("crlf") << QByteArray("ab\r\ncd\r\n") << QByteArray("ab\r\ncd\r\n") << 2;
    QTest::newRow("lf only") << QByteArray("ab\ncd\n") << QByteArray("ab\r\ncd\r\n") << 2;
    QTest::newRow("mixed") << QByteArray("ab\ncd\r\nef\n") << QByteArray("ab\r\ncd\r\nef\r\n") << 3;
    QTest::newRow("last line without break")
        << QByteArray("ab\r\ncd") << QByteArray("ab\r\ncd\r\n") << 2;
    QTest::newRow("one empty line") << QByteArray("\n") << QByteArray("\r\n") << 1;
    QTest::newRow("empty lines") << QByteArray("\r\n\n\r\n") << QByteArray("\r\n\r\n\r\n") << 3;
    QTest::newRow("cr before crlf") << QByteArray("a\r\r\nb\n") << QByteArray("a\r\nb\r\n") << 2;
}

void TestSourceText::lineBreaks()
{
    QFETCH(QByteArray, file);
    QFETCH(QByteArray, text);
    QFETCH(int, lines);
    const SourceText parsed = source(file);
    QCOMPARE(parsed.text(), text);
    QCOMPARE(parsed.size(), text.size());
    QCOMPARE(parsed.isEmpty(), text.isEmpty());
    QCOMPARE(parsed.lineCount(), lines);
}

void TestSourceText::bytesInTheShownFormAreShared_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<bool>("shared");
    const QByteArray longest = repeated('a', 80);
    QTest::newRow("crlf") << QByteArray("ab\r\ncd\r\n") << true;
    QTest::newRow("empty lines") << QByteArray("\r\n\r\nx\r\n\r\n") << true;
    QTest::newRow("80 characters") << longest + "\r\nb\r\n" << true;
    QTest::newRow("81 characters") << "b\r\n" + longest + "a\r\n" << false;
    QTest::newRow("81 with a lone cr") << "b\r\n" + longest + "\r\r\n" << false;
    QTest::newRow("lf line among crlf") << QByteArray("ab\r\ncd\nef\r\n") << false;
    QTest::newRow("lf first") << QByteArray("ab\ncd\r\n") << false;
    QTest::newRow("lone cr") << QByteArray("a\rb\r\n") << false;
    QTest::newRow("cr before crlf") << QByteArray("a\r\nb\r\r\n") << false;
    QTest::newRow("cr at the start of the last line") << QByteArray("a\r\n\r") << false;
    QTest::newRow("last line without break") << QByteArray("a\r\nb") << false;
    QTest::newRow("last line cr only") << QByteArray("a\r\nb\r") << false;
    QTest::newRow("lf alone") << QByteArray("\n") << false;
}

// The text read from a QByteArray is the one read from its bytes, whether it shares them or not.
void TestSourceText::bytesInTheShownFormAreShared()
{
    QFETCH(QByteArray, file);
    QFETCH(bool, shared);
    const SourceText copied = source(file);
    const SourceText text = SourceText::fromFileBytes(file);
    QCOMPARE(text.text(), copied.text());
    QCOMPARE(text.text().constData() == file.constData(), shared);
    QCOMPARE(text.lineCount(), copied.lineCount());
    for (qsizetype i = 0; i < text.lineCount(); ++i) {
        QCOMPARE(text.lineStart(i), copied.lineStart(i));
        QCOMPARE(text.wholeLine(i), copied.wholeLine(i));
    }
    QCOMPARE(text.toFileBytes(), file);
    QCOMPARE(text.toFileBytes().constData() == file.constData(), shared);
}

void TestSourceText::editsLeaveSharedBytesAlone()
{
    const QByteArray file("one\r\ntwo\r\nthree\r\n");
    SourceText text = SourceText::fromFileBytes(file);
    const SourceText replaced = text.withReplacedLines({{1, "2"}});
    text.replaceLine(0, "1");
    QCOMPARE(file, QByteArray("one\r\ntwo\r\nthree\r\n"));
    QCOMPARE(text.toFileBytes(), QByteArray("1\r\ntwo\r\nthree\r\n"));
    QCOMPARE(replaced.toFileBytes(), QByteArray("one\r\n2\r\nthree\r\n"));
    QCOMPARE(replaced.lineStart(2), 8);
    QCOMPARE(SourceText::fromFileBytes(file).toFileBytes(), file);
}

void TestSourceText::splitsToItselfOnlyWhereASplitGivesItsLines_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QByteArray>("line"); // put in as line 1
    QTest::addColumn<bool>("itself");
    const QByteArray crlf("ab\r\ncd\r\nef\r\n");
    QTest::newRow("crlf, unedited") << crlf << QByteArray() << true;
    QTest::newRow("crlf, 80 characters put in") << crlf << repeated('x', 80) << true;
    QTest::newRow("crlf, 81 characters put in") << crlf << repeated('x', 81) << false;
    QTest::newRow("crlf, a line break put in") << crlf << QByteArray("x\r\ny") << false;
    QTest::newRow("crlf, a line feed put in") << crlf << QByteArray("x\ny") << false;
    QTest::newRow("crlf, a lone cr put in") << crlf << QByteArray("x\ry") << false;
    QTest::newRow("lf breaks") << QByteArray("ab\ncd\nef\n") << QByteArray("x") << false;
    QTest::newRow("last line without break")
        << QByteArray("ab\r\ncd\r\nef") << QByteArray("x") << false;
    QTest::newRow("long line elsewhere") << "ab\r\ncd\r\n" + repeated('e', 81) + "\r\n"
                                         << QByteArray("x") << false;
}

// Only where a fresh split of the file bytes gives the text's lines again may a caller take the
// text for that split.
void TestSourceText::splitsToItselfOnlyWhereASplitGivesItsLines()
{
    QFETCH(QByteArray, file);
    QFETCH(QByteArray, line);
    QFETCH(bool, itself);
    SourceText edited = SourceText::fromFileBytes(file);
    const SourceText built = line.isNull() ? edited : edited.withReplacedLines({{1, line}});
    if (!line.isNull())
        edited.replaceLine(1, line);
    const SourceText *const texts[] = {&edited, &built};
    for (const SourceText *text : texts) {
        QCOMPARE(text->splitsToItself(), itself);
        const SourceText again = SourceText::fromFileBytes(text->toFileBytes());
        const bool sameLines = again.text() == text->text() &&
                               again.lineCount() == text->lineCount() &&
                               again.toFileBytes() == text->toFileBytes();
        if (itself)
            QVERIFY(sameLines);
        else if (line.contains('\n'))
            QVERIFY(!sameLines);
    }
}

void TestSourceText::loneCarriageReturnIsNotShown()
{
    const SourceText text = source("ldi\rR23,\r\nnext\rline\n");
    QCOMPARE(text.text(), QByteArray("ldiR23,\r\nnextline\r\n"));
    QCOMPARE(text.lineCount(), 2);
    QCOMPARE(text.shownLine(0), QByteArray("ldiR23,"));
    // The marker is found across the dropped CR.
    QCOMPARE(found(text.find("ldiR23,", 0)), 0);
    QCOMPARE(found(text.find("nextline", 0)), 9);
    // The file gets the line back as it was read.
    QCOMPARE(text.wholeLine(0), QByteArray("ldi\rR23,"));
    QCOMPARE(text.toFileBytes(), QByteArray("ldi\rR23,\r\nnext\rline\n"));
}

void TestSourceText::longLineIsShownCutAndKeptWhole()
{
    const QByteArray longLine = repeated('a', 80) + repeated('b', 20);
    const SourceText text = source(longLine + "\r\nshort\r\n");
    QCOMPARE(text.lineCount(), 2);
    QCOMPARE(text.shownLine(0), repeated('a', 80));
    QCOMPARE(text.wholeLine(0), longLine);
    QCOMPARE(text.text(), repeated('a', 80) + "\r\nshort\r\n");
    QCOMPARE(text.text().indexOf('b'), -1);
    QCOMPARE(text.toFileBytes(), longLine + "\r\nshort\r\n");
    QCOMPARE(text.shownLines(), QStringList({QString(80, u'a'), QStringLiteral("short")}));

    // Exactly 80 characters are not cut; 81 are.
    QCOMPARE(source(repeated('c', 80)).shownLine(0).size(), 80);
    QCOMPARE(source(repeated('c', 81)).shownLine(0).size(), 80);
}

void TestSourceText::cutCountsCharactersAfterTheDroppedCr()
{
    const QByteArray line = repeated('a', 40) + '\r' + repeated('b', 45);
    const SourceText text = source(line + "\n");
    QCOMPARE(text.shownLine(0), repeated('a', 40) + repeated('b', 40));
    QCOMPARE(text.wholeLine(0), line);
}

void TestSourceText::positionsAfterALongLineCountTheCutLine()
{
    // 100 characters, then a marker line: in the file the marker stands at 102, in the text at
    // 82 (80 characters and the line break).
    const QByteArray file = repeated('x', 100) + "\r\nldi R23,57\r\n";
    QCOMPARE(file.indexOf("ldi R23,"), 102);
    const SourceText text = source(file);
    QCOMPARE(found(text.find("ldi R23,", 0)), 82);
    QCOMPARE(text.lineStart(1), 82);
    QCOMPARE(text.valueField(90), QByteArray("57"));

    // LF-only: every break still counts two.
    const SourceText lf = source("ab\ncd\nldi R23,57\n");
    QCOMPARE(found(lf.find("ldi R23,", 0)), 8);
    QCOMPARE(lf.lineStart(2), 8);
}

void TestSourceText::charactersAndWindows()
{
    const SourceText text = source("abc\ndef");
    // Text: "abc\r\ndef\r\n".
    QCOMPARE(text.at(0), 'a');
    QCOMPARE(text.at(3), '\r');
    QCOMPARE(text.at(4), '\n');
    QCOMPARE(text.at(5), 'd');
    QCOMPARE(text.at(9), '\n');
    QCOMPARE(text.at(10), '\0');
    QCOMPARE(text.at(-1), '\0');
    QCOMPARE(text.window(2, 4), QByteArray("c\r\nd"));
    QCOMPARE(text.window(8, 7), QByteArray("\r\n"));
    QCOMPARE(text.window(10, 3), QByteArray());
    QCOMPARE(text.window(-3, 7), QByteArray());
    QCOMPARE(text.window(1, 0), QByteArray());
}

void TestSourceText::markerNeedsTheWholeWindow()
{
    const SourceText text = source("sbi ADCSRA");
    // Text: "sbi ADCSRA\r\n"; the window at 0 of 11 characters is "sbi ADCSRA\r".
    QVERIFY(text.matchesAt(0, "sbi ADCSRA"));
    QVERIFY(!text.matchesAt(0, "sbi ADCSRA,"));
    QVERIFY(text.matchesAt(10, "\r\n"));
    QVERIFY(!text.matchesAt(11, "\n\r"));
    QVERIFY(!text.matchesAt(12, "x"));
    QVERIFY(!text.matchesAt(-1, "s"));
    QCOMPARE(found(text.find("A\r\n", 0)), 9);
    QCOMPARE(found(text.find("A\r\n\r", 0)), -1);
    // Case and code page matter.
    QVERIFY(!text.matchesAt(0, "SBI ADCSRA"));
}

void TestSourceText::doubtsAreMarkedAgainAfterAReplacedLine()
{
    // The marks are kept with the text and its copies; a replaced line makes the text mark its
    // lines again and leaves a copy taken before with its own.
    SourceText text = source("nop\r\nnop\r\nnop\r\n");
    QCOMPARE(text.doubts().causeIn(0, 2), std::nullopt);
    const SourceText before = text;
    text.replaceLine(1, ".if 0");
    QCOMPARE(text.doubts().causeIn(0, 0), std::nullopt);
    QCOMPARE(text.doubts().causeIn(0, 2), std::optional<qsizetype>(1));
    QCOMPARE(text.doubts().causeIn(2, 2), std::optional<qsizetype>(1));
    QCOMPARE(before.doubts().causeIn(0, 2), std::nullopt);
    // A text moved from is empty and has none.
    const SourceText moved = std::move(text);
    QCOMPARE(moved.doubts().causeIn(2, 2), std::optional<qsizetype>(1));
    QCOMPARE(text.doubts().causeIn(0, 2), std::nullopt); // NOLINT(bugprone-use-after-move)
}

void TestSourceText::findHonoursStartAndLastStart()
{
    // "ldi R23," at 0, 20 and 40.
    QByteArray file;
    for (int i = 0; i < 3; ++i)
        file += "ldi R23,1\t;0123456\r\n";
    const SourceText text = source(file);
    QCOMPARE(found(text.find("ldi R23,", 0)), 0);
    QCOMPARE(found(text.find("ldi R23,", 1)), 20);
    QCOMPARE(found(text.find("ldi R23,", 20)), 20);
    QCOMPARE(found(text.find("ldi R23,", 21, 40)), 40);
    QCOMPARE(found(text.find("ldi R23,", 21, 39)), -1);
    QCOMPARE(found(text.find("ldi R23,", 1, 19)), -1);
    QCOMPARE(found(text.find("ldi R23,", 41)), -1);
    QCOMPARE(found(text.find("ldi R23,", -5)), 0);
    QCOMPARE(found(text.find("ldi R23,", 60)), -1);
    QCOMPARE(found(text.find("ldi R23,", 1000)), -1);
    QCOMPARE(found(text.find("", 0)), -1);
    QCOMPARE(found(SourceText().find("x", 0)), -1);
}

void TestSourceText::findBytesPassesOverPartialMatches()
{
    // Partial matches that share the first byte or overlap the real one; a match at the end.
    const QByteArrayView text("llldi ldi Rldi R1ldi R16,");
    QCOMPARE(findBytes(text, "ldi R16,", 0), 17);
    QCOMPARE(findBytes(text, "ldi R16,", 17), 17);
    QCOMPARE(findBytes(text, "ldi R16,", 18), -1);
    QCOMPARE(findBytes(text, "ldi", 0), 2);
    QCOMPARE(findBytes(text, "ldi", 3), 6);
    QCOMPARE(findBytes(text, ",", 0), 24);
    QCOMPARE(findBytes(text, ",", 25), -1);
    QCOMPARE(findBytes(text, "R16,x", 0), -1);
    QCOMPARE(findBytes("ab", "abc", 0), -1);
    // A marker searched by a byte inside it (the quote): the first whole match at `from` or
    // later, not one whose quote comes first nor one that starts before `from`.
    const QByteArrayView quoted(";\"q;a\"b;a\"c;a\"b;a\"b");
    QCOMPARE(findBytes(quoted, ";a\"b", 0), 3);
    QCOMPARE(findBytes(quoted, ";a\"b", 4), 11);
    QCOMPARE(findBytes(quoted, ";a\"b", 12), 15);
    QCOMPARE(findBytes(quoted, ";a\"b", 16), -1);
    QCOMPARE(findBytes(quoted, "\"b;", 0), 5);
    QCOMPARE(findBytes(quoted, ";a\"bx", 0), -1);
    QCOMPARE(findBytes({}, "a", 0), -1);
    QCOMPARE(findBytes("\xF3\xE3\xEE\xEB", "\xE3\xEE", 0), 1);
    // Markers whose first byte begins many lines.
    const QByteArrayView comments(";a;;ab;abc");
    QCOMPARE(findBytes(comments, ";ab", 0), 3);
    QCOMPARE(findBytes(comments, ";ab", 4), 6);
    QCOMPARE(findBytes(comments, ";a", 1), 3);
    QCOMPARE(findBytes(comments, ";abc", 0), 6);
    QCOMPARE(findBytes(comments, ";abd", 0), -1);
}

void TestSourceText::lineIndexOfPositions()
{
    const SourceText text = source("ab\n\ncdef\n");
    // Lines start at 0, 4 and 6; the line break belongs to its line.
    QCOMPARE(text.lineIndexAt(0), 0);
    QCOMPARE(text.lineIndexAt(3), 0);
    QCOMPARE(text.lineIndexAt(4), 1);
    QCOMPARE(text.lineIndexAt(5), 1);
    QCOMPARE(text.lineIndexAt(6), 2);
    QCOMPARE(text.lineIndexAt(11), 2);
    QCOMPARE(text.lineStart(2), 6);
}

void TestSourceText::replaceLineKeepsTheOtherLines()
{
    const QByteArray longLine = repeated('L', 90);
    SourceText text = source("one\n" + longLine + "\nthree\nfour\n");
    text.replaceLine(2, "3");
    QCOMPARE(text.lineCount(), 4);
    QCOMPARE(text.text(), "one\r\n" + repeated('L', 80) + "\r\n3\r\nfour\r\n");
    QCOMPARE(text.lineStart(3), 5 + 82 + 3);
    QCOMPARE(found(text.find("four", 0)), 90);
    QCOMPARE(text.shownLine(2), QByteArray("3"));
    // The untouched long line goes back to the file whole.
    QCOMPARE(text.toFileBytes(), "one\n" + longLine + "\n3\nfour\n");

    text.replaceLine(0, "first line");
    QCOMPARE(text.lineStart(1), 12);
    QCOMPARE(text.lineStart(3), 12 + 82 + 3);
    QCOMPARE(text.toFileBytes(), "first line\n" + longLine + "\n3\nfour\n");

    // A rewritten long line is replaced as a whole, also in the file.
    text.replaceLine(1, "short");
    QCOMPARE(text.toFileBytes(), QByteArray("first line\nshort\n3\nfour\n"));
    QCOMPARE(text.text(), QByteArray("first line\r\nshort\r\n3\r\nfour\r\n"));
}

void TestSourceText::replaceLineAtUsesTheLineHoldingThePosition()
{
    SourceText text = source("aaa\nbbb\nccc\n");
    text.replaceLineAt(8, "B"); // the CR of line 1
    QCOMPARE(text.text(), QByteArray("aaa\r\nB\r\nccc\r\n"));
    text.replaceLineAt(8, "C"); // first character of line 2, after the shift
    QCOMPARE(text.text(), QByteArray("aaa\r\nB\r\nC\r\n"));
    text.replaceLineAt(0, "");
    QCOMPARE(text.toFileBytes(), QByteArray("\nB\nC\n"));
    QCOMPARE(text.lineCount(), 3);
}

void TestSourceText::replaceLineOutsideDoesNothing()
{
    SourceText text = source("aaa\n");
    text.replaceLine(1, "x");
    text.replaceLine(-1, "x");
    text.replaceLineAt(-4, "x");
    QCOMPARE(text.toFileBytes(), QByteArray("aaa\n"));
    QCOMPARE(text.lineCount(), 1);
}

void TestSourceText::fileBytesKeepTheLineBreaks_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("rewrittenLine"); // -1: none
    QTest::addColumn<QByteArray>("written");
    QTest::newRow("empty") << QByteArray() << -1 << QByteArray();
    QTest::newRow("lf, untouched") << QByteArray("a\nb") << -1 << QByteArray("a\nb");
    QTest::newRow("mixed, untouched")
        << QByteArray("a\r\n\nb\r\n") << -1 << QByteArray("a\r\n\nb\r\n");
    QTest::newRow("lf file, rewritten line gets lf")
        << QByteArray("a\nb\r\nc\n") << 1 << QByteArray("a\nX\nc\n");
    QTest::newRow("crlf file, rewritten line gets crlf")
        << QByteArray("a\r\nb\nc") << 1 << QByteArray("a\r\nX\r\nc");
    QTest::newRow("no final break stays without") << QByteArray("a\nb") << 1 << QByteArray("a\nX");
    QTest::newRow("lone cr at the end") << QByteArray("a\r\nb\r") << -1 << QByteArray("a\r\nb\r");
    QTest::newRow("lone cr at the end, rewritten")
        << QByteArray("a\r\nb\r") << 1 << QByteArray("a\r\nX");
    QTest::newRow("cp1251 bytes") << QByteArray("\xF3\xE3\xEE\xEB 20\x98\xFF\r\n") << -1
                                  << QByteArray("\xF3\xE3\xEE\xEB 20\x98\xFF\r\n");
}

void TestSourceText::fileBytesKeepTheLineBreaks()
{
    QFETCH(QByteArray, file);
    QFETCH(int, rewrittenLine);
    QFETCH(QByteArray, written);
    SourceText text = source(file);
    if (rewrittenLine >= 0)
        text.replaceLine(rewrittenLine, "X");
    QCOMPARE(text.toFileBytes(), written);
}

void TestSourceText::shownLinesAreDecoded()
{
    const SourceText text = source("; \xEA\xE2\xE0\xF0\xF6\x34\xCC\xC3\xF6 \xF3\xE3\xEE\xEB 20\n"
                                   "\xA8\xB8\xB9\x88\n");
    QCOMPARE(text.shownLines(),
             QStringList({QStringLiteral(u"; кварц4МГц угол 20"), QStringLiteral(u"Ёё№€")}));
    QCOMPARE(SourceText().shownLines(), QStringList());
}

void TestSourceText::cp1251KnownCharacters_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("ascii") << QByteArray("ldi R16, 012") << QStringLiteral("ldi R16, 012");
    QTest::newRow("angle word") << QByteArray("\xF3\xE3\xEE\xEB") << QStringLiteral(u"угол");
    QTest::newRow("spark comment")
        << QByteArray(";\xEB\xEE\xE3\"0\"\xED\xE0 \xE2\xFB\xF5\xEE\xE4 \"\xE8\xF1\xEA\xF0\xE0\"")
        << QStringLiteral(u";лог\"0\"на выход \"искра\"");
    QTest::newRow("capital A and small ya") << QByteArray("\xC0\xFF") << QStringLiteral(u"Ая");
    QTest::newRow("yo") << QByteArray("\xA8\xB8") << QStringLiteral(u"Ёё");
    QTest::newRow("punctuation") << QByteArray("\x85\x96\x97\xAB\xBB\xB0")
                                 << QStringLiteral(u"…–—«»°");
    QTest::newRow("serbian and ukrainian")
        << QByteArray("\x80\x90\xA5\xB4\xAA\xBA\xAF\xBF") << QStringLiteral(u"ЂђҐґЄєЇї");
    QTest::newRow("nbsp and soft hyphen")
        << QByteArray("\xA0\xAD") << QStringLiteral(u"\u00A0\u00AD");
}

void TestSourceText::cp1251KnownCharacters()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(fromCp1251(bytes), text);
    QCOMPARE(toCp1251(text), bytes);
}

void TestSourceText::cp1251RoundTripsEveryDefinedByte()
{
    for (int byte = 0; byte < 256; ++byte) {
        const QByteArray one(1, char(byte));
        const QString decoded = fromCp1251(one);
        QCOMPARE(decoded.size(), 1);
        if (byte == 0x98) {
            QCOMPARE(decoded.front().unicode(), char16_t(0xFFFD));
            continue;
        }
        QVERIFY2(decoded.front().unicode() != 0xFFFD, qPrintable(QString::number(byte, 16)));
        QCOMPARE(toCp1251(decoded), one);
    }
}

void TestSourceText::cp1251UnmappedCharactersBecomeQuestionMarks()
{
    QCOMPARE(toCp1251(u"a\u4E2Db"), QByteArray("a?b"));
    QCOMPARE(toCp1251(u"\uFFFD"), QByteArray("?"));
    QCOMPARE(toCp1251(u"\u00E9"), QByteArray("?"));
    QCOMPARE(toCp1251(u""), QByteArray());
}

QTEST_GUILESS_MAIN(TestSourceText)
#include "sourcetext_test.moc"
