// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
// Editing the grid of the window with the keyboard: which cells take input, which characters
// pass, the chart on Enter and on selection, and the yellow angle column.
#include "apptestsupport.h"

#include "app/editcommands.h"
#include "app/gridview.h"
#include "chart/chartseries.h"

#include <QComboBox>
#include <QHeaderView>
#include <QPushButton>
#include <QSignalSpy>

#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QTest>

class TestGridEditing : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void codeColumnsTakeNoInput();
    void firstBreakpointTakesNoInput();
    void otherBreakpointsTakeDigitsOnly();
    void angleWithCommaSeparator_data();
    void angleWithCommaSeparator();
    void angleRejectsPlusAndSpace();
    void enterRedrawsWithTheHighlightPoint();
    void enterWithAnEmptyAngleRedrawsNothing();
    void selectingANoAngleCellGivesNoHighlight();
    void selectingAnAngleCellHighlightsIt();
    void parseErrorKeepsTheCurrentCell();
    void refusedMoveKeepsTheCodesClosed();
    void mistypedAngleIsMarkedUntilCorrected();
    void angleColumnPaintedYellow();
    void tabLeavesTheGrid();
    void pasteGoesInWholeOrNotAtAll_data();
    void pasteGoesInWholeOrNotAtAll();

private:
    QTemporaryDir m_dir;
    std::unique_ptr<Window> m_window;
    QLocale m_previousLocale;
};

void TestGridEditing::init()
{
    m_previousLocale = QLocale();
    QLocale::setDefault(QLocale::c());
    m_window = std::make_unique<Window>();
}

void TestGridEditing::cleanup()
{
    m_window.reset();
    QLocale::setDefault(m_previousLocale);
}

// Loads the sample, shows the window and puts the keyboard focus into the grid.
static void loadAndFocus(Window &w, const QTemporaryDir &dir)
{
    w.load(writeFile(dir, "CDI.asm", sampleBytes()));
    QCOMPARE(w.platform.takeBoxes(), QList<ShownBox>());
    w.form.show();
    w.form.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w.form));
    w.form.StringGrid1->setFocus();
    QVERIFY(w.form.StringGrid1->hasFocus() ||
            w.form.StringGrid1->isAncestorOf(QApplication::focusWidget()));
}

// Moves to the cell as the keyboard user would, and types `keys` where the focus is: first
// backspaces enough to empty what the cell held when `clear` is set.
static void typeInto(Window &w, int column, int row, const QString &keys, bool clear = true)
{
    w.form.StringGrid1->setCurrentCell(column, row);
    QWidget *focus = QApplication::focusWidget();
    QVERIFY(focus);
    if (clear) {
        QTest::keyClick(focus, Qt::Key_End);
        const qsizetype length = w.form.grid().cell(column, row).size();
        for (qsizetype i = 0; i < length; ++i)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backspace);
    }
    QTest::keyClicks(QApplication::focusWidget(), keys);
}

struct PointSummary
{
    double x;
    double y;
    quint32 colour;
    bool operator==(const PointSummary &) const = default;
};

char *toString(const PointSummary &point)
{
    return qstrdup(QStringLiteral("(%1, %2, #%3)")
                       .arg(point.x)
                       .arg(point.y)
                       .arg(point.colour, 6, 16, QLatin1Char('0'))
                       .toLatin1()
                       .constData());
}

static QList<PointSummary> points(const TForm1 &form)
{
    QList<PointSummary> all;
    for (const ChartPoint &point : form.Series1->points())
        all.append({point.x, point.y, point.colour});
    return all;
}

void TestGridEditing::codeColumnsTakeNoInput()
{
    Window &w = *m_window;
    loadAndFocus(w, m_dir);
    for (int column = 1; column <= 3; ++column) {
        const QString before = w.form.grid().cell(column, 5);
        typeInto(w, column, 5, QStringLiteral("9"), false);
        QCOMPARE(w.form.StringGrid1->col(), column);
        QCOMPARE(w.form.StringGrid1->row(), 5);
        QVERIFY(!w.form.StringGrid1->editingEnabled());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backspace);
        QCOMPARE(w.form.grid().cell(column, 5), before);
    }
    QCOMPARE(columnTexts(w.form, 1), sampleCodes(1));
}

