// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#pragma once

#include "bench/benchplan.h"

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QProcess>
#include <QTimer>

#include <memory>
#include <vector>

// The simulator runner beside the program (or in the build tree); empty when there is none.
QString benchRunnerPath();

// Runs the points of a plan on the firmware image in runner processes, one per core, without
// blocking: each process simulates its share of the points and reports each as it finishes.
// A process that crashes, fails or outlives the time limit ends the whole run with a message.
class BenchRun : public QObject
{
    Q_OBJECT
public:
    explicit BenchRun(QObject *parent = nullptr);
    ~BenchRun() override;

    void setRunnerPath(const QString &path) { m_runnerPath = path; }
    void setProcessCount(int count) { m_processCount = count; }
    void setTimeLimit(int milliseconds) { m_timeLimit = milliseconds; }
    // The sensor input as port letter and bit, "D2" (INT0) unless set.
    void setSensorPin(const QString &pin) { m_sensorPin = pin; }

    void start(const QString &hexPath, const BenchFirmware &firmware,
               const QList<BenchPoint> &points);
    void cancel();
    bool isRunning() const { return m_running; }

    // In the order of the points given to start().
    const QList<PointResult> &results() const { return m_results; }

signals:
    void progress(int done, int total);
    void finished();
    void failed(const QString &message);

private:
    struct Worker
    {
        std::unique_ptr<QProcess> process;
        QByteArray pending;
        bool done = false;   // said "done"
        bool exited = false; // and ended
    };

    void readWorker(Worker &worker);
    void workerEnded(Worker &worker, int exitCode, QProcess::ExitStatus status);
    void stop(const QString &failure);
    void dropWorkers();

    QString m_runnerPath;
    int m_processCount = 0;
    int m_timeLimit = 120000;
    QString m_sensorPin = QStringLiteral("D2");
    bool m_running = false;
    BenchFirmware m_firmware;
    QList<BenchPoint> m_points;
    QList<PointResult> m_results;
    QList<bool> m_have;
    int m_done = 0;
    std::vector<std::unique_ptr<Worker>> m_workers;
    QTimer m_timer;
};

// Runs the plan to its end in a local event loop; the message on failure.
std::optional<QString> runBenchBlocking(BenchRun &run, const QString &hexPath,
                                        const BenchFirmware &firmware,
                                        const QList<BenchPoint> &points);
