// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#include "app/gridmodel.h"
#include "app/gridview.h"

#include <QAccessible>
#include <QApplication>
#include <QHeaderView>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QPointer>
#include <QScrollBar>
#include <QTimer>
#include <QtTest>

#include <memory>

namespace {

const QColor kYellow(255, 255, 0);

// The window's model with a simpler editing rule: every cell but those of columns 1-3.
class HarnessModel : public GridModel
{
public:
    Qt::ItemFlags flags(const QModelIndex &index) const override
    {
        const Qt::ItemFlags flags = GridModel::flags(index) & ~Qt::ItemIsEditable;
        return index.column() >= 1 && index.column() <= 3 ? flags : flags | Qt::ItemIsEditable;
    }
};

// A window holding a line edit, the grid and another line edit, in that tab order, with
// handlers for simple rules: the cells in `refused` cannot be selected, letters are discarded
// and '.' becomes ','.
struct Harness
{
    QWidget window;
    HarnessModel model;
    QLineEdit *before = nullptr;
    GridView *grid = nullptr;
    QLineEdit *after = nullptr;

    QList<QPoint> asked; // (column, row) offered to selectCell
    QList<QPoint> currentWhenAsked;
    QList<QPoint> refused;
    QString keysSeen;
    bool discardEnter = false;

    Harness()
    {
        QFont font = window.font();
        font.setPixelSize(11);
        window.setFont(font);
        window.resize(480, 540);
        before = new QLineEdit(&window);
        before->setGeometry(8, 16, 100, 20);
        grid = new GridView(&window);
        grid->setGeometry(208, 16, 201, 505);
        grid->setModel(&model);
        after = new QLineEdit(&window);
        after->setGeometry(8, 48, 100, 20);
        Document document;
        document.headers[0] = QStringLiteral("об/мин");
        document.headers[4] = QStringLiteral("УОЗ");
        document.cell(0, 1) = QStringLiteral("460");
        model.setDocument(document);

        grid->selectCell = [this](int column, int row) {
            asked.append({column, row});
            currentWhenAsked.append({grid->col(), grid->row()});
            return !refused.contains(QPoint(column, row));
        };
        grid->keyPress = [this](QChar &key) {
            keysSeen += key;
            if (key == u'.')
                key = u',';
            else if (key.isLetter() || (key == u'\r' && discardEnter))
                key = QChar();
        };
    }

    bool showFocused()
    {
        window.show();
        if (!QTest::qWaitForWindowActive(&window))
            return false;
        grid->setFocus(Qt::OtherFocusReason);
        return focusInGrid();
    }

    bool focusInGrid() const
    {
        QWidget *focus = QApplication::focusWidget();
        return focus && (focus == grid || grid->isAncestorOf(focus));
    }

    // The open cell editor, when it has the focus.
    QLineEdit *editor() const
    {
        auto *edit = qobject_cast<QLineEdit *>(QApplication::focusWidget());
        return edit && grid->isAncestorOf(edit) ? edit : nullptr;
    }

    // A cell of rows 1..32 in the viewport, the header of row 0 in the header; either without
    // its grid lines.
    QRect cellRect(int column, int row) const
    {
        if (row > 0)
            return grid->visualRect(model.index(row - 1, column));
        const QHeaderView *header = grid->horizontalHeader();
        return QRect(header->sectionViewportPosition(column), 0, header->sectionSize(column) - 1,
                     header->height() - 1);
    }
    QWidget *surface(int row) const
    {
        return row > 0 ? grid->viewport() : grid->horizontalHeader()->viewport();
    }
    // The grid as painted, and a point of a cell or header in that picture.
    QImage picture() const { return grid->grab().toImage(); }
    QPoint inPicture(int column, int row, QPoint (QRect::*corner)() const = &QRect::center) const
    {
        return surface(row)->mapTo(grid, (cellRect(column, row).*corner)());
    }

    void click(int column, int row)
    {
        QTest::mouseClick(surface(row), Qt::LeftButton, {}, cellRect(column, row).center());
    }

    static void type(const QString &text) { QTest::keyClicks(QApplication::focusWidget(), text); }

    static void press(Qt::Key key, Qt::KeyboardModifiers modifiers = {})
    {
        QTest::keyClick(QApplication::focusWidget(), key, modifiers);
    }

    QPoint current() const { return {grid->col(), grid->row()}; }
};

} // namespace