void TestGridEditing::firstBreakpointTakesNoInput()
{
    Window &w = *m_window;
    loadAndFocus(w, m_dir);
    // The grid starts on the first breakpoint, before any cell has been selected.
    QCOMPARE(w.form.StringGrid1->col(), 0);
    QCOMPARE(w.form.StringGrid1->row(), 1);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_5);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backspace);
    QCOMPARE(w.form.grid().cell(0, 1), QStringLiteral("460"));
    QVERIFY(!w.form.StringGrid1->editingEnabled());
    // Selected again from another cell.
    w.form.StringGrid1->setCurrentCell(0, 2);
    typeInto(w, 0, 1, QStringLiteral("5"), false);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backspace);
    QCOMPARE(w.form.grid().cell(0, 1), QStringLiteral("460"));
    QVERIFY(!w.form.StringGrid1->editingEnabled());
    // Moving on to row 2 makes the column editable again.
    typeInto(w, 0, 2, QStringLiteral("510"));
    QCOMPARE(w.form.grid().cell(0, 2), QStringLiteral("510"));
    QCOMPARE(w.form.grid().cell(0, 1), QStringLiteral("460"));
}

void TestGridEditing::otherBreakpointsTakeDigitsOnly()
{
    Window &w = *m_window;
    loadAndFocus(w, m_dir);
    typeInto(w, 0, 20, QStringLiteral("5-.,a +8\r"));
    QCOMPARE(w.form.grid().cell(0, 20), QStringLiteral("58"));
    // Entering a cell selects its text, so typing replaces it.
    typeInto(w, 0, 31, QStringLiteral("7"), false);
    QCOMPARE(w.form.grid().cell(0, 31), QStringLiteral("7"));
    w.form.StringGrid1->setCurrentCell(0, 32);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_End);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_1);
    QCOMPARE(w.form.grid().cell(0, 32), QStringLiteral("195301"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backspace);
    QCOMPARE(w.form.grid().cell(0, 32), QStringLiteral("19530"));
}

void TestGridEditing::angleWithCommaSeparator_data()
{
    QTest::addColumn<QString>("typed");
    QTest::newRow("letter and comma") << "12a,5";
    QTest::newRow("point") << "12.5";
}

void TestGridEditing::angleWithCommaSeparator()
{
    QFETCH(QString, typed);
    QLocale::setDefault(QLocale(QLocale::German));
    Window &w = *m_window;
    loadAndFocus(w, m_dir);
    QCOMPARE(w.form.grid().cell(4, 1), QStringLiteral("10,2"));
    typeInto(w, 4, 6, typed);
    QCOMPARE(w.form.grid().cell(4, 6), QStringLiteral("12,5"));
    QCOMPARE(w.platform.takeBoxes(), QList<ShownBox>());
}

void TestGridEditing::angleRejectsPlusAndSpace()
{
    Window &w = *m_window;
    loadAndFocus(w, m_dir);
    typeInto(w, 4, 3, QStringLiteral("+1 2x;"));
    QCOMPARE(w.form.grid().cell(4, 3), QStringLiteral("12"));
    typeInto(w, 4, 4, QStringLiteral("-"));
    QCOMPARE(w.form.grid().cell(4, 4), QStringLiteral("-"));
    typeInto(w, 4, 5, QStringLiteral("-4,5"));
    QCOMPARE(w.form.grid().cell(4, 5), QStringLiteral("-4.5"));
}

void TestGridEditing::enterRedrawsWithTheHighlightPoint()
{
    Window &w = *m_window;
    loadAndFocus(w, m_dir);
    typeInto(w, 4, 7, QStringLiteral("15"));
    // Typing alone does not redraw: row 7 still shows its loaded angle (code 252).
    QCOMPARE(w.form.Series1->points().at(6).y, 22.1);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QCOMPARE(w.form.grid().cell(4, 7), QStringLiteral("15"));
    const QList<PointSummary> all = points(w.form);
    QCOMPARE(all.size(), 33);
    QCOMPARE(all.at(6), (PointSummary{1500, 15, kChartRed}));
    QCOMPARE(all.at(7), (PointSummary{1500, 15, kChartYellow}));
    QCOMPARE(all.at(8), (PointSummary{1800, 24.9, kChartRed}));
    QCOMPARE(all.count(PointSummary{1500, 15, kChartYellow}), 1);
    QCOMPARE(w.platform.takeBoxes(), QList<ShownBox>());
}

