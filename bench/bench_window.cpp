// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
// The window's handlers on a real platform plugin (offscreen unless QT_QPA_PLATFORM says
// otherwise): a whole load, "Save to table", "Save to file" and a cell selection, each timed up
// to the end of the repaint it causes.
#include "benchsample.h"
#include "benchsummary.h"

#include "app/editcommands.h"
#include "app/gridview.h"
#include "app/platform.h"
#include "app/unit1.h"
#include "chart/chartwidget.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QWindow>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

// The desktop without a desktop: the file dialog answers one path, boxes are only counted, so
// that a benchmark that runs into one can fail instead of timing a stop.
class SilentPlatform final : public Platform
{
public:
    QString dialogAnswer;
    int boxesShown = 0;
    QString lastBox;

    void showWarning(QWidget *, const QString &text) override { countBox(text); }
    void showError(QWidget *, const QString &text) override { countBox(text); }
    std::optional<QString> chooseFileToOpen(QWidget *, const OpenDialogSettings &) override
    {
        return dialogAnswer;
    }
    bool openDocument(const QString &, int) override { return true; }
    QString programFolder() const override { return {}; }
    bool startDetached(const DetachedCommand &) override { return true; }
    int choose(QWidget *, const Question &question) override
    {
        countBox(question.text);
        return question.escapeAnswer;
    }
    std::optional<QString> chooseFileToSave(QWidget *, const OpenDialogSettings &) override
    {
        return std::nullopt;
    }
    std::optional<ProgrammerChoice> chooseProgrammer(QWidget *, const ProgrammerChoice &,
                                                     unsigned char) override
    {
        return std::nullopt;
    }
    bool isInstalled(const QString &) const override { return true; }
    // A file changed on disk since the load is overwritten, as the save being measured asks.
    bool ask(QWidget *, const QString &, const QString &, const QString &) override { return true; }

private:
    void countBox(const QString &text)
    {
        ++boxesShown;
        lastBox = text;
    }
};

// Counts the paint events a widget receives.
class PaintCounter : public QObject
{
public:
    explicit PaintCounter(QWidget *widget) { widget->installEventFilter(this); }
    int count = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++count;
        return false;
    }
};

// Lets the window handle what the handler left pending: the repaint of every control that
// changed, painted into the window and flushed to the platform.
void settle()
{
    QCoreApplication::processEvents();
}

// A shown window that has loaded its own copy of the sample.
struct Window
{
    QTemporaryDir dir;
    QString path;
    SilentPlatform platform;
    TForm1 form{platform};
    PaintCounter chartPaints{form.Chart1};
    PaintCounter gridPaints{form.StringGrid1->viewport()};
    PaintCounter memoPaints{form.Memo1->viewport()};

