// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
// What an everyday desktop user expects of the window: the wheel, colours under a dark scheme,
// where a refused save points, the status bar's notes, remembered folders, hints, Save as.
#include "mainwindowsupport.h"

#include "app/gridview.h"
#include "app/startup.h"
#include "chart/chartwidget.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSettings>
#include <QTest>
#include <QToolTip>
#include <QWheelEvent>

class TestHabits : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void wheelChangesOnlyTheFocusedBox();
    void angleCellsReadableUnderADarkPalette();
    void refusedSaveToTableMakesTheCellCurrent();
    void statusBarNotesSavesAndRefusals();
    void openDialogStartsInTheFolderLastOpened();
    void everyControlHasAHintInBothLanguages();
    void codeColumnHintsNameTheActiveTable();
    void activeTableHeaderIsBold();
    void gridShowsWhenItHasTheFocus();
    void saveAsWritesANewFileAndLeavesTheOriginal();
    void windowLeavesTheToolkitFontsAsTheyWere();
    void openSampleOpensACopyAndOverwritesNothing();

private:
    QTemporaryDir m_settingsDir;
    QTemporaryDir m_dir;
    QString m_path;
};

void TestHabits::initTestCase()
{
    QLocale::setDefault(QLocale::c());
    setApplicationNames();
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_settingsDir.path());
}

void TestHabits::init()
{
    m_path = writeFile(m_dir, QStringLiteral("CDI.asm"), sampleBytes());
}

static void showActive(QWidget &window)
{
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
}

