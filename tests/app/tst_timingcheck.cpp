// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
//
// "Check timing on simulated chip" in the real window: the grid as a save would write it,
// assembled by avra and run on the simulator, never touching the user's file.
#include "app/timingcheck.h"
#include "chart/chartwidget.h"
#include "mainwindowsupport.h"

#include <QPointer>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTableWidget>
#include <QTest>

namespace {

// Runs the command through its menu entry and waits for the check to end.
QPointer<TimingCheckDialog> runCheck(TopWindow &w)
{
    QAction *action = menuAction(w.window.toolsMenu(), QStringLiteral("Проверить на модели МК"));
    if (!action)
        action = menuAction(w.window.toolsMenu(), QStringLiteral("Check timing on simulated chip"));
    if (!action)
        return {};
    const auto before = w.window.findChildren<TimingCheckDialog *>().size();
    action->trigger();
    const auto dialogs = w.window.findChildren<TimingCheckDialog *>();
    if (dialogs.size() != before + 1)
        return {};
    QPointer<TimingCheckDialog> dialog = dialogs.last();
    QSignalSpy ended(dialog.data(), &TimingCheckDialog::checkEnded);
    if (!dialog->failure().isEmpty() || ended.wait(60000))
        return dialog;
    return {};
}

int reportRow(const TimingCheckDialog &dialog, int table, int row)
{
    for (int i = 0; i < dialog.report().points.size(); ++i) {
        const PointResult &r = dialog.report().points[i];
        if (r.point.table == table && r.point.row == row)
            return i;
    }
    return -1;
}

} // namespace

class TimingCheckTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QLocale::setDefault(QLocale::c());
        if (QStandardPaths::findExecutable(QStringLiteral("avra")).isEmpty())
            QSKIP("avra is not installed");
    }

    void noSourceLoadedWarns()
    {
        TopWindow w;
        QVERIFY(!runCheck(w));
        const QList<ShownBox> boxes = w.platform.takeBoxes();
        QCOMPARE(boxes.size(), 1);
        QCOMPARE(boxes[0].text, QStringLiteral("Сначала нужно открыть файл прошивки!"));
    }

    void sampleChecksOutAndEditsAreCheckedUnsaved()
    {
        QTemporaryDir dir;
        const QByteArray original = readFile(QStringLiteral(CDI_EXAMPLES_DIR "/CDI.asm"));
        const QString path = writeFile(dir, QStringLiteral("CDI.asm"), original);
        TopWindow w;
        w.load(path);
        QAction *action =
            menuAction(w.window.toolsMenu(), QStringLiteral("Проверить на модели МК"));
        QVERIFY(action);
        QCOMPARE(action->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_T));

        QPointer<TimingCheckDialog> dialog = runCheck(w);
        QVERIFY(dialog);
        QVERIFY2(dialog->failure().isEmpty(), qPrintable(dialog->failure()));
        QCOMPARE(dialog->verdict(),
                 QStringLiteral("Все 307 точек в допуске, статические проверки пройдены"));
        QCOMPARE(dialog->table()->rowCount(), 307);
        QCOMPARE(dialog->table()->item(0, 8)->text(), QStringLiteral("в допуске"));
        ChartWidget *chart = w.form.Chart1;
        // Table 1, every row with an angle: its middle, above its breakpoint and below the next.
        QCOMPARE(chart->overlay().size(), 95);
        QCOMPARE(chart->legend(), (QStringList{"УОЗ по таблице", "Измерено на модели МК"}));
        QCOMPARE(chart->overlay().first(),
                 QPointF(480, dialog->report().points[0].measured.value()));
        dialog->close();

        // An angle typed but not saved: the check fires at it; the stale points go away.
        w.form.grid().setCell(GridModel::kAngleColumn, 20, QStringLiteral("40.3"));
        QVERIFY(chart->overlay().isEmpty());
        dialog = runCheck(w);
        QVERIFY(dialog);
        const int at = reportRow(*dialog, 1, 20);
        QVERIFY(at >= 0);
        const PointResult &r = dialog->report().points[at];
        QCOMPARE(r.point.code, 226);
        QCOMPARE(*r.point.expected, 40.3);
        QVERIFY(r.ok);
        QVERIFY(std::fabs(*r.measured - 40.3) <= r.point.tolerance);
        dialog->close();
        // Neither the file nor the stored codes changed.
        QCOMPARE(readFile(path), original);
        QCOMPARE(w.form.grid().cell(1, 20), QStringLiteral("235"));

        // Cancelled at once: no report, and the chart keeps what it had.
        const QList<QPointF> shown = chart->overlay();
        action->trigger();
        QPointer<TimingCheckDialog> cancelled = w.window.findChildren<TimingCheckDialog *>().last();
        QVERIFY(cancelled->isRunning());
        cancelled->reject();
        QTRY_VERIFY(!cancelled);
        QTest::qWait(200);
        QCOMPARE(chart->overlay(), shown);
    }

    void sharedBreakpointIsReportedInRed()
    {
        QTemporaryDir dir;
        const QString path = writeFile(dir, QStringLiteral("CDI.asm"),
                                       readFile(QStringLiteral(CDI_EXAMPLES_DIR "/CDI.asm")));
        TopWindow w;
        w.load(path);
        w.form.Button7Click(); // English
        w.form.grid().setCell(GridModel::kRpmColumn, 28, QStringLiteral("9770"));
        QPointer<TimingCheckDialog> dialog = runCheck(w);
        QVERIFY(dialog);
        QCOMPARE(
            dialog->verdict(),
            QStringLiteral(
                "9 of 307 points out of tolerance, static findings: 1")); // row 27 of each table
        const int at = reportRow(*dialog, 1, 27);
        QCOMPARE(dialog->table()->item(at, 6)->text(), QStringLiteral("28"));
        QCOMPARE(dialog->table()->item(at, 8)->text(), QStringLiteral("OUT"));
        QCOMPARE(dialog->table()->item(at, 3)->foreground().color(), QColor(Qt::red));
        QCOMPARE(dialog->table()->item(at + 2, 3)->foreground().color() == QColor(Qt::red), false);
        QCOMPARE(w.form.Chart1->legend(),
                 (QStringList{"Table angle", "Measured on simulated chip"}));
        QCOMPARE(dialog->report().findings.size(), 1);
        QCOMPARE(dialog->report().findings[0].text(0),
                 QStringLiteral("та же константа сравнения 243, что у строки 28: строка не "
                                "используется никогда"));
    }
};

QTEST_MAIN(TimingCheckTest)
#include "tst_timingcheck.moc"