    Window()
    {
        path = dir.filePath(QStringLiteral("CDI.asm"));
        writeFileOrDie(path, readFileOrDie(samplePath()));
        platform.dialogAnswer = path;
        form.show();
        QElapsedTimer waited;
        waited.start();
        while (!(form.windowHandle() && form.windowHandle()->isExposed()) &&
               waited.elapsed() < 5000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        settle();
    }

    bool load()
    {
        form.Button1Click();
        settle();
        return platform.boxesShown == 0 && form.state().FirmwareName == QLatin1String("CDI.asm");
    }
};

// Shows the paints per operation, the proof that each one was painted, and fails the benchmark
// when a message box came up.
void finish(benchmark::State &state, const Window &window, int chart, int grid, int memo)
{
    if (window.platform.boxesShown > 0)
        state.SkipWithError(qPrintable(QStringLiteral("box shown: ") + window.platform.lastBox));
    const auto perOperation = [&](int before, int after) {
        return benchmark::Counter(double(after - before) / double(state.iterations()));
    };
    state.counters["chart_paints"] = perOperation(chart, window.chartPaints.count);
    state.counters["grid_paints"] = perOperation(grid, window.gridPaints.count);
    state.counters["memo_paints"] = perOperation(memo, window.memoPaints.count);
}

template <typename Operation>
void timeThroughWindow(benchmark::State &state, bool loadFirst, Operation operation)
{
    Window window;
    if (loadFirst && !window.load()) {
        state.SkipWithError("the sample does not load");
        return;
    }
    const int chart = window.chartPaints.count;
    const int grid = window.gridPaints.count;
    const int memo = window.memoPaints.count;
    for (auto _ : state) {
        operation(window);
        settle();
        if (window.platform.boxesShown > 0)
            break;
    }
    finish(state, window, chart, grid, memo);
}

// "Файл" with the dialog answering the sample: read, show the text, scan, fill the grid, draw.
void BM_WindowLoad(benchmark::State &state)
{
    timeThroughWindow(state, false, [](Window &window) { window.form.Button1Click(); });
}

void BM_WindowSaveToTable(benchmark::State &state)
{
    timeThroughWindow(state, true, [](Window &window) { window.form.Button2Click(); });
}

// "Сохранить в файл" over the loaded copy: "Save to table", rewrite, read back, write the file,
// show the rewritten text.
void BM_WindowSaveToFile(benchmark::State &state)
{
    timeThroughWindow(state, true, [](Window &window) { window.form.Button5Click(); });
}

// A click into the angle column, alternating between two rows: the chart is rebuilt with the
// highlight point and repainted, the grid shows the new current cell.
void BM_WindowSelectCell(benchmark::State &state)
{
    int row = 4;
    timeThroughWindow(state, true, [&row](Window &window) {
        row = row == 4 ? 5 : 4;
        window.form.StringGrid1->setCurrentCell(GridModel::kAngleColumn, row);
    });
}

// Ctrl+Up and Ctrl+Down in turn on rows 3..10 of the angle column: eight cells rewritten, the
// chart rebuilt and repainted, one undo step recorded.
void BM_WindowRangeCommand(benchmark::State &state)
{
    bool up = true;
    bool selected = false;
    timeThroughWindow(state, true, [&](Window &window) {
        GridView &grid = *window.form.StringGrid1;
        if (!selected) {
            grid.setCurrentCell(GridModel::kAngleColumn, 3);
            grid.extendRowRange(10);
            selected = true;
        }
        window.form.commands().shift(up ? 1 : -1);
        up = !up;
    });
}

// One mouse move of a drag on the chart: the point follows, snapped to a code step, with its
// angle beside it, repainted.
void BM_WindowDragStep(benchmark::State &state)
{
    ChartWidget *chart = nullptr;
    QPointF from;
    int step = 0;
    bool dragging = true;
    timeThroughWindow(state, true, [&](Window &window) {
        if (!chart) {
            chart = window.form.Chart1;
            from = chart->pointPosition(9);
            QMouseEvent press(QEvent::MouseButtonPress, from, chart->mapToGlobal(from),
                              Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
            QCoreApplication::sendEvent(chart, &press);
        }
        step = (step + 1) % 4;
        const QPointF to = from - QPointF(0, 15 * step);
        QMouseEvent move(QEvent::MouseMove, to, chart->mapToGlobal(to), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(chart, &move);
        dragging = dragging && chart->dragging();
    });
    if (!dragging)
        state.SkipWithError("the press did not start a drag");
}

BENCHMARK(BM_WindowLoad)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WindowSaveToTable)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WindowSaveToFile)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WindowSelectCell)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WindowRangeCommand)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WindowDragStep)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::AddCustomContext("qt_platform", QGuiApplication::platformName().toStdString());

    SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    constexpr double kFrame = 16e-3;
    constexpr double kInteraction = 4e-3;
    reporter.printTargets({
        {"BM_WindowLoad", kFrame, "a whole load"},
        {"BM_WindowSaveToTable", kFrame, "\"Save to table\""},
        {"BM_WindowSaveToFile", kFrame, "\"Save to file\""},
        {"BM_WindowSelectCell", kInteraction, "a cell selection"},
        {"BM_WindowRangeCommand", kInteraction, "a range command"},
        {"BM_WindowDragStep", kInteraction, "one drag step"},
    });
    benchmark::Shutdown();
    return 0;
}