class GridViewTest : public QObject
{
    Q_OBJECT

private slots:
    void init() { h = std::make_unique<Harness>(); }
    void cleanup() { h.reset(); }

    void startsOnFirstCellWithEditingOn()
    {
        QCOMPARE(h->current(), QPoint(0, 1));
        QVERIFY(h->grid->editingEnabled());
        QVERIFY(h->showFocused());
        QVERIFY(h->editor());
        QCOMPARE(h->editor()->text(), QStringLiteral("460"));
        QVERIFY(h->asked.isEmpty());
    }

    void fitsItsPlaceWithoutScrolling()
    {
        QVERIFY(h->showFocused());
        QCOMPARE(h->grid->verticalScrollBar()->maximum(), 0);
        QCOMPARE(h->grid->horizontalScrollBar()->maximum(), 0);
        QVERIFY(h->grid->viewport()->rect().contains(h->cellRect(4, 32)));
        QCOMPARE(h->cellRect(0, 0).size(), QSize(44, 15));
        QCOMPARE(h->inPicture(0, 1, &QRect::topLeft),
                 h->inPicture(0, 0, &QRect::topLeft) + QPoint(0, 16));
        QCOMPARE(h->cellRect(4, 32).size(), QSize(35, 13));
    }

    void typingWithEditingOffChangesNothing()
    {
        h->model.setCell(2, 3, QStringLiteral("77"));
        QVERIFY(h->showFocused());
        h->grid->setCurrentCell(2, 3);
        QCOMPARE(h->current(), QPoint(2, 3));
        QVERIFY(!h->grid->editingEnabled());
        QCOMPARE(QApplication::focusWidget(), h->grid);
        h->type(QStringLiteral("12"));
        h->press(Qt::Key_Backspace);
        h->press(Qt::Key_Delete);
        QCOMPARE(h->model.cell(2, 3), QStringLiteral("77"));
        QCOMPARE(h->current(), QPoint(2, 3));
        QCOMPARE(h->keysSeen, QStringLiteral("12\b"));
    }

    void cellFollowsEditorOnEveryKey()
    {
        QVERIFY(h->showFocused());
        h->grid->setCurrentCell(4, 5);
        QVERIFY(h->editor());
        h->type(QStringLiteral("1"));
        QCOMPARE(h->model.cell(4, 5), QStringLiteral("1"));
        h->type(QStringLiteral("2"));
        QCOMPARE(h->model.cell(4, 5), QStringLiteral("12"));
        h->press(Qt::Key_Backspace);
        QCOMPARE(h->model.cell(4, 5), QStringLiteral("1"));
        // Typing in the middle stays in the middle.
        h->press(Qt::Key_Home);
        h->type(QStringLiteral("98"));
        QCOMPARE(h->model.cell(4, 5), QStringLiteral("981"));
        QCOMPARE(h->keysSeen, QStringLiteral("12\b98"));
    }

    void replacedAndDiscardedCharacters()
    {
        QVERIFY(h->showFocused());
        h->grid->setCurrentCell(4, 5);
        h->type(QStringLiteral("12.5"));
        QCOMPARE(h->model.cell(4, 5), QStringLiteral("12,5"));
        h->grid->setCurrentCell(4, 6);
        h->type(QStringLiteral("1a2b"));
        QCOMPARE(h->model.cell(4, 6), QStringLiteral("12"));
        QCOMPARE(h->keysSeen, QStringLiteral("12.51a2b"));
    }

    void replacedCharacterReplacesSelection()
    {
        h->model.setCell(4, 5, QStringLiteral("30"));
        QVERIFY(h->showFocused());
        h->grid->setCurrentCell(4, 5);
        QLineEdit *edit = h->editor();
        QVERIFY(edit);
        edit->setSelection(1, 1);
        h->type(QStringLiteral("."));
        QCOMPARE(h->model.cell(4, 5), QStringLiteral("3,"));
        QCOMPARE(edit->cursorPosition(), 2);
    }

    void onlyCharacterKeysReachTheKeyHook()
    {
        h->model.setCell(4, 5, QStringLiteral("123"));
        QVERIFY(h->showFocused());
        h->grid->setCurrentCell(4, 5);
        for (Qt::Key key : {Qt::Key_End, Qt::Key_Home, Qt::Key_Right, Qt::Key_Left, Qt::Key_Delete})
            h->press(key);
        QCOMPARE(h->keysSeen, QString());
        QCOMPARE(h->model.cell(4, 5), QStringLiteral("23"));
        h->press(Qt::Key_Backspace);
        h->press(Qt::Key_Return);
        h->press(Qt::Key_Enter);
        h->press(Qt::Key_Escape);
        QCOMPARE(h->keysSeen, QStringLiteral("\b\r\r\x1b"));
    }