void TestGridEditing::enterWithAnEmptyAngleRedrawsNothing()
{
    Window &w = *m_window;
    loadAndFocus(w, m_dir);
    typeInto(w, 4, 12, QString());
    QCOMPARE(w.form.grid().cell(4, 12), QString());
    const QList<PointSummary> before = points(w.form);
    typeInto(w, 4, 7, QStringLiteral("15"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QCOMPARE(points(w.form), before);
    QCOMPARE(w.platform.takeBoxes(), QList<ShownBox>());
}

void TestGridEditing::selectingANoAngleCellGivesNoHighlight()
{
    Window &w = *m_window;
    loadAndFocus(w, m_dir);
    typeInto(w, 4, 7, QStringLiteral("-"));
    w.form.StringGrid1->setCurrentCell(0, 7);
    w.form.StringGrid1->setCurrentCell(4, 7);
    QCOMPARE(w.form.StringGrid1->row(), 7);
    const QList<PointSummary> all = points(w.form);
    QCOMPARE(all.size(), 32);
    // No angle: green at the height of row 6 (code 3).
    QCOMPARE(all.at(6), (PointSummary{1500, 17.9, kChartGreen}));
    for (const PointSummary &point : all)
        QVERIFY(point.colour != kChartYellow);
}

void TestGridEditing::selectingAnAngleCellHighlightsIt()
{
    Window &w = *m_window;
    loadAndFocus(w, m_dir);
    w.form.StringGrid1->setCurrentCell(4, 20);
    QList<PointSummary> all = points(w.form);
    QCOMPARE(all.size(), 33);
    QCOMPARE(all.at(19), (PointSummary{5860, 34, kChartRed}));
    QCOMPARE(all.at(20), (PointSummary{5860, 34, kChartYellow}));
    // A code column: redrawn without a highlight.
    w.form.StringGrid1->setCurrentCell(2, 20);
    QCOMPARE(points(w.form).size(), 32);
}

void TestGridEditing::parseErrorKeepsTheCurrentCell()
{
    Window &w = *m_window;
    loadAndFocus(w, m_dir);
    typeInto(w, 4, 9, QStringLiteral("1.2.3"));
    QCOMPARE(w.form.grid().cell(4, 9), QStringLiteral("1.2.3"));
    QCOMPARE(w.platform.takeBoxes(), QList<ShownBox>());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
    QCOMPARE(w.platform.takeBoxes(),
             QList<ShownBox>({{ShownBox::Error,
                               QStringLiteral("'1.2.3' is not a valid floating point value.")}}));
    QCOMPARE(w.form.StringGrid1->col(), 4);
    QCOMPARE(w.form.StringGrid1->row(), 9);
    // The refresh stopped at the bad row: the eight rows above it are drawn.
    QCOMPARE(w.form.Series1->count(), 8);
    // Corrected, the move goes through.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backspace);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backspace);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
    QCOMPARE(w.form.grid().cell(4, 9), QStringLiteral("1.2"));
    QCOMPARE(w.form.StringGrid1->row(), 10);
    QCOMPARE(w.form.Series1->count(), 33);
    QCOMPARE(w.platform.takeBoxes(), QList<ShownBox>());
}

void TestGridEditing::refusedMoveKeepsTheCodesClosed()
{
    Window &w = *m_window;
    loadAndFocus(w, m_dir);
    typeInto(w, 4, 9, QStringLiteral("1.2.3"));
    // Park on a code cell without a refresh: an emptied angle cell silences the selection.
    const QString angle10 = w.form.grid().cell(4, 10);
    w.form.grid().setCell(4, 10, QString());
    w.form.StringGrid1->setCurrentCell(2, 9);
    w.form.grid().setCell(4, 10, angle10);
    QCOMPARE(w.form.StringGrid1->col(), 2);
    QVERIFY(!w.form.StringGrid1->editingEnabled());
    // The move towards the angle column fails on the bad angle and is refused ...
    w.form.StringGrid1->setCurrentCell(4, 9);
    QCOMPARE(w.platform.takeBoxes().size(), 1);
    QCOMPARE(w.form.StringGrid1->col(), 2);
    // ... the angle is marked and named in the status bar ...
    QCOMPARE(w.form.grid().unreadableCell(), QPoint(4, 9));
    QSignalSpy status(&w.form.commands(), &EditCommands::statusMessage);
    w.form.Button7->click();
    QCOMPARE(status.count(), 1);
    QCOMPARE(status.last().at(0).toString(),
             QStringLiteral("Row 9 (1990 RPM): \"1.2.3\" is not a number"));
    // ... and the code cell that stays current still takes no input.
    QVERIFY(!w.form.StringGrid1->editingEnabled());
    const QString code = w.form.grid().cell(2, 9);
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("77"));
    QCOMPARE(w.form.grid().cell(2, 9), code);
}

// The cell whose text stops a handler as no number is marked and made current, and the status
// bar names it, until the text reads as a number; the error report stays as it was.
void TestGridEditing::mistypedAngleIsMarkedUntilCorrected()
{
    Window &w = *m_window;
    loadAndFocus(w, m_dir);
    QStringList status;
    connect(&w.form.commands(), &EditCommands::statusMessage, &w.form,
            [&status](const QString &text) { status.append(text); });
    typeInto(w, 4, 9, QStringLiteral("1.2.3"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QCOMPARE(w.platform.takeBoxes(),
             QList<ShownBox>({{ShownBox::Error,
                               QStringLiteral("'1.2.3' is not a valid floating point value.")}}));
    QCOMPARE(w.form.grid().unreadableCell(), QPoint(4, 9));
    QCOMPARE(w.form.grid().data(w.form.grid().index(8, 4), Qt::BackgroundRole).value<QColor>(),
             GridModel::kUnreadableColour);
    const QString named = QStringLiteral(u"Строка 9 (1990 об/мин): \"1.2.3\" — не число");
    QCOMPARE(status.last(), named);
    QCOMPARE(w.form.StringGrid1->row(), 9);
    // A range command that reads it stops the same way.
    w.form.grid().setUnreadableCell(std::nullopt);
    w.form.commands().shift(1);
    QCOMPARE(w.platform.takeBoxes().size(), 1);
    QCOMPARE(w.form.grid().unreadableCell(), QPoint(4, 9));

    // Save to table from another cell: the same report, and the cell becomes current.
    w.form.grid().setCell(4, 9, QStringLiteral("33"));
    QCOMPARE(w.form.grid().unreadableCell(), std::nullopt);
    typeInto(w, 0, 3, QStringLiteral("600"));
    w.form.grid().setCell(4, 20, QStringLiteral("5-"));
    // An error about another text marks no cell.
    w.form.ComboBox2->setEditText(QString());
    QCOMPARE(
        w.platform.takeBoxes(),
        QList<ShownBox>({{ShownBox::Error, QStringLiteral("'' is not a valid integer value.")}}));
    QCOMPARE(w.form.grid().unreadableCell(), std::nullopt);
    w.form.ComboBox2->setEditText(QStringLiteral("1"));
    w.form.grid().setCell(4, 20, QStringLiteral("5-"));
    w.form.Button2->click();
    QCOMPARE(w.platform.takeBoxes(),
             QList<ShownBox>(
                 {{ShownBox::Error, QStringLiteral("'5-' is not a valid floating point value.")}}));
    QCOMPARE(w.form.StringGrid1->col(), 4);
    QCOMPARE(w.form.StringGrid1->row(), 20);
    QCOMPARE(status.last(), QStringLiteral(u"Строка 20 (5860 об/мин): \"5-\" — не число"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_End);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backspace);
    QCOMPARE(w.form.grid().cell(4, 20), QStringLiteral("5"));
    QCOMPARE(w.form.grid().unreadableCell(), std::nullopt);
    // What the status bar names now is that the cell is not what its code stores.
    QCOMPARE(status.last(), QStringLiteral(u"записано как 34°"));
}

void TestGridEditing::angleColumnPaintedYellow()
{
    Window &w = *m_window;
    loadAndFocus(w, m_dir);
    w.form.grid().setCell(4, 7, QStringLiteral("22"));   // stored as 22.1: a corner mark
    w.form.grid().setCell(0, 9, QStringLiteral("1500")); // not above row 8's 1500: orange
    w.form.StringGrid1->setCurrentCell(0, 2);
    GridView *grid = w.form.StringGrid1;
    const QImage image = grid->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const auto background = [&](int column, int row) {
        const QRect cell = grid->visualRect(grid->model()->index(row - 1, column));
        // Right of the short texts, clear of the grid lines.
        return image.pixelColor(cell.right() - 2, cell.center().y());
    };
    const QColor yellow(255, 255, 0);
    for (int row = 1; row <= 32; ++row)
        QCOMPARE(background(4, row), yellow);
    const QHeaderView &header = *grid->horizontalHeader();
    const QImage headerImage = header.viewport()->grab().toImage();
    QVERIFY(headerImage.pixelColor(header.sectionViewportPosition(4) + 2, header.height() / 2) !=
            yellow);
    QVERIFY(background(3, 5) != yellow);
    QVERIFY(background(0, 5) != yellow);
    QCOMPARE(background(0, 9), GridModel::kUnorderedColour);
    const QRect marked = grid->visualRect(grid->model()->index(6, 4));
    QCOMPARE(image.pixelColor(marked.right() - 1, marked.top() + 1), GridModel::kStoredMarkColour);
    QCOMPARE(image.pixelColor(marked.right() - 1, marked.bottom() - 1), yellow);
}

void TestGridEditing::tabLeavesTheGrid()
{
    Window &w = *m_window;
    loadAndFocus(w, m_dir);
    typeInto(w, 4, 5, QStringLiteral("7"));
    QVERIFY(w.form.StringGrid1->isAncestorOf(QApplication::focusWidget()));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), w.form.ComboBox1);
    QCOMPARE(w.form.StringGrid1->col(), 4);
    QCOMPARE(w.form.StringGrid1->row(), 5);
    QCOMPARE(w.form.grid().cell(4, 5), QStringLiteral("7"));
}

void TestGridEditing::pasteGoesInWholeOrNotAtAll_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<bool>("english");
    QTest::addColumn<QString>("pasted");
    QTest::addColumn<QString>("expected"); // the cell afterwards
    QTest::addColumn<QString>("warning");  // empty: none
    const auto refused = [](const char *text) {
        return QStringLiteral(u"\"%1\" нельзя вставить сюда как есть: поле приняло бы только "
                              u"часть текста, то есть другое число. Ничего не изменено.")
            .arg(QLatin1String(text));
    };
    QTest::newRow("exponent") << 4 << false << "1e3"
                              << "" << refused("1e3");
    QTest::newRow("semicolon") << 4 << false << "12;5"
                               << "" << refused("12;5");
    QTest::newRow("sign in an rpm") << 0 << false << "-800"
                                    << "" << refused("-800");
    QTest::newRow("in English") << 0 << true << "1 900"
                                << ""
                                << "\"1 900\" cannot be pasted here as it stands: this field "
                                   "would take only part of it, which is another number. Nothing "
                                   "was changed.";
    QTest::newRow("a column") << 4 << false << "13\n11.6\n10.2"
                              << ""
                              << QStringLiteral(u"Вставляемый текст занимает несколько строк (3), "
                                                u"а в поле вставляется одно значение. Ничего не "
                                                u"изменено.");
    QTest::newRow("a column, English") << 4 << true << "13\r\n11.6\r\n"
                                       << ""
                                       << "The pasted text has 2 lines; a field takes one value. "
                                          "Nothing was changed.";
    QTest::newRow("a spreadsheet's cell") << 4 << false << " -4.2\r\n"
                                          << "-4.2"
                                          << "";
    QTest::newRow("comma as separator") << 4 << false << "12,5"
                                        << "12.5"
                                        << "";
    QTest::newRow("rpm") << 0 << false << "1900\n"
                         << "1900"
                         << "";
}

