// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#include "flash/chipsession.h"

#include "domain/language.h"

#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTimer>

namespace {

// avrdude repeats this for every packet it waits for in vain; after a few the programmer is
// taken for gone rather than slow.
constexpr int kNotRespondingLimit = 3;

QStringList baseArguments(const ProgrammerChoice &choice)
{
    QStringList arguments = {QStringLiteral("-p"), QStringLiteral("m8"), QStringLiteral("-c"),
                             choice.programmer.isEmpty() ? ProgrammerChoice().programmer
                                                         : choice.programmer};
    if (!choice.port.isEmpty())
        arguments << QStringLiteral("-P") << choice.port;
    return arguments;
}

// "-U flash:<op>:<path>:i": the path absolute, so that it never reads as "-" (standard input or
// output) or an option; ":i" names the format, so avrdude takes the name up to it, colons and all.
QStringList memoryOperation(QChar op, const QString &path)
{
    return {QStringLiteral("-U"),
            QStringLiteral("flash:%1:%2:i").arg(op, QFileInfo(path).absoluteFilePath())};
}

QString linesMatching(const QString &report, const QRegularExpression &pattern)
{
    QStringList found;
    const QStringList lines = report.split(QLatin1Char('\n'));
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (!pattern.match(lines[i]).hasMatch())
            continue;
        found << lines[i].trimmed();
        // avrdude puts the detail of a mismatch or of a signature on the lines after it.
        while (i + 1 < lines.size() && lines[i + 1].startsWith(QLatin1Char(' ')) &&
               !lines[i + 1].trimmed().isEmpty())
            found << lines[++i].trimmed();
    }
    found.removeDuplicates();
    return found.join(QLatin1Char('\n'));
}