    void discardedEnterKeepsEditingInPlace()
    {
        h->discardEnter = true;
        QVERIFY(h->showFocused());
        h->grid->setCurrentCell(4, 5);
        const QPointer<QLineEdit> edit = h->editor();
        QVERIFY(edit);
        h->type(QStringLiteral("7"));
        h->press(Qt::Key_Return);
        QCOMPARE(h->editor(), edit.data());
        QCOMPARE(h->current(), QPoint(4, 5));
        QVERIFY(!edit->hasSelectedText());
        h->type(QStringLiteral("8"));
        QCOMPARE(h->model.cell(4, 5), QStringLiteral("78"));
    }

    void enterPassedOnKeepsEditorAndSelectsText()
    {
        QVERIFY(h->showFocused());
        h->grid->setCurrentCell(4, 5);
        const QPointer<QLineEdit> edit = h->editor();
        h->type(QStringLiteral("78"));
        h->press(Qt::Key_Return);
        QCOMPARE(h->editor(), edit.data());
        QCOMPARE(h->current(), QPoint(4, 5));
        QCOMPARE(edit->selectedText(), QStringLiteral("78"));
        h->type(QStringLiteral("9"));
        QCOMPARE(h->model.cell(4, 5), QStringLiteral("9"));
    }

    void selectCellIsAskedBeforeTheMove()
    {
        QVERIFY(h->showFocused());
        h->grid->setCurrentCell(4, 5);
        h->press(Qt::Key_Down);
        QCOMPARE(h->asked, (QList<QPoint>{{4, 5}, {4, 6}}));
        QCOMPARE(h->currentWhenAsked, (QList<QPoint>{{0, 1}, {4, 5}}));
        QCOMPARE(h->current(), QPoint(4, 6));
    }

    void refusedSelectionKeepsCurrentCell()
    {
        h->refused = {{4, 7}, {1, 7}};
        QVERIFY(h->showFocused());
        h->grid->setCurrentCell(4, 6);
        const QPointer<QLineEdit> edit = h->editor();
        QVERIFY(edit);
        h->press(Qt::Key_Down);
        QCOMPARE(h->current(), QPoint(4, 6));
        QCOMPARE(h->editor(), edit.data());
        h->click(4, 7);
        QCOMPARE(h->current(), QPoint(4, 6));
        QCOMPARE(h->asked.count(QPoint(4, 7)), 2);

        // A refused move towards a cell that takes no typing leaves the current one editable.
        h->click(1, 7);
        QCOMPARE(h->current(), QPoint(4, 6));
        QVERIFY(h->grid->editingEnabled());
        QCOMPARE(h->editor(), edit.data());
        QVERIFY(h->grid->selectionModel()->isSelected(h->model.index(5, 4)));
        QVERIFY(!h->grid->selectionModel()->isSelected(h->model.index(6, 1)));
    }

    void runOfRowsStaysInTheRangeColumnAndStopsAtARefusedCell()
    {
        h->refused = {{4, 8}};
        h->grid->setRangeColumn(4);
        QVERIFY(h->showFocused());
        h->grid->setCurrentCell(4, 5);
        h->press(Qt::Key_Down, Qt::ShiftModifier);
        h->press(Qt::Key_Down, Qt::ShiftModifier);
        QCOMPARE(h->grid->selectedRows(), std::make_pair(5, 7));
        // The move to row 8 is refused: the run and the current cell stay.
        h->press(Qt::Key_Down, Qt::ShiftModifier);
        QCOMPARE(h->current(), QPoint(4, 7));
        QCOMPARE(h->grid->selectedRows(), std::make_pair(5, 7));
        QTest::mouseClick(h->grid->viewport(), Qt::LeftButton, Qt::ShiftModifier,
                          h->cellRect(4, 3).center());
        QCOMPARE(h->grid->selectedRows(), std::make_pair(3, 5));
        // Outside the range column a Shift+click selects the current cell alone.
        QTest::mouseClick(h->grid->viewport(), Qt::LeftButton, Qt::ShiftModifier,
                          h->cellRect(3, 3).center());
        QCOMPARE(h->current(), QPoint(3, 3));
        QVERIFY(!h->grid->hasRowRange());
        QCOMPARE(h->grid->selectionModel()->selectedIndexes(),
                 QModelIndexList({h->model.index(2, 3)}));
    }

