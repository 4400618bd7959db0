// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#include "app/timingcheck.h"

#include "app/mainwindow.h"
#include "app/platform.h"
#include "app/unit1.h"
#include "chart/chartwidget.h"
#include "domain/language.h"
#include "domain/numbers.h"
#include "session/sourcesave.h"
#include "session/texts.h"
#include "session/writer.h"

#include <QAction>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QMap>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

QString angle(const std::optional<double> &value)
{
    return value ? formatDegrees(*value) : QStringLiteral("-");
}

// What kind of point a row shows, in the window's language.
QString kindText(const BenchPoint &point, unsigned char language)
{
    const auto pick = [language](QStringView russian, QStringView english) {
        return inLanguage(language, russian, english);
    };
    switch (point.kind) {
    case PointKind::Middle:
        return pick(u"середина строки", u"middle of row");
    case PointKind::AboveBreakpoint:
        return pick(u"над порогом", u"above breakpoint");
    case PointKind::BelowBreakpoint:
        return pick(u"под порогом", u"below breakpoint");
    case PointKind::Cranking:
        return pick(u"пуск", u"cranking");
    case PointKind::OverRev:
        return pick(u"сверх оборотов", u"over-rev");
    case PointKind::LongRun:
        return pick(u"длинный прогон", u"long run");
    case PointKind::TrimLow:
        return pick(u"резистор в начале", u"trimmer at low end");
    case PointKind::TrimHigh:
        return pick(u"резистор в конце", u"trimmer at high end");
    case PointKind::Ramp:
        return point.rate > 0 ? pick(u"разгон", u"speeding up") : pick(u"сброс", u"slowing down");
    }
    return {};
}

constexpr ReportSection kSections[] = {ReportSection::Steady,          ReportSection::Breakpoints,
                                       ReportSection::StartAndOverRev, ReportSection::Ramps,
                                       ReportSection::LongRuns,        ReportSection::Trimmer};

// The timing light: every judged revolution of the table's ramps as (RPM, measured advance),
// one trace per rate, slower rates first, both directions in one trace.
QList<ChartWidget::Trace> rampTraces(const VerifyReport &report, int table, unsigned char language)
{
    QMap<int, ChartWidget::Trace> byRate;
    for (const PointResult &r : report.points) {
        if (r.point.kind != PointKind::Ramp || r.point.table != table)
            continue;
        const int rate = std::abs(r.point.rate);
        ChartWidget::Trace &trace = byRate[rate];
        trace.name = inLanguage(language, u"%1 об/мин в секунду", u"%1 rpm per second").arg(rate);
        for (const RevolutionDetail &d :
             revolutionDetails(report.firmware, r.point, r.revolutions)) {
            if (!d.settling && d.measured)
                trace.points.append(QPointF(d.rpm, *d.measured));
        }
    }
    return byRate.values();
}

} // namespace

TimingCheckStart timingCheckInput(TForm1 &form)
{
    const unsigned char language = form.state().Language;
    TimingCheckStart start;
    // A copy: the check must not touch the window's document.
    Document document = form.document();
    ChartSeries scratch;
    const SaveOutcome rewritten = saveDocument(document, scratch, SaveRequest{});
    if (rewritten.unreadable) {
        start.message = rewritten.unreadable->message() + QLatin1Char('.');
        return start;
    }
    if (rewritten.message) {
        start.message = message(*rewritten.message, language);
        return start;
    }
    try {
        TimingCheckInput input;
        input.sourceBytes = document.text.toFileBytes();
        input.fileName = form.state().FirmwareName.isEmpty() ? QStringLiteral("CDI.asm")
                                                             : form.state().FirmwareName;
        input.activeTable = strToInt(document.settings.activeTable);
        input.language = language;
        start.input = input;
    } catch (const ConversionError &error) {
        start.message = error.message() + QLatin1Char('.');
    }
    return start;
}

TimingCheckDialog::TimingCheckDialog(TimingCheckInput input, ChartWidget *chart, QWidget *parent)
    : QDialog(parent), m_input(std::move(input)), m_chart(chart), m_status(new QLabel(this)),
      m_progress(new QProgressBar(this)), m_table(new QTableWidget(this)),
      m_verdict(new QLabel(this)), m_buttons(new QDialogButtonBox(QDialogButtonBox::Cancel, this))
{
    setWindowTitle(
        m_input.mode == CheckMode::Full
            ? tr2(u"Полная проверка на модели МК", u"Full timing check on simulated chip")
            : tr2(u"Проверка на модели МК", u"Timing check on simulated chip"));
    m_status->setText(tr2(u"Сборка и моделирование…", u"Assembling and simulating…"));
    m_table->hide();
    m_verdict->hide();
    m_verdict->setWordWrap(true);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_status);
    layout->addWidget(m_progress);
    layout->addWidget(m_table, 1);
    layout->addWidget(m_verdict);
    layout->addWidget(m_buttons);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(&m_run, &BenchRun::progress, this, [this](int done, int total) {
        m_progress->setMaximum(total);
        m_progress->setValue(done);
    });
    connect(&m_run, &BenchRun::finished, this, &TimingCheckDialog::finishRun);
    connect(&m_run, &BenchRun::failed, this, &TimingCheckDialog::failRun);
    resize(900, 560);
}