void judge(AvrdudeRun &run)
{
    static const QRegularExpression signature(
        QStringLiteral(R"(device signature = 0x([0-9a-fA-F]{6}))"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch read = signature.match(run.report);
    if (read.hasMatch()) {
        const QString hex = read.captured(1).toUpper();
        run.signature = QStringLiteral("%1 %2 %3").arg(hex.mid(0, 2), hex.mid(2, 2), hex.mid(4, 2));
    }
    if (run.outcome != AvrdudeRun::Done)
        return;
    static const QRegularExpression wrongSignature(
        QStringLiteral(R"(expected signature|invalid device signature)"),
        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression verify(QStringLiteral(R"(verification (error|mismatch))"),
                                           QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression failure(QStringLiteral(R"(error|not responding|not in sync)"),
                                            QRegularExpression::CaseInsensitiveOption);
    if (wrongSignature.match(run.report).hasMatch()) {
        run.outcome = AvrdudeRun::WrongSignature;
        run.finding = linesMatching(run.report, wrongSignature);
    } else if (verify.match(run.report).hasMatch()) {
        // avrdude 7 ends with status 0 after a mismatch it reports: the report decides.
        run.outcome = AvrdudeRun::VerifyFailed;
        static const QRegularExpression detail(QStringLiteral(R"(verification|mismatch|!=)"),
                                               QRegularExpression::CaseInsensitiveOption);
        run.finding = linesMatching(run.report, detail);
    } else if (run.exitCode != 0) {
        run.outcome = AvrdudeRun::Failed;
        run.finding = linesMatching(run.report, failure);
    }
}

AvrdudeRun::Reached reachedIn(const QString &report)
{
    if (report.contains(QStringLiteral("bytes of flash verified")))
        return AvrdudeRun::Verified;
    if (report.contains(QStringLiteral("bytes of flash written")))
        return AvrdudeRun::Written;
    if (report.contains(QStringLiteral("erasing chip")))
        return AvrdudeRun::Erased;
    return AvrdudeRun::NothingWritten;
}

// The run in a local event loop, for the command line.
AvrdudeRun runAvrdude(const QStringList &arguments, const AvrdudeListener &listener, int timeoutMs)
{
    AvrdudeJob job;
    QEventLoop loop;
    if (listener)
        QObject::connect(&job, &AvrdudeJob::output, listener);
    QObject::connect(&job, &AvrdudeJob::finished, &loop, &QEventLoop::quit);
    job.start(arguments, timeoutMs);
    if (job.isRunning())
        loop.exec();
    return job.run();
}

} // namespace

AvrdudeJob::AvrdudeJob(QObject *parent) : QObject(parent)
{
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    connect(&m_process, &QProcess::readyRead, this, &AvrdudeJob::take);
    connect(&m_process, &QProcess::finished, this, &AvrdudeJob::end);
    connect(&m_process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart || !m_running)
            return;
        m_run.outcome = AvrdudeRun::NotStarted;
        m_run.finding = m_process.errorString();
        m_running = false;
        emit finished();
    });
}

AvrdudeJob::~AvrdudeJob()
{
    m_process.disconnect(this);
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}

void AvrdudeJob::start(const QStringList &arguments, int timeoutMs)
{
    m_run = AvrdudeRun();
    m_run.timeoutMs = timeoutMs;
    m_stoppedAs.reset();
    m_running = true;
    m_clock.start();
    // Checked while avrdude prints nothing, too.
    auto *watch = new QTimer(this);
    watch->setInterval(100);
    connect(watch, &QTimer::timeout, this, [this, watch] {
        if (!m_running) {
            watch->deleteLater();
            return;
        }
        if (m_clock.elapsed() > m_run.timeoutMs)
            stop(AvrdudeRun::TimedOut);
    });
    watch->start();
    m_process.start(QStringLiteral("avrdude"), arguments, QIODevice::ReadOnly);
}

void AvrdudeJob::take()
{
    const QString text = QString::fromLocal8Bit(m_process.readAll());
    if (text.isEmpty())
        return;
    m_run.report += text;
    emit output(text);
    if (m_running && !m_stoppedAs &&
        m_run.report.count(QStringLiteral("not responding")) >= kNotRespondingLimit)
        stop(AvrdudeRun::NotResponding);
}

void AvrdudeJob::cancel()
{
    if (m_running && !m_stoppedAs)
        stop(AvrdudeRun::Cancelled);
}

// Stops avrdude and waits for it: finished() has been emitted on return.
void AvrdudeJob::stop(AvrdudeRun::Outcome outcome)
{
    m_stoppedAs = outcome;
    m_process.terminate();
    if (!m_process.waitForFinished(2000)) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
    if (m_running)
        end();
}

void AvrdudeJob::end()
{
    if (!m_running)
        return;
    take();
    m_running = false;
    m_run.reached = reachedIn(m_run.report);
    if (m_stoppedAs) {
        m_run.outcome = *m_stoppedAs;
        static const QRegularExpression silence(QStringLiteral(R"(not responding|timeout)"),
                                                QRegularExpression::CaseInsensitiveOption);
        if (m_run.outcome != AvrdudeRun::Cancelled)
            m_run.finding = linesMatching(m_run.report, silence);
    } else {
        m_run.exitCode = m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1;
        m_run.outcome = AvrdudeRun::Done;
    }
    judge(m_run);
    emit finished();
}

QStringList readChipArguments(const ProgrammerChoice &choice, const QString &hexPath)
{
    return baseArguments(choice) + memoryOperation(QLatin1Char('r'), hexPath);
}

QStringList writeChipArguments(const ProgrammerChoice &choice, const QString &hexPath,
                               const QString &readBackPath)
{
    return baseArguments(choice) + memoryOperation(QLatin1Char('w'), hexPath) +
           memoryOperation(QLatin1Char('r'), readBackPath);
}

QString unsafeArgument(const ProgrammerChoice &choice)
{
    for (const QString &value : {choice.programmer, choice.port}) {
        if (value.startsWith(QLatin1Char('-')))
            return value;
    }
    return {};
}

AvrdudeRun readChip(const ProgrammerChoice &choice, const QString &hexPath,
                    const AvrdudeListener &listener, int timeoutMs)
{
    return runAvrdude(readChipArguments(choice, hexPath), listener, timeoutMs);
}

AvrdudeRun writeChip(const ProgrammerChoice &choice, const QString &hexPath,
                     const QString &readBackPath, const AvrdudeListener &listener, int timeoutMs)
{
    return runAvrdude(writeChipArguments(choice, hexPath, readBackPath), listener, timeoutMs);
}

QString chipCopyPath(const QString &besidePath, const QDateTime &when)
{
    const QFileInfo beside(besidePath);
    const QString stem = beside.completeBaseName() + QStringLiteral("-chip-") +
                         when.toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString path = beside.dir().filePath(stem + QStringLiteral(".hex"));
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = beside.dir().filePath(stem + QStringLiteral("-%1.hex").arg(n));
    return path;
}

QString runFailureText(const AvrdudeRun &run, unsigned char language)
{
    QString text;
    switch (run.outcome) {
    case AvrdudeRun::Done:
        return {};
    case AvrdudeRun::NotStarted:
        text = inLanguage(language, u"Программа avrdude не запустилась.",
                          u"avrdude could not be started.");
        break;
    case AvrdudeRun::Failed:
        text = inLanguage(language, u"avrdude завершился с кодом %1.",
                          u"avrdude ended with exit status %1.")
                   .arg(run.exitCode);
        break;
    case AvrdudeRun::WrongSignature:
        text = inLanguage(language,
                          u"Это не ATmega8: сигнатура МК %1 (у ATmega8 1E 93 07). В МК ничего не "
                          u"записано.",
                          u"This is no ATmega8: the chip's signature is %1 (an ATmega8's is "
                          u"1E 93 07). Nothing was written to it.")
                   .arg(run.signature.isEmpty() ? QStringLiteral("?") : run.signature);
        break;
    case AvrdudeRun::VerifyFailed:
        text = inLanguage(language,
                          u"ОШИБКА ПРОВЕРКИ: МК содержит не то, что записано. Прошейте снова или "
                          u"проверьте МК и программатор.",
                          u"VERIFY FAILED: the chip does not hold what was written. Program it "
                          u"again or check the chip and the programmer.");
        break;
    case AvrdudeRun::NotResponding:
        text = inLanguage(language,
                          u"Программатор перестал отвечать; avrdude остановлен. Если шла запись, "
                          u"МК мог остаться прошитым не полностью: прошейте его снова.",
                          u"The programmer stopped answering; avrdude was stopped. If it was "
                          u"writing, the chip may be written only in part: program it again.");
        break;
    case AvrdudeRun::TimedOut:
        text = inLanguage(language,
                          u"avrdude не закончил работу за %1 с и остановлен. Запись могла "
                          u"остаться неполной.",
                          u"avrdude did not finish within %1 s and was stopped. A write may be "
                          u"incomplete.")
                   .arg(run.timeoutMs / 1000);
        break;
    case AvrdudeRun::Cancelled:
        switch (run.reached) {
        case AvrdudeRun::NothingWritten:
            text = inLanguage(language, u"Отменено: avrdude остановлен, в МК ничего не записано.",
                              u"Cancelled: avrdude was stopped, nothing was written to the chip.");
            break;
        case AvrdudeRun::Erased:
            text = inLanguage(language,
                              u"Отменено во время записи: МК уже стёрт и прошит не полностью. "
                              u"Прошейте его снова, прежде чем ставить на двигатель.",
                              u"Cancelled while writing: the chip was already erased and is "
                              u"written only in part. Program it again before it goes back on "
                              u"the engine.");
            break;
        case AvrdudeRun::Written:
            text = inLanguage(language,
                              u"Отменено во время проверки: прошивка записана в МК, но не "
                              u"проверена. Прошейте его снова.",
                              u"Cancelled while verifying: the firmware was written to the chip "
                              u"but not verified. Program it again.");
            break;
        case AvrdudeRun::Verified:
            text = inLanguage(language,
                              u"Отменено после записи: прошивка записана и проверена avrdude, "
                              u"чтение МК обратно остановлено.",
                              u"Cancelled after the write: avrdude wrote and verified the "
                              u"firmware; reading the chip back was stopped.");
            break;
        }
        break;
    }
    if (!run.finding.isEmpty())
        text += QLatin1Char('\n') + run.finding;
    return text;
}