// One step down over the control; whether the control took the event. One it leaves goes on to
// the parent when it comes from the desktop.
static bool wheelOver(QWidget *control)
{
    const QPointF at = QRectF(control->rect()).center();
    QWheelEvent event(at, control->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(control, &event);
    return event.isAccepted();
}

void TestHabits::wheelChangesOnlyTheFocusedBox()
{
    TopWindow w;
    w.load(m_path);
    showActive(w.window);
    w.form.Button1->setFocus();
    const QStringList angles = columnTexts(w.form, 4);

    QVERIFY(!wheelOver(w.form.ComboBox1));
    QVERIFY(!wheelOver(w.form.ComboBox2));
    QVERIFY(!wheelOver(w.form.ComboBox4));
    QCOMPARE(w.form.ComboBox1->currentText(), QStringLiteral("20"));
    QCOMPARE(w.form.ComboBox2->currentText(), QStringLiteral("1"));
    QCOMPARE(w.form.ComboBox4->currentText(), QStringLiteral("PortC,0"));
    QCOMPARE(columnTexts(w.form, 4), angles);
    QVERIFY(!w.form.hasUnsavedChanges());

    // With the focus, the wheel picks the item after the list's current one ("40") as usual.
    w.form.ComboBox1->setFocus();
    QVERIFY(wheelOver(w.form.ComboBox1));
    QCOMPARE(w.form.ComboBox1->currentText(), QStringLiteral("35"));
    QCOMPARE(columnTexts(w.form, 4), expectedAngles(sampleCodes(1), 35));
}

// Relative luminance and contrast ratio as the accessibility guidelines define them.
static double luminance(QColor c)
{
    const auto channel = [](double v) {
        return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
}

static double contrast(QColor a, QColor b)
{
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// The background of a cell and the text pixel with the strongest contrast to it.
static std::pair<QColor, double> cellInk(const QImage &image, const QRect &cell)
{
    const QColor background = image.pixelColor(cell.right() - 2, cell.bottom() - 1);
    double best = 1;
    for (int y = cell.top(); y <= cell.bottom(); ++y) {
        for (int x = cell.left(); x <= cell.right(); ++x)
            best = std::max(best, contrast(background, image.pixelColor(x, y)));
    }
    return {background, best};
}

void TestHabits::angleCellsReadableUnderADarkPalette()
{
    const QPalette previous = QApplication::palette();
    QPalette dark;
    for (const auto &[role, colour] : {std::pair{QPalette::Window, QColor(32, 32, 32)},
                                       {QPalette::WindowText, Qt::white},
                                       {QPalette::Base, QColor(20, 20, 20)},
                                       {QPalette::Text, Qt::white},
                                       {QPalette::Button, QColor(45, 45, 45)},
                                       {QPalette::ButtonText, Qt::white}})
        dark.setColor(role, colour);
    QApplication::setPalette(dark);
    const auto restore = qScopeGuard([&] { QApplication::setPalette(previous); });

    TopWindow w;
    w.load(m_path);
    showActive(w.window);
    w.form.StringGrid1->setFocus();
    w.form.StringGrid1->setCurrentCell(4, 5); // its editor is open, the other cells painted
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_End); // no selection over the text
    QTest::qWait(20);
    const QImage image = w.form.StringGrid1->viewport()->grab().toImage();
    GridView &grid = *w.form.StringGrid1;
    for (int row : {3, 5, 20}) {
        const QRect cell = grid.visualRect(grid.model()->index(row - 1, 4));
        const auto [background, best] = cellInk(image, cell);
        QCOMPARE(background, QColor(255, 255, 0));
        QVERIFY2(best >= 7, qPrintable(QStringLiteral("row %1: contrast %2").arg(row).arg(best)));
    }
    // The code cells follow the dark palette: light text on dark.
    const QRect code = grid.visualRect(grid.model()->index(2, 1));
    const auto [codeBackground, codeBest] = cellInk(image, code);
    QVERIFY(luminance(codeBackground) < 0.05);
    QVERIFY(codeBest >= 7);
}

void TestHabits::refusedSaveToTableMakesTheCellCurrent()
{
    TopWindow w;
    w.load(m_path);
    showActive(w.window);
    w.form.grid().setCell(4, 12, QStringLiteral("80")); // 60 above the sensor: over 52
    w.form.grid().setCell(4, 20, QStringLiteral("-200"));
    w.form.Button2->click();
    QCOMPARE(w.platform.takeBoxes(),
             QList<ShownBox>(
                 {{ShownBox::Warning, QStringLiteral(u"Превышен предел 52° выше датчика")}}));
    QCOMPARE(w.form.StringGrid1->col(), 4);
    QCOMPARE(w.form.StringGrid1->row(), 12);
    QVERIFY(w.form.StringGrid1->isAncestorOf(QApplication::focusWidget()));

    w.form.grid().setCell(4, 12, QStringLiteral("30"));
    w.form.Button2->click();
    QCOMPARE(w.platform.takeBoxes(),
             QList<ShownBox>(
                 {{ShownBox::Warning, QStringLiteral(u"Превышен предел 125° ниже датчика")}}));
    QCOMPARE(w.form.StringGrid1->row(), 20);

    // A breakpoint out of range stops "Save to file" in the writer's order, top down.
    w.form.grid().setCell(4, 20, QStringLiteral("5"));
    w.form.grid().setCell(0, 9, QStringLiteral("459"));
    w.form.grid().setCell(0, 30, QStringLiteral("25000"));
    w.form.Button5->click();
    QCOMPARE(
        w.platform.takeBoxes(),
        QList<ShownBox>({{ShownBox::Warning, QStringLiteral(u"Превышены обороты 20000/мин")}}));
    QCOMPARE(w.form.StringGrid1->col(), 0);
    QCOMPARE(w.form.StringGrid1->row(), 30);
    QCOMPARE(readFile(m_path), sampleBytes());
}

void TestHabits::statusBarNotesSavesAndRefusals()
{
    TopWindow w;
    w.load(m_path);
    QCOMPARE(w.window.note(), QString());
    w.form.grid().setCell(4, 3, QStringLiteral("-200"));
    w.form.Button5Click();
    w.platform.takeBoxes();
    const QString time = QStringLiteral("([0-2][0-9]:[0-5][0-9]:[0-5][0-9])");
    const QRegularExpression refused(
        QStringLiteral(u"^%1: файл не сохранён: Превышен предел 125° ниже датчика$").arg(time));
    QVERIFY2(refused.match(w.window.note()).hasMatch(), qPrintable(w.window.note()));

    w.form.grid().setCell(4, 3, QStringLiteral("11"));
    w.form.Button5Click();
    const QRegularExpression saved(
        QStringLiteral(u"^%1: записаны настройки, обороты и таблицы в CDI.asm$").arg(time));
    const auto match = saved.match(w.window.note());
    QVERIFY2(match.hasMatch(), qPrintable(w.window.note()));
    const QTime when = QTime::fromString(match.captured(1), QStringLiteral("HH:mm:ss"));
    QVERIFY(qAbs(when.secsTo(QTime::currentTime())) <= 2);
    w.form.Button7Click();
    QCOMPARE(w.window.note(), QStringLiteral("%1: settings, RPM points and tables written to "
                                             "CDI.asm")
                                  .arg(match.captured(1)));
}

void TestHabits::openDialogStartsInTheFolderLastOpened()
{
    QSettings().clear();
    QTemporaryDir samples;
    const QString other = QFileInfo(m_path).absolutePath();
    {
        TopWindow first;
        prepareMainWindow(first.window, samples.path());
        QCOMPARE(first.form.OpenDialog1.directory, samples.path());
        showActive(first.window);
        first.platform.answerDialog(m_path);
        QTest::keyClick(&first.window, Qt::Key_O, Qt::ControlModifier);
        QCOMPARE(first.platform.dialogsShown.size(), 1);
        QCOMPARE(first.platform.dialogsShown[0].directory, samples.path());
        first.form.Button7Click();
    }
    TopWindow second;
    prepareMainWindow(second.window, samples.path());
    showActive(second.window);
    second.platform.cancelDialog();
    QTest::keyClick(&second.window, Qt::Key_O, Qt::ControlModifier);
    QCOMPARE(second.platform.dialogsShown.size(), 1);
    QCOMPARE(second.platform.dialogsShown[0].directory, other);
    QCOMPARE(second.form.state().Language, 0); // the language is not remembered
}

void TestHabits::everyControlHasAHintInBothLanguages()
{
    TopWindow w;
    const QList<QWidget *> controls = {
        w.form.Memo1,     w.form.Button1,   w.form.StringGrid1, w.form.ComboBox1, w.form.Label1,
        w.form.Chart1,    w.form.Button2,   w.form.Button3,     w.form.Button4,   w.form.ComboBox2,
        w.form.Button5,   w.form.Label2,    w.form.Button6,     w.form.Button7,   w.form.Label3,
        w.form.ComboBox3, w.form.CheckBox1, w.form.Label4,      w.form.ComboBox4, w.form.Label5};
    QStringList russian;
    for (QWidget *control : controls)
        russian.append(control->toolTip());
    // Rich text, which a tooltip wraps; the check box is named for what it does.
    QCOMPARE(w.form.CheckBox1->toolTip(),
             QStringLiteral(u"<p>Отмечено: при смене угла датчика коды таблицы остаются, а углы "
                            u"сдвигаются вместе с ним. Не отмечено: углы остаются как есть, и "
                            u"следующее «Сохранить в таблицу» пересчитает коды под новый угол "
                            u"датчика.</p>"));
    QVERIFY(Qt::mightBeRichText(w.form.Button5->toolTip()));
    QCOMPARE(w.form.CheckBox1->accessibleName(),
             QStringLiteral(u"Пересчитывать углы при смене угла датчика"));
    QCOMPARE(w.form.Chart1->xAxisTitle(), QStringLiteral(u"об/мин"));
    QCOMPARE(w.form.Chart1->yAxisTitle(), QStringLiteral(u"УОЗ, °"));
    w.form.Button7Click();
    for (qsizetype i = 0; i < controls.size(); ++i) {
        // The grid's hints are per column; the grid itself has none.
        if (controls[i] == w.form.StringGrid1)
            continue;
        QVERIFY2(!russian[i].isEmpty(), qPrintable(controls[i]->accessibleName()));
        QVERIFY(!controls[i]->toolTip().isEmpty());
        QVERIFY(controls[i]->toolTip() != russian[i]);
    }
    QCOMPARE(w.form.CheckBox1->accessibleName(),
             QStringLiteral("Move the angles with the sensor angle"));
    QVERIFY(w.form.CheckBox1->toolTip().contains(QStringLiteral("&quot;Save to table&quot;")));
    QCOMPARE(w.form.Chart1->xAxisTitle(), QStringLiteral("rpm"));
    QCOMPARE(w.form.Chart1->yAxisTitle(), QStringLiteral(u"advance, °"));
}

// The tooltip the grid shows for the pointer over a column's first point.
static QString gridHint(TForm1 &form, int column)
{
    GridView &grid = *form.StringGrid1;
    const QPoint at = grid.visualRect(grid.model()->index(0, column)).center();
    QHelpEvent event(QEvent::ToolTip, at, grid.viewport()->mapToGlobal(at));
    QApplication::sendEvent(grid.viewport(), &event);
    return QToolTip::text();
}

void TestHabits::codeColumnHintsNameTheActiveTable()
{
    TopWindow w;
    w.load(m_path);
    showActive(w.window);
    const QString codes = QStringLiteral(
        u"Таблица %1: коды в том виде, в каком они записаны в прошивке (0–255: шаги по 0,7° от "
        u"угла датчика, 180 — нет искры). Меняются только кнопкой «Сохранить в таблицу».");
    const QString active = QStringLiteral(u" Это активная таблица.");
    QCOMPARE(gridHint(w.form, 1), codes.arg(1) + active);
    QCOMPARE(gridHint(w.form, 2), codes.arg(2));
    w.form.ComboBox2->setCurrentIndex(1);
    QCOMPARE(gridHint(w.form, 1), codes.arg(1));
    QCOMPARE(gridHint(w.form, 2), codes.arg(2) + active);
    QVERIFY(gridHint(w.form, 4).startsWith(QStringLiteral(u"УОЗ активной таблицы 2, градусы")));
    w.form.Button7Click();
    QVERIFY(gridHint(w.form, 3).startsWith(QStringLiteral("Table 3: raw codes")));
}

// The ink of a header cell's text: how much darker than the cell's background its pixels are,
// summed. Bold text has more of it.
static int ink(GridView &grid, int column)
{
    const QHeaderView &header = *grid.horizontalHeader();
    const QImage image = header.viewport()->grab().toImage();
    const QRect cell(header.sectionViewportPosition(column), 0, header.sectionSize(column) - 1,
                     header.height() - 1);
    const int background = qGray(image.pixel(cell.right() - 1, cell.top() + 1));
    int sum = 0;
    for (int y = cell.top(); y <= cell.bottom(); ++y) {
        for (int x = cell.left(); x <= cell.right(); ++x)
            sum += std::max(0, background - qGray(image.pixel(x, y)));
    }
    return sum;
}

void TestHabits::activeTableHeaderIsBold()
{
    TopWindow w;
    w.load(m_path);
    showActive(w.window);
    GridView &grid = *w.form.StringGrid1;
    const int plain2 = ink(grid, 2), plain3 = ink(grid, 3);
    const int bold1 = ink(grid, 1);
    QVERIFY2(bold1 > plain2 * 6 / 5, qPrintable(QStringLiteral("%1 %2").arg(bold1).arg(plain2)));
    w.form.ComboBox2->setCurrentIndex(1);
    QTest::qWait(20);
    QVERIFY(ink(grid, 2) > plain2 * 6 / 5);
    QVERIFY(ink(grid, 1) < bold1);
    QCOMPARE(ink(grid, 3), plain3);
}

void TestHabits::gridShowsWhenItHasTheFocus()
{
    TopWindow w;
    w.load(m_path);
    showActive(w.window);
    // A point just left of the grid, in the gap to the text box.
    const QPoint beside = w.form.StringGrid1->geometry().topLeft() + QPoint(-3, 100);
    const QColor highlight = w.form.palette().color(QPalette::Highlight);
    w.form.Button1->setFocus();
    QTest::qWait(20);
    QVERIFY(w.form.grab().toImage().pixelColor(beside) != highlight);
    w.form.StringGrid1->setFocus();
    QTest::qWait(20);
    QCOMPARE(w.form.grab().toImage().pixelColor(beside), highlight);
}

void TestHabits::saveAsWritesANewFileAndLeavesTheOriginal()
{
    QTemporaryDir target;
    const QString copy = target.filePath(QStringLiteral("tuned.asm"));
    TopWindow w;
    w.load(m_path);
    w.form.grid().setCell(4, 3, QStringLiteral("11"));
    w.platform.saveDialogAnswers.append(copy);
    QAction *saveAs = menuAction(w.window.fileMenu(), QStringLiteral(u"Сохранить как…"));
    QVERIFY(saveAs);
    QCOMPARE(saveAs->shortcut(), QKeySequence(QKeySequence::SaveAs));
    saveAs->trigger();
    QCOMPARE(w.platform.saveDialogsShown.size(), 1);
    QCOMPARE(w.platform.saveDialogsShown[0].directory, QFileInfo(m_path).absolutePath());
    QCOMPARE(w.platform.saveDialogsShown[0].fileName, QStringLiteral("CDI.asm"));
    QCOMPARE(w.platform.takeBoxes(), QList<ShownBox>());

    QCOMPARE(readFile(m_path), sampleBytes());
    QCOMPARE(w.form.document().FirmwarePath, copy);
    QCOMPARE(w.form.Chart1->title(), QStringLiteral(u"График УОЗ, файл: tuned.asm"));
    QCOMPARE(w.window.pathText(), copy);
    QVERIFY(!w.form.hasUnsavedChanges());
    TopWindow again;
    again.load(copy);
    QStringList codes = sampleCodes(1);
    codes[2] = QStringLiteral("13");
    QCOMPARE(columnTexts(again.form, 1), codes);

    // From now on "Save to file" writes the new file.
    w.form.grid().setCell(4, 4, QStringLiteral("12"));
    w.form.Button5Click();
    QCOMPARE(readFile(m_path), sampleBytes());
    again.load(copy);
    QCOMPARE(again.form.grid().cell(4, 4), QStringLiteral("12.3")); // 8 below: 11.43 steps, 11
}

// The window builds its controls in its own font without leaving a mark on the fonts the rest of
// the program (message boxes, menus, tooltips) takes from the toolkit.
void TestHabits::windowLeavesTheToolkitFontsAsTheyWere()
{
    QFont menuFont(QStringLiteral("DejaVu Serif"));
    menuFont.setPixelSize(17);
    QApplication::setFont(menuFont, "QMenu");
    const QFont before = QApplication::font();
    {
        TopWindow w;
        QCOMPARE(QApplication::font(), before);
        QCOMPARE(QApplication::font("QMenu"), menuFont);
        // The controls the toolkit lays out while building are in the window's font, as is
        // what they show once loaded.
        QCOMPARE(w.form.Memo1->document()->defaultFont().family(), w.form.font().family());
        QCOMPARE(w.form.ComboBox1->lineEdit()->font().pixelSize(), 11);
        w.load(m_path);
        QVERIFY(!w.form.Memo1->toPlainText().isEmpty());
        QCOMPARE(w.form.Memo1->document()->defaultFont().pixelSize(), 11);
        // A box made afterwards is in the default font.
        QMessageBox box;
        QCOMPARE(box.font(), before);
    }
    QApplication::setFont(before);
}

void TestHabits::openSampleOpensACopyAndOverwritesNothing()
{
    QTemporaryDir documents;
    const QString own = writeFile(documents, QStringLiteral("CDI.asm"), "my own CDI.asm");
    TopWindow w;
    // Nothing installed: a warning naming where it looked, and nothing copied.
    w.form.openSample(documents.path());
    const auto missing = w.platform.takeBoxes();
    QCOMPARE(missing.size(), 1);
    QVERIFY2(missing[0].text.startsWith(QStringLiteral(u"Пример CDI.asm не установлен (искали в ")),
             qPrintable(missing[0].text));
    QCOMPARE(QDir(documents.path()).entryList(QDir::Files), QStringList({"CDI.asm"}));

    QVERIFY(QDir(w.platform.programDir.path()).mkpath(QStringLiteral("examples")));
    const QString installed = writeFile(
        w.platform.programDir.filePath(QStringLiteral("examples/CDI.asm")), sampleBytes());
    QVERIFY(QFile::setPermissions(installed, QFile::ReadOwner | QFile::ReadOther));
    w.form.openSample(documents.path());
    const QString copy = documents.filePath(QStringLiteral("CDI (2).asm"));
    QCOMPARE(w.platform.takeBoxes(), QList<ShownBox>());
    QCOMPARE(w.platform.dialogsShown.size(), 0);
    QCOMPARE(w.form.document().FirmwarePath, copy);
    QVERIFY(w.form.document().loaded);
    QCOMPARE(w.form.grid().cell(4, 1), QStringLiteral("10.2"));
    QCOMPARE(readFile(own), QByteArray("my own CDI.asm"));
    QCOMPARE(readFile(copy), sampleBytes());
    QVERIFY(QFileInfo(copy).isWritable());
    QCOMPARE(w.form.OpenDialog1.directory, documents.path());

    // Unsaved changes kept (Cancel): the window stays on its file and the new copy is gone.
    w.form.grid().setCell(4, 3, QStringLiteral("11"));
    w.platform.questionAnswers = {2};
    w.form.openSample(documents.path());
    QCOMPARE(w.platform.questions.size(), 1);
    QCOMPARE(w.form.document().FirmwarePath, copy);
    QCOMPARE(QDir(documents.path()).entryList(QDir::Files),
             QStringList({"CDI (2).asm", "CDI.asm"}));
}

QTEST_MAIN(TestHabits)
#include "tst_habits.moc"