TimingCheckDialog::~TimingCheckDialog()
{
    m_assembler.disconnect(this);
    m_assembler.kill();
    m_assembler.waitForFinished(1000);
}

bool TimingCheckDialog::isRunning() const
{
    return m_assembler.state() != QProcess::NotRunning || m_run.isRunning();
}

void TimingCheckDialog::reject()
{
    m_assembler.disconnect(this);
    m_assembler.kill();
    m_run.cancel();
    QDialog::reject();
}

QString TimingCheckDialog::tr2(QStringView russian, QStringView english) const
{
    return inLanguage(m_input.language, russian, english);
}

void TimingCheckDialog::start()
{
    QString error;
    const auto firmware = readBenchFirmware(m_input.sourceBytes, &error);
    if (!firmware) {
        failRun(error);
        return;
    }
    m_firmware = *firmware;
    const QString path = m_folder.filePath(m_input.fileName);
    QFile file(path);
    if (!m_folder.isValid() || !file.open(QIODevice::WriteOnly) ||
        file.write(m_input.sourceBytes) != m_input.sourceBytes.size()) {
        failRun(QStringLiteral("cannot write a temporary copy of the source"));
        return;
    }
    file.close();
    m_call = prepareAssembly(path, m_folder.path());
    if (!m_call.error.isEmpty()) {
        failRun(m_call.error);
        return;
    }
    // The assembler runs without blocking the window; Cancel stops it too.
    m_assembler.setWorkingDirectory(m_call.folder);
    m_assembler.setProcessChannelMode(QProcess::MergedChannels);
    connect(&m_assembler, &QProcess::finished, this, [this] {
        const QString failure =
            assemblyFailure(m_call, m_assembler, QString::fromLocal8Bit(m_assembler.readAll()));
        if (!failure.isEmpty()) {
            failRun(failure);
            return;
        }
        // The image's values against the source's, exactly, before any simulation.
        QFile hex(m_call.hexPath);
        if (hex.open(QIODevice::ReadOnly))
            m_report.image = checkImage(m_firmware.calibration, hex.read(1 << 20));
        m_report.firmware = m_firmware;
        m_report.findings = staticChecks(m_firmware, {1, 2, 3});
        m_report.mode = m_input.mode;
        m_run.start(m_call.hexPath, m_firmware, planPoints(m_firmware, {1, 2, 3}, m_input.mode));
    });
    connect(&m_assembler, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            failRun(m_call.program + QStringLiteral(": ") + m_assembler.errorString());
    });
    m_assembler.start(m_call.program, m_call.arguments);
}

void TimingCheckDialog::failRun(const QString &detail)
{
    m_failure = detail;
    m_progress->hide();
    m_status->setText(tr2(u"Проверка не выполнена: ", u"The check could not run: ") + detail);
    m_status->setWordWrap(true);
    m_buttons->setStandardButtons(QDialogButtonBox::Close);
    emit checkEnded();
}

void TimingCheckDialog::finishRun()
{
    m_report.points = m_run.results();
    showReport();
    if (m_chart) {
        QList<QPointF> measured;
        for (const PointResult &r : m_report.points) {
            const ReportSection section = sectionOf(r.point.kind);
            if (r.point.table == m_input.activeTable && r.measured &&
                (section == ReportSection::Steady || section == ReportSection::Breakpoints))
                measured.append(QPointF(r.point.rpm, *r.measured));
        }
        m_chart->setOverlay(measured, tr2(u"УОЗ по таблице", u"Table angle"),
                            tr2(u"Измерено на модели МК", u"Measured on simulated chip"));
        m_chart->setTraces(rampTraces(m_report, m_input.activeTable, m_input.language));
    }
    emit checkEnded();
}