// A paste that the cell's key filter would take only part of would be another number: it
// changes nothing and says so. White space around a single value is dropped.
void TestGridEditing::pasteGoesInWholeOrNotAtAll()
{
    QFETCH(int, column);
    QFETCH(bool, english);
    QFETCH(QString, pasted);
    QFETCH(QString, expected);
    QFETCH(QString, warning);
    Window &w = *m_window;
    if (english)
        w.form.Button7Click();
    loadAndFocus(w, m_dir);
    QGuiApplication::clipboard()->setText(pasted);
    typeInto(w, column, 20, QString());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(w.form.grid().cell(column, 20), expected);
    const QList<ShownBox> none;
    QCOMPARE(w.platform.takeBoxes(),
             warning.isEmpty() ? none : QList<ShownBox>({{ShownBox::Warning, warning}}));
    // The editor is still open: typing goes on in it.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_7);
    QCOMPARE(w.form.grid().cell(column, 20), expected + QLatin1Char('7'));

    // The code columns take nothing, pasted or typed.
    const QString code = w.form.grid().cell(2, 7);
    typeInto(w, 2, 7, QString(), false);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Insert, Qt::ShiftModifier);
    QCOMPARE(w.form.grid().cell(2, 7), code);
    QCOMPARE(w.platform.takeBoxes(), QList<ShownBox>());
}

QTEST_MAIN(TestGridEditing)
#include "tst_gridediting.moc"