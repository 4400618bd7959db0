// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#include "bench/benchrun.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFileInfo>
#include <QThread>

#include <algorithm>

namespace {

const QString kRunnerName = QStringLiteral("cdi-bench-sim");

// The driven inputs of a table: jumpers to ground choose it (none: 1, PB0: 2, PB1: 3); the
// debug jumper PB3 stays open.
QString jumperLevels(int table)
{
    const int pb0 = table == 2 ? 0 : 1;
    const int pb1 = table == 3 ? 0 : 1;
    return QStringLiteral("B0=%1 B1=%2 B3=1").arg(pb0).arg(pb1);
}

} // namespace

QString benchRunnerPath()
{
    const QByteArray fromEnvironment = qgetenv("CDI_BENCH_SIM");
    if (!fromEnvironment.isEmpty())
        return QString::fromLocal8Bit(fromEnvironment);
    const QString dir = QCoreApplication::applicationDirPath();
    for (const QString &candidate :
         {dir + QLatin1Char('/') + kRunnerName,
          dir + QStringLiteral("/../libexec/cdi-editor/") + kRunnerName}) {
        if (QFileInfo(candidate).isExecutable())
            return QFileInfo(candidate).canonicalFilePath();
    }
    return {};
}

BenchRun::BenchRun(QObject *parent) : QObject(parent)
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        stop(QStringLiteral("the simulation timed out after %1 s").arg(m_timeLimit / 1000));
    });
}

BenchRun::~BenchRun()
{
    for (auto &worker : m_workers) {
        worker->process->disconnect(this);
        worker->process->kill();
        worker->process->waitForFinished(1000);
    }
}

void BenchRun::start(const QString &hexPath, const BenchFirmware &firmware,
                     const QList<BenchPoint> &points)
{
    cancel();
    m_firmware = firmware;
    m_points = points;
    m_results = QList<PointResult>(points.size());
    m_have = QList<bool>(points.size(), false);
    m_done = 0;
    m_running = true;
    if (m_runnerPath.isEmpty())
        m_runnerPath = benchRunnerPath();
    if (m_runnerPath.isEmpty()) {
        QMetaObject::invokeMethod(
            this,
            [this] {
                stop(QStringLiteral("the simulator runner %1 is not installed").arg(kRunnerName));
            },
            Qt::QueuedConnection);
        return;
    }

    // Shares of about equal simulated time: the longest runs first, each to the process with
    // the least work so far.
    const int count =
        std::max(1, std::min<int>(m_processCount > 0 ? m_processCount : QThread::idealThreadCount(),
                                  (points.size() + 3) / 4));
    QList<double> cycles(points.size(), 0.0);
    for (int i = 0; i < points.size(); ++i) {
        for (const qint64 period : points[i].periods)
            cycles[i] += double(period);
    }
    QList<int> order(points.size());
    for (int i = 0; i < points.size(); ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(),
                     [&](int a, int b) { return cycles[a] > cycles[b]; });
    QList<double> load(count, 0.0);
    QList<QList<int>> shares(count);
    for (const int i : order) {
        const auto least = std::min_element(load.begin(), load.end()) - load.begin();
        shares[least].append(i);
        load[least] += cycles[i];
    }

    const QString sparkPin = firmware.sparkItem == 1 ? QStringLiteral("D6") : QStringLiteral("C0");
    const QByteArray mark = QByteArray::number(markDegrees(firmware), 'f', 3);
    for (const QList<int> &share : shares) {
        QByteArray job;
        job += "hex " + hexPath.toLocal8Bit() + '\n';
        job += "mcu atmega8\nclock " + QByteArray::number(firmware.clockMHz * 1000000) + '\n';
        job +=
            "sensor " + m_sensorPin.toLatin1() + "\nspark " + sparkPin.toLatin1() + "\nrowreg 20\n";
        // A trimming resistor on ADC5 in the middle of the band the firmware reads as no
        // correction (ADCH 0x80..0x8F at a 5 V reference); nothing reads it when it is off.
        job += "adc 5 2578\n";
        for (const int i : share) {
            const BenchPoint &p = points[i];
            job += "point " + QByteArray::number(i) + ' ' + mark + ' ' +
                   jumperLevels(p.table).toLatin1();
            if (p.trimMillivolts >= 0)
                job += " adc=5:" + QByteArray::number(p.trimMillivolts);
            job += " periods";
            for (qsizetype k = 0; k < p.periods.size();) {
                qsizetype same = 1;
                while (k + same < p.periods.size() && p.periods[k + same] == p.periods[k])
                    ++same;
                job += ' ' + QByteArray::number(p.periods[k]);
                if (same > 1)
                    job += 'x' + QByteArray::number(same);
                k += same;
            }
            job += '\n';
        }
        job += "run\n";

        auto worker = std::make_unique<Worker>();
        worker->process = std::make_unique<QProcess>();
        QProcess *process = worker->process.get();
        Worker *w = worker.get();
        process->setProcessChannelMode(QProcess::SeparateChannels);
        process->setStandardErrorFile(QProcess::nullDevice());
        connect(process, &QProcess::readyReadStandardOutput, this, [this, w] { readWorker(*w); });
        connect(
            process, &QProcess::finished, this,
            [this, w](int code, QProcess::ExitStatus status) { workerEnded(*w, code, status); });
        connect(process, &QProcess::errorOccurred, this, [this, w](QProcess::ProcessError error) {
            if (error == QProcess::FailedToStart)
                stop(QStringLiteral("the simulator runner %1 cannot be started: %2")
                         .arg(m_runnerPath, w->process->errorString()));
        });
        m_workers.push_back(std::move(worker));
        process->start(m_runnerPath, {});
        process->write(job);
        process->closeWriteChannel();
    }
    m_timer.start(m_timeLimit);
}