QString TimingCheckDialog::verdict() const
{
    if (m_report.points.isEmpty())
        return {};
    const auto out = std::count_if(m_report.points.begin(), m_report.points.end(),
                                   [](const PointResult &p) { return !p.ok; });
    const auto total = m_report.points.size();
    if (m_report.passed())
        return m_input.language == 0
                   ? QStringLiteral("Все %1 точек в допуске, статические проверки пройдены")
                         .arg(total)
                   : QStringLiteral("All %1 points within tolerance, no static check failed")
                         .arg(total);
    return m_input.language == 0
               ? QStringLiteral("Вне допуска %1 из %2 точек, статических замечаний: %3")
                     .arg(out)
                     .arg(total)
                     .arg(m_report.findings.size())
               : QStringLiteral("%1 of %2 points out of tolerance, static findings: %3")
                     .arg(out)
                     .arg(total)
                     .arg(m_report.findings.size());
}

void TimingCheckDialog::addSectionRow(const QString &title)
{
    const int at = m_table->rowCount();
    m_table->insertRow(at);
    auto *item = new QTableWidgetItem(title);
    QFont bold = item->font();
    bold.setBold(true);
    item->setFont(bold);
    m_table->setItem(at, 0, item);
    m_table->setSpan(at, 0, 1, m_table->columnCount());
}

void TimingCheckDialog::addTextRow(const QString &text, bool failed)
{
    const int at = m_table->rowCount();
    m_table->insertRow(at);
    auto *item = new QTableWidgetItem(text);
    if (failed)
        item->setForeground(QColor(Qt::red));
    m_table->setItem(at, 0, item);
    m_table->setSpan(at, 0, 1, m_table->columnCount());
}

void TimingCheckDialog::showReport()
{
    m_progress->hide();
    m_status->hide();
    const QStringList headers =
        m_input.language == 0
            ? QStringList{QStringLiteral("Таблица"),      QStringLiteral("Строка"),
                          QStringLiteral("Об/мин"),       QStringLiteral("По таблице, °"),
                          QStringLiteral("Измерено, °"),  QStringLiteral("Разница, °"),
                          QStringLiteral("Строка МК"),    QStringLiteral("Допуск, °"),
                          QStringLiteral("Итог"),         QStringLiteral("Запас, °"),
                          QStringLiteral("Импульс, мкс"), QStringLiteral("Точка"),
                          QStringLiteral("Примечание")}
            : QStringList{QStringLiteral("Table"),       QStringLiteral("Row"),
                          QStringLiteral("RPM"),         QStringLiteral("Expected, °"),
                          QStringLiteral("Measured, °"), QStringLiteral("Difference, °"),
                          QStringLiteral("Used row"),    QStringLiteral("Tolerance, °"),
                          QStringLiteral("Result"),      QStringLiteral("Margin, °"),
                          QStringLiteral("Pulse, µs"),   QStringLiteral("Point"),
                          QStringLiteral("Note")};
    m_table->setColumnCount(int(headers.size()));
    m_table->setHorizontalHeaderLabels(headers);
    m_table->setRowCount(0);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->verticalHeader()->hide();
    m_table->verticalHeader()->setDefaultSectionSize(m_table->fontMetrics().height() + 6);
    m_rowOfPoint = QList<int>(m_report.points.size(), -1);

    // The image check first: it holds every code and breakpoint exactly.
    if (m_report.image) {
        addSectionRow(tr2(u"Проверка образа", u"Image check"));
        for (const QString &line : imageCheckLines(*m_report.image, m_input.language))
            addTextRow(line, !m_report.image->matches());
    }
    const QString ok = tr2(u"в допуске", u"ok");
    const QString bad = tr2(u"ВНЕ ДОПУСКА", u"OUT");
    for (const ReportSection section : kSections) {
        int total = 0;
        int out = 0;
        for (const PointResult &r : m_report.points) {
            if (sectionOf(r.point.kind) == section) {
                ++total;
                out += r.ok ? 0 : 1;
            }
        }
        if (total == 0)
            continue;
        addSectionRow(QStringLiteral("%1: %2").arg(
            sectionTitle(section, m_input.language),
            tr2(u"точек %1, вне допуска %2", u"%1 points, %2 out of tolerance")
                .arg(total)
                .arg(out)));
        for (int i = 0; i < m_report.points.size(); ++i) {
            const PointResult &r = m_report.points[i];
            if (sectionOf(r.point.kind) != section)
                continue;
            const QStringList cells = {
                QString::number(r.point.table),
                r.point.kind == PointKind::Ramp ? QString() : QString::number(r.point.row),
                speedText(r.point),
                angle(r.point.expected),
                angle(r.measured),
                angle(r.difference),
                r.usedRow ? QString::number(r.usedRow) : QString(),
                formatDegrees(r.point.tolerance),
                r.ok ? ok : bad,
                angle(r.margin),
                r.pulseMin ? QString::number(*r.pulseMin, 'f', 1) : QStringLiteral("-"),
                kindText(r.point, m_input.language),
                pointNote(r, m_input.language)};
            const int at = m_table->rowCount();
            m_table->insertRow(at);
            m_rowOfPoint[i] = at;
            for (int c = 0; c < cells.size(); ++c) {
                auto *item = new QTableWidgetItem(cells[c]);
                if (!r.ok)
                    item->setForeground(QColor(Qt::red));
                m_table->setItem(at, c, item);
            }
        }
        if (section == ReportSection::StartAndOverRev) {
            for (const int table : {1, 2, 3}) {
                if (const QString stop = sparkStopText(m_report, table, m_input.language);
                    !stop.isEmpty())
                    addTextRow(stop, false);
            }
        }
    }
    if (!m_report.findings.isEmpty()) {
        addSectionRow(tr2(u"Статические проверки", u"Static checks"));
        for (const StaticFinding &f : m_report.findings)
            addTextRow((f.table
                            ? QStringLiteral("%1 %2, %3 %4: ")
                                  .arg(tr2(u"таблица", u"table"))
                                  .arg(f.table)
                                  .arg(tr2(u"строка", u"row"))
                                  .arg(f.row)
                            : QStringLiteral("%1 %2: ").arg(tr2(u"строка", u"row")).arg(f.row)) +
                           f.text(m_input.language),
                       true);
    }
    m_table->resizeColumnsToContents();
    m_table->show();
    QStringList lines;
    const QString clock = m_report.clockNote(m_input.language);
    if (!clock.isEmpty())
        lines << clock.toHtmlEscaped();
    lines << QStringLiteral("<b>%1</b>").arg(verdict().toHtmlEscaped());
    m_verdict->setText(lines.join(QStringLiteral("<br>")));
    m_verdict->setStyleSheet(m_report.passed() ? QString() : QStringLiteral("color: red"));
    m_verdict->show();
    m_buttons->setStandardButtons(QDialogButtonBox::Close);
}