    void mouseClicksSelectTheCellUnderThePointer()
    {
        QVERIFY(h->showFocused());
        h->click(3, 9);
        QCOMPARE(h->asked.last(), QPoint(3, 9));
        QCOMPARE(h->current(), QPoint(3, 9));
        QVERIFY(!h->editor());
        h->click(0, 32);
        QCOMPARE(h->asked.last(), QPoint(0, 32));
        QCOMPARE(h->current(), QPoint(0, 32));
        QVERIFY(h->editor());
        QCOMPARE(h->editor()->geometry(), h->cellRect(0, 32));

        // The header row takes no clicks.
        const qsizetype before = h->asked.size();
        h->click(4, 0);
        QCOMPARE(h->current(), QPoint(0, 32));
        QCOMPARE(h->asked.size(), before);
    }

    void clickOnCurrentCellWithoutEditorSelectsItAgain()
    {
        QVERIFY(h->showFocused());
        h->click(2, 4);
        h->click(2, 4);
        QCOMPARE(h->asked, (QList<QPoint>{{2, 4}, {2, 4}}));
    }

    void keyboardStopsAtTheHeaderRow()
    {
        QVERIFY(h->showFocused());
        h->grid->setCurrentCell(2, 1);
        h->asked.clear();
        h->press(Qt::Key_Up);
        QCOMPARE(h->current(), QPoint(2, 1));
        QVERIFY(h->asked.isEmpty());
        h->grid->setCurrentCell(2, 20);
        h->press(Qt::Key_Home, Qt::ControlModifier);
        QCOMPARE(h->current(), QPoint(0, 1));
        h->grid->setCurrentCell(3, 0);
        QCOMPARE(h->current(), QPoint(0, 1));
    }

    void tabMovesFocusToNeighbourControls()
    {
        QVERIFY(h->showFocused());
        QVERIFY(h->editor());
        h->press(Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), h->after);
        h->press(Qt::Key_Backtab);
        QVERIFY(h->editor());
        h->press(Qt::Key_Backtab);
        QCOMPARE(QApplication::focusWidget(), h->before);
        h->press(Qt::Key_Tab);
        QVERIFY(h->focusInGrid());