void BenchRun::readWorker(Worker &worker)
{
    worker.pending += worker.process->readAllStandardOutput();
    qsizetype newline;
    while ((newline = worker.pending.indexOf('\n')) >= 0) {
        const QByteArray line = worker.pending.left(newline);
        worker.pending.remove(0, newline + 1);
        const QList<QByteArray> words = line.split(' ');
        if (words.first() == "done") {
            worker.done = true;
        } else if (words.first() == "error") {
            stop(QStringLiteral("the simulator refused the job: ") +
                 QString::fromLocal8Bit(line.mid(6)));
            return;
        } else if (words.first() == "fail" && words.size() >= 2) {
            const int index = words[1].toInt();
            const QString what = QString::fromLocal8Bit(words.mid(2).join(' '));
            if (index >= 0 && index < m_points.size())
                stop(QStringLiteral("the simulation failed at table %1 row %2, %3 rpm: %4")
                         .arg(m_points[index].table)
                         .arg(m_points[index].row)
                         .arg(m_points[index].rpm)
                         .arg(what));
            else
                stop(QStringLiteral("the simulation failed: ") + what);
            return;
        } else if (words.first() == "point" && words.size() >= 3) {
            bool ok = false;
            const int index = words[1].toInt(&ok);
            if (!ok || index < 0 || index >= m_points.size() || m_have[index])
                continue;
            QList<RevolutionSample> revs;
            for (qsizetype i = 3; i < words.size(); ++i) {
                const QList<QByteArray> f = words[i].split(',');
                if (f.size() != 4)
                    continue;
                revs.append({f[0].toInt(), f[1].toLongLong(), f[2].toInt(), f[3].toLongLong()});
            }
            m_results[index] = judgePoint(m_firmware, m_points[index], revs);
            m_have[index] = true;
            ++m_done;
            emit progress(m_done, int(m_points.size()));
        }
    }
}

void BenchRun::workerEnded(Worker &worker, int exitCode, QProcess::ExitStatus status)
{
    if (!m_running)
        return;
    readWorker(worker);
    if (!m_running)
        return;
    worker.exited = true;
    if (status == QProcess::CrashExit || exitCode != 0 || !worker.done) {
        stop(status == QProcess::CrashExit
                 ? QStringLiteral("the simulator crashed on this firmware image")
                 : QStringLiteral("the simulator ended early (exit status %1)").arg(exitCode));
        return;
    }
    if (std::all_of(m_workers.begin(), m_workers.end(), [](const auto &w) { return w->exited; })) {
        if (m_done != m_points.size()) {
            stop(QStringLiteral("the simulator left points unmeasured"));
            return;
        }
        m_running = false;
        m_timer.stop();
        dropWorkers();
        emit finished();
    }
}

void BenchRun::stop(const QString &failure)
{
    if (!m_running)
        return;
    m_running = false;
    m_timer.stop();
    for (auto &worker : m_workers) {
        worker->process->disconnect(this);
        worker->process->kill();
        worker->process->waitForFinished(1000);
    }
    dropWorkers();
    if (!failure.isEmpty())
        emit failed(failure);
}

// This may run inside a process's own signal, where deleting it is not safe: the event loop
// deletes them.
void BenchRun::dropWorkers()
{
    for (auto &worker : m_workers) {
        worker->process->disconnect(this);
        worker->process.release()->deleteLater();
    }
    m_workers.clear();
}

void BenchRun::cancel()
{
    stop(QString());
}

std::optional<QString> runBenchBlocking(BenchRun &run, const QString &hexPath,
                                        const BenchFirmware &firmware,
                                        const QList<BenchPoint> &points)
{
    QEventLoop loop;
    std::optional<QString> failure;
    const auto done = QObject::connect(&run, &BenchRun::finished, &loop, &QEventLoop::quit);
    const auto fail = QObject::connect(&run, &BenchRun::failed, &loop, [&](const QString &m) {
        failure = m;
        loop.quit();
    });
    run.start(hexPath, firmware, points);
    if (run.isRunning())
        loop.exec();
    QObject::disconnect(done);
    QObject::disconnect(fail);
    return failure;
}