TimingCheckDialog *startTimingCheck(MainWindow &window, Platform &platform, CheckMode mode)
{
    TForm1 &form = window.form();
    TimingCheckStart start = timingCheckInput(form);
    if (!start.input) {
        platform.showWarning(&window, start.message);
        return nullptr;
    }
    start.input->mode = mode;
    ChartWidget *chart = form.Chart1;
    // Measured points belong to the table as it was checked; an edit makes them stale.
    QObject::connect(&form.grid(), &GridModel::dataChanged, chart, &ChartWidget::clearOverlay,
                     Qt::UniqueConnection);
    auto *dialog = new TimingCheckDialog(*start.input, chart, &window);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(Qt::WindowModal);
    dialog->show();
    dialog->start();
    return dialog;
}

void addTimingCheckCommands(MainWindow &window, Platform &platform)
{
    QObject::connect(
        window.addCommand(window.toolsMenu(), u"Проверить на &модели МК",
                          u"Check timing on &simulated chip", QKeySequence(Qt::CTRL | Qt::Key_T)),
        &QAction::triggered, &window, [&window, &platform] { startTimingCheck(window, platform); });
    QObject::connect(window.addCommand(window.toolsMenu(), u"По&лная проверка на модели МК",
                                       u"&Full timing check",
                                       QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_T)),
                     &QAction::triggered, &window,
                     [&window, &platform] { startTimingCheck(window, platform, CheckMode::Full); });

    // The second chart view: the ramps' measured advance over the table's steps.
    ChartWidget *chart = window.form().Chart1;
    QAction *light = window.viewMenu()->addAction(QString());
    light->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_L));
    light->setCheckable(true);
    light->setEnabled(false);
    window.translate(light, u"&Стробоскоп: УОЗ при разгоне",
                     u"&Timing light: advance while revving",
                     u"Измеренный на модели МК угол каждого оборота при разгоне и сбросе "
                     u"оборотов поверх ступеней таблицы (после полной проверки)",
                     u"The advance measured on the simulated chip in every revolution of the "
                     u"ramps, over the table's steps (after a full timing check)");
    QObject::connect(light, &QAction::toggled, chart, &ChartWidget::setTraceView);
    QObject::connect(chart, &ChartWidget::tracesChanged, light, [&window, chart, light] {
        const bool have = !chart->traces().isEmpty();
        light->setEnabled(have);
        if (!have)
            light->setChecked(false);
        chart->setTraceView(light->isChecked());
        if (have)
            window.showNote(u"Разгоны на графике: Вид → Стробоскоп (Ctrl+Shift+L)",
                            u"Ramps on the chart: View → Timing light (Ctrl+Shift+L)");
    });
}