        // With editing off the grid itself holds the focus.
        h->grid->setCurrentCell(1, 2);
        QCOMPARE(QApplication::focusWidget(), h->grid);
        h->press(Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), h->after);
        QCOMPARE(h->current(), QPoint(1, 2));
    }

    void editorFollowsCellWrittenByProgram()
    {
        QVERIFY(h->showFocused());
        h->grid->setCurrentCell(4, 5);
        h->type(QStringLiteral("12"));
        h->model.setCell(4, 5, QStringLiteral("3,5"));
        QCOMPARE(h->editor()->text(), QStringLiteral("3,5"));
        h->type(QStringLiteral("0"));
        QCOMPARE(h->model.cell(4, 5), QStringLiteral("3,50"));
    }

    void inputMethodTextPassesTheKeyHook()
    {
        QVERIFY(h->showFocused());
        h->grid->setCurrentCell(4, 5);
        QInputMethodEvent event;
        event.setCommitString(QStringLiteral("1.x5"));
        QApplication::sendEvent(h->editor(), &event);
        QCOMPARE(h->model.cell(4, 5), QStringLiteral("1,5"));
    }

    void angleColumnTakesTheModelsColours()
    {
        h->window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&h->window));
        const QImage image = h->picture();
        for (int row = 1; row <= 32; ++row) {
            QCOMPARE(image.pixelColor(h->inPicture(4, row, &QRect::topLeft)), kYellow);
            QCOMPARE(image.pixelColor(h->inPicture(4, row, &QRect::bottomRight)), kYellow);
            QVERIFY(image.pixelColor(h->inPicture(3, row)) != kYellow);
        }
        QVERIFY(image.pixelColor(h->inPicture(4, 0)) != kYellow);
        // The grid line below a cell is not the cell's.
        QVERIFY(image.pixelColor(h->inPicture(4, 5, &QRect::bottomLeft) + QPoint(0, 1)) != kYellow);
    }

    void headerRowStandsApartFromTheCells()
    {
        h->window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&h->window));
        const QImage image = h->picture();
        const QColor header = image.pixelColor(h->inPicture(2, 0));
        const QColor base = h->grid->palette().color(QPalette::Base);
        QCOMPARE(image.pixelColor(h->inPicture(2, 5)), base);
        QVERIFY(header != base);
        // A line parts the header from the first row, and the cells have lines between them.
        QVERIFY(image.pixelColor(h->inPicture(2, 0, &QRect::bottomLeft) + QPoint(0, 1)) != header);
        const QColor line = image.pixelColor(h->inPicture(2, 5, &QRect::bottomLeft) + QPoint(0, 1));
        QVERIFY(line != base);
        QCOMPARE(image.pixelColor(h->inPicture(2, 5, &QRect::topRight) + QPoint(1, 0)), line);
    }

    void angleCellKeepsItsColoursWhenCurrentAndShadedInARun()
    {
        h->grid->setRangeColumn(4);
        QVERIFY(h->showFocused());
        h->grid->setCurrentCell(4, 5);
        h->before->setFocus(); // the editor closes: the current cell is painted
        QVERIFY(!h->focusInGrid());
        const auto inside = [this](int row) {
            return h->grid->viewport()->grab().toImage().pixelColor(
                h->cellRect(4, row).bottomRight() - QPoint(2, 2));
        };
        QCOMPARE(inside(5), kYellow);
        h->grid->extendRowRange(7);
        QVERIFY(h->grid->hasRowRange());
        for (int row : {5, 6, 7}) {
            QVERIFY(inside(row) != kYellow);
            QVERIFY(inside(row) != h->grid->palette().color(QPalette::Highlight));
        }
        QCOMPARE(inside(8), kYellow);
    }

    void editorBackgroundPerColumn()
    {
        QVERIFY(h->showFocused());
        h->grid->setCurrentCell(4, 5);
        QVERIFY(h->editor());
        QImage image = h->grid->viewport()->grab().toImage();
        QCOMPARE(image.pixelColor(h->cellRect(4, 5).bottomRight() - QPoint(1, 1)), kYellow);
        h->grid->setCurrentCell(0, 5);
        QVERIFY(h->editor());
        image = h->grid->viewport()->grab().toImage();
        QCOMPARE(image.pixelColor(h->cellRect(0, 5).bottomRight() - QPoint(1, 1)),
                 h->grid->palette().color(QPalette::Base));
    }

    void messageBoxFromSelectCellKeepsEditing()
    {
        h->refused = {{4, 7}};
        QVERIFY(h->showFocused());
        h->grid->setCurrentCell(4, 6);
        const QPointer<QLineEdit> edit = h->editor();
        QVERIFY(edit);
        const auto select = h->grid->selectCell;
        h->grid->selectCell = [this, select](int column, int row) {
            const bool approved = select(column, row);
            if (!approved) {
                QTimer::singleShot(0, [] {
                    if (QWidget *box = QApplication::activeModalWidget())
                        box->close();
                });
                QMessageBox::warning(&h->window, QString(), QStringLiteral("'1.2.3' is bad."));
            }
            return approved;
        };
        h->press(Qt::Key_Down);
        QCOMPARE(h->current(), QPoint(4, 6));
        // As the window manager does once the box is gone.
        h->window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&h->window));
        QTRY_COMPARE(h->editor(), edit.data());
        h->type(QStringLiteral("5"));
        QCOMPARE(h->model.cell(4, 6), QStringLiteral("5"));
    }

    void cellTextsAreAccessible()
    {
        QAccessibleInterface *table = QAccessible::queryAccessibleInterface(h->grid);
        QVERIFY(table && table->tableInterface());
        QCOMPARE(table->tableInterface()->rowCount(), 32);
        QAccessibleInterface *cell = table->tableInterface()->cellAt(0, 4);
        QVERIFY(cell && cell->tableCellInterface());
        const QList<QAccessibleInterface *> headers =
            cell->tableCellInterface()->columnHeaderCells();
        QCOMPARE(headers.size(), 1);
        QCOMPARE(headers.first()->text(QAccessible::Name), QStringLiteral("УОЗ"));
        // The toolkit makes a new, unregistered header interface for each call; registered,
        // it can be deleted.
        QAccessible::deleteAccessibleInterface(
            QAccessible::registerAccessibleInterface(headers.first()));
        QCOMPARE(table->tableInterface()->cellAt(0, 0)->text(QAccessible::Name),
                 QStringLiteral("460"));
    }

private:
    std::unique_ptr<Harness> h;
};

QTEST_MAIN(GridViewTest)
#include "gridview_test.moc"
