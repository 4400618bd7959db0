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
QPointer<TimingCheckDialog> runCheck(TopWindow &w, bool full = false)
{
    QAction *action =
        menuAction(w.window.toolsMenu(), full ? QStringLiteral("Полная проверка на модели МК")
                                              : QStringLiteral("Проверить на модели МК"));
    if (!action)
        action = menuAction(w.window.toolsMenu(),
                            full ? QStringLiteral("Full timing check")
                                 : QStringLiteral("Check timing on simulated chip"));
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

// The first point of a table's row in the report, and its row in the dialog's table.
int pointIndex(const TimingCheckDialog &dialog, int table, int row)
{
    for (int i = 0; i < dialog.report().points.size(); ++i) {
        const PointResult &r = dialog.report().points[i];
        if (r.point.table == table && r.point.row == row)
            return i;
    }
    return -1;
}

int reportRow(const TimingCheckDialog &dialog, int table, int row)
{
    return dialog.tableRow(pointIndex(dialog, table, row));
}

QString cell(const TimingCheckDialog &dialog, int row, int column)
{
    const QTableWidgetItem *item = dialog.table()->item(row, column);
    return item ? item->text() : QStringLiteral("<none>");
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
        // By sections: the image check, then steady points, breakpoints, start and over-rev
        // with where the spark stops in each table.
        QCOMPARE(dialog->table()->rowCount(), 2 + 1 + 96 + 1 + 189 + 1 + 22 + 3);
        QCOMPARE(cell(*dialog, 0, 0), QStringLiteral("Проверка образа"));
        QCOMPARE(dialog->table()->columnSpan(0, 0), 13);
        QCOMPARE(cell(*dialog, 1, 0),
                 QStringLiteral("образ содержит значения исходника: 31 порог, 96 кодов, "
                                "второй импульс, выход искры, резистор"));
        QCOMPARE(cell(*dialog, 2, 0),
                 QStringLiteral("Постоянные обороты: точек 96, вне допуска 0"));
        QCOMPARE(dialog->tableRow(0), 3);
        QCOMPARE(cell(*dialog, 3, 8), QStringLiteral("в допуске"));
        QCOMPARE(cell(*dialog, 3, 11), QStringLiteral("середина строки"));
        QCOMPARE(cell(*dialog, 99, 0), QStringLiteral("Пороги оборотов: точек 189, вне допуска 0"));
        QCOMPARE(cell(*dialog, 289, 0),
                 QStringLiteral("Пуск и превышение оборотов: точек 22, вне допуска 0"));
        QVERIFY(cell(*dialog, 312, 0).startsWith(QStringLiteral("таблица 1: искра ")));
        QVERIFY(w.form.Chart1->traces().isEmpty()); // no ramps in the quick check
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
        const int at = pointIndex(*dialog, 1, 20);
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

    void fullCheckPutsTheRampsOnTheTimingLight()
    {
        QTemporaryDir dir;
        const QString path = writeFile(dir, QStringLiteral("CDI.asm"),
                                       readFile(QStringLiteral(CDI_EXAMPLES_DIR "/CDI.asm")));
        TopWindow w;
        w.load(path);
        QAction *full =
            menuAction(w.window.toolsMenu(), QStringLiteral("Полная проверка на модели МК"));
        QVERIFY(full);
        QCOMPARE(full->shortcut(), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_T));
        QAction *light =
            menuAction(w.window.viewMenu(), QStringLiteral("Стробоскоп: УОЗ при разгоне"));
        QVERIFY(light);
        QVERIFY(!light->isEnabled()); // nothing to show before a full check

        QPointer<TimingCheckDialog> dialog = runCheck(w, true);
        QVERIFY(dialog);
        QVERIFY2(dialog->failure().isEmpty(), qPrintable(dialog->failure()));
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Полная проверка на модели МК"));
        const auto total = dialog->report().points.size();
        QCOMPARE(
            dialog->verdict(),
            QStringLiteral("Все %1 точек в допуске, статические проверки пройдены").arg(total));
        // Every section of the command line's report, ramps and long runs included.
        QStringList sections;
        for (int row = 0; row < dialog->table()->rowCount(); ++row) {
            if (dialog->table()->columnSpan(row, 0) > 1 &&
                dialog->table()->item(row, 0)->font().bold())
                sections << cell(*dialog, row, 0);
        }
        QCOMPARE(sections.mid(0, 6),
                 (QStringList{"Проверка образа", "Постоянные обороты: точек 96, вне допуска 0",
                              "Пороги оборотов: точек 189, вне допуска 0",
                              "Пуск и превышение оборотов: точек 22, вне допуска 0",
                              "Разгон и сброс оборотов: точек 18, вне допуска 0",
                              "Длинные прогоны: точек 96, вне допуска 0"}));
        int ramp = -1;
        for (int i = 0; i < total && ramp < 0; ++i) {
            if (dialog->report().points[i].point.kind == PointKind::Ramp)
                ramp = dialog->tableRow(i);
        }
        QCOMPARE(cell(*dialog, ramp, 2), QStringLiteral("1000>19900@2000"));
        QCOMPARE(cell(*dialog, ramp, 11), QStringLiteral("разгон"));
        QVERIFY(cell(*dialog, ramp, 12).contains(QStringLiteral("отставание от таблицы до")));

        // The timing light: table 1's ramps, one trace per rate, every revolution of both
        // directions. Speeding up the spark lags the table's steps, slowing down it leads them.
        ChartWidget *chart = w.form.Chart1;
        QCOMPARE(chart->traces().size(), 3);
        QCOMPARE(chart->traces()[0].name, QStringLiteral("2000 об/мин в секунду"));
        QCOMPARE(chart->traces()[2].name, QStringLiteral("30000 об/мин в секунду"));
        const QList<ChartPoint> steps = chart->series()->points();
        const auto tableAt = [&steps](double rpm) {
            double angle = steps.first().y;
            for (const ChartPoint &p : steps) {
                if (p.x <= rpm)
                    angle = p.y;
            }
            return angle;
        };
        // Every judged revolution that fired in table 1's two ramps at 2000 rpm/s.
        qsizetype slowest = 0;
        for (const PointResult &r : dialog->report().points) {
            if (r.point.kind != PointKind::Ramp || r.point.table != 1 ||
                std::abs(r.point.rate) != 2000)
                continue;
            for (qsizetype i = r.point.settle; i < r.revolutions.size(); ++i)
                slowest += r.revolutions[i].sparks > 0 ? 1 : 0;
        }
        QVERIFY(slowest > 1000);
        QCOMPARE(chart->traces()[0].points.size(), slowest);
        for (const ChartWidget::Trace &trace : chart->traces()) {
            QVERIFY(trace.points.size() > 200);
            int behind = 0, ahead = 0;
            for (const QPointF &p : trace.points) {
                QVERIFY(p.x() >= 990 && p.x() <= 19910);
                behind += p.y() < tableAt(p.x()) - 1.0;
                ahead += p.y() > tableAt(p.x()) + 1.0;
            }
            QVERIFY2(behind > 0 && ahead > 0, qPrintable(trace.name));
        }
        QVERIFY(!chart->traceView());
        QVERIFY(light->isEnabled());
        QCOMPARE(w.window.note(),
                 QStringLiteral("Разгоны на графике: Вид → Стробоскоп (Ctrl+Shift+L)"));
        QCOMPARE(light->shortcut(), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_L));
        light->trigger();
        QVERIFY(chart->traceView());
        w.form.Button7Click(); // English
        QCOMPARE(light->text().remove(QLatin1Char('&')),
                 QStringLiteral("Timing light: advance while revving"));
        QCOMPARE(full->text().remove(QLatin1Char('&')), QStringLiteral("Full timing check"));
        dialog->close();

        // An edit makes the measured revolutions stale: the view goes back to the steps.
        w.form.grid().setCell(GridModel::kAngleColumn, 20, QStringLiteral("40.3"));
        QVERIFY(chart->traces().isEmpty());
        QVERIFY(!chart->traceView());
        QVERIFY(!light->isEnabled());
        QVERIFY(!light->isChecked());
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
        QCOMPARE(cell(*dialog, at, 11), QStringLiteral("middle of row"));
        QCOMPARE(dialog->table()->item(at, 6)->text(), QStringLiteral("28"));
        QCOMPARE(dialog->table()->item(at, 8)->text(), QStringLiteral("OUT"));
        QCOMPARE(dialog->table()->item(at, 3)->foreground().color(), QColor(Qt::red));
        QCOMPARE(dialog->table()->item(at + 2, 3)->foreground().color() == QColor(Qt::red), false);
        QCOMPARE(w.form.Chart1->legend(),
                 (QStringList{"Table angle", "Measured on simulated chip"}));
        QCOMPARE(dialog->report().findings.size(), 1);
        const int last = dialog->table()->rowCount() - 1;
        QCOMPARE(cell(*dialog, last - 1, 0), QStringLiteral("Static checks"));
        QCOMPARE(
            cell(*dialog, last, 0),
            QStringLiteral("row 27: shares compare constant 243 with row 28 and is never used"));
        QCOMPARE(dialog->report().findings[0].text(0),
                 QStringLiteral("та же константа сравнения 243, что у строки 28: строка не "
                                "используется никогда"));
    }
};

QTEST_MAIN(TimingCheckTest)
#include "tst_timingcheck.moc"
