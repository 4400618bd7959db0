// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#include "app/timingcheck.h"

#include "app/mainwindow.h"
#include "app/platform.h"
#include "app/unit1.h"
#include "chart/chartwidget.h"
#include "domain/language.h"
#include "domain/numbers.h"
#include "session/savetable.h"
#include "session/texts.h"
#include "session/writer.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

QString angle(const std::optional<double> &value)
{
    return value ? formatDegrees(*value) : QStringLiteral("-");
}

} // namespace

TimingCheckStart timingCheckInput(TForm1 &form)
{
    const unsigned char language = form.state().Language;
    TimingCheckStart start;
    // A copy: the check must not touch the window's document.
    Document document = form.document();
    try {
        ChartSeries scratch;
        if (const auto stop = saveToTable(document, scratch)) {
            start.message = message(*stop, language);
            return start;
        }
        if (const auto stop = rewriteSource(document)) {
            start.message = message(*stop, language);
            return start;
        }
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
    setWindowTitle(tr2(u"Проверка на модели МК", u"Timing check on simulated chip"));
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
    resize(760, 520);
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
        m_run.start(m_call.hexPath, m_firmware, planPoints(m_firmware, {1, 2, 3}));
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

void TimingCheckDialog::showReport()
{
    m_progress->hide();
    m_status->hide();
    const QStringList headers =
        m_input.language == 0
            ? QStringList{QStringLiteral("Таблица"),     QStringLiteral("Строка"),
                          QStringLiteral("Об/мин"),      QStringLiteral("По таблице, °"),
                          QStringLiteral("Измерено, °"), QStringLiteral("Разница, °"),
                          QStringLiteral("Строка МК"),   QStringLiteral("Допуск, °"),
                          QStringLiteral("Итог")}
            : QStringList{QStringLiteral("Table"),       QStringLiteral("Row"),
                          QStringLiteral("RPM"),         QStringLiteral("Expected, °"),
                          QStringLiteral("Measured, °"), QStringLiteral("Difference, °"),
                          QStringLiteral("Used row"),    QStringLiteral("Tolerance, °"),
                          QStringLiteral("Result")};
    m_table->setColumnCount(int(headers.size()));
    m_table->setHorizontalHeaderLabels(headers);
    m_table->setRowCount(int(m_report.points.size()));
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->verticalHeader()->hide();
    const QString ok = tr2(u"в допуске", u"ok");
    const QString bad = tr2(u"ВНЕ ДОПУСКА", u"OUT");
    for (int i = 0; i < m_report.points.size(); ++i) {
        const PointResult &r = m_report.points[i];
        const QStringList cells = {QString::number(r.point.table),
                                   QString::number(r.point.row),
                                   QString::number(r.point.rpm),
                                   angle(r.point.expected),
                                   angle(r.measured),
                                   angle(r.difference),
                                   QString::number(r.usedRow),
                                   formatDegrees(r.point.tolerance),
                                   r.ok ? ok : bad};
        for (int c = 0; c < cells.size(); ++c) {
            auto *item = new QTableWidgetItem(cells[c]);
            if (!r.ok)
                item->setForeground(QColor(Qt::red));
            m_table->setItem(i, c, item);
        }
    }
    m_table->resizeColumnsToContents();
    m_table->show();
    QStringList lines;
    for (const StaticFinding &f : m_report.findings)
        lines << (f.table ? QStringLiteral("%1 %2, %3 %4: ")
                                .arg(tr2(u"таблица", u"table"))
                                .arg(f.table)
                                .arg(tr2(u"строка", u"row"))
                                .arg(f.row)
                          : QStringLiteral("%1 %2: ").arg(tr2(u"строка", u"row")).arg(f.row)) +
                     f.text(m_input.language);
    if (m_report.image && !m_report.image->matches()) {
        for (const QString &line : imageCheckLines(*m_report.image, m_input.language))
            lines << line.toHtmlEscaped();
    }
    lines << QStringLiteral("<b>%1</b>").arg(verdict().toHtmlEscaped());
    m_verdict->setText(lines.join(QStringLiteral("<br>")));
    m_verdict->setStyleSheet(m_report.passed() ? QString() : QStringLiteral("color: red"));
    m_verdict->show();
    m_buttons->setStandardButtons(QDialogButtonBox::Close);
}

TimingCheckDialog *startTimingCheck(MainWindow &window, Platform &platform)
{
    TForm1 &form = window.form();
    const TimingCheckStart start = timingCheckInput(form);
    if (!start.input) {
        platform.showWarning(&window, start.message);
        return nullptr;
    }
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
