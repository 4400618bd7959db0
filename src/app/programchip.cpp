// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
// The chip: "Прошить МК" / "Program chip" writes the HEX built beside the loaded source into the
// ATmega8 with avrdude, after checking that the HEX holds the window's tables and keeping a copy
// of what the chip held; "Прочитать МК" / "Read chip" reads the chip into a HEX and compares it
// with the window. A HEX opened with "File" is shown read-only.
#include "app/unit1.h"

#include "app/commandtexts.h"
#include "app/editcommands.h"
#include "bench/imagecheck.h"
#include "chart/chartwidget.h"
#include "domain/language.h"
#include "domain/numbers.h"
#include "flash/chipprogrammer.h"
#include "flash/chipsession.h"
#include "session/chartrefresh.h"
#include "session/imagedocument.h"
#include "session/texts.h"
#include "session/writer.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProgressDialog>
#include <QPushButton>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QTime>

namespace {

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

bool TForm1::refuseOnImage()
{
    if (!document().image)
        return false;
    m_platform.showWarning(this, chipText(ChipText::ImageNotEditable, m_state.Language));
    return true;
}

void TForm1::applyImageMode()
{
    const bool image = document().image;
    for (QWidget *control : std::initializer_list<QWidget *>{Button2, Button5, Button6, ComboBox3,
                                                             ComboBox4, CheckBox1})
        control->setEnabled(!image);
    setWindowTitle(caption(Caption::WindowTitle, m_state.Language) +
                   (image ? chipText(ChipText::ReadOnlyTitle, m_state.Language) : QString()));
}

void TForm1::openImage(const QString &path, const QByteArray &bytes)
{
    // Whatever happens next, this path is an image: nothing is ever saved over it.
    change([](Document &doc) { doc.image = true; });
    const ImageDecode decode = decodeIntelHex(bytes);
    if (!decode.ok()) {
        m_platform.showWarning(this, path + QStringLiteral(":\n") +
                                         decodeFailureText(decode, m_state.Language));
        return;
    }
    try {
        Document image =
            imageDocument(*decode.calibration, path, bytes, document().settings, m_state.Language);
        change([&](Document &doc) { doc = std::move(image); });
        showSource();
        refreshChart(document(), *Series1);
        m_state.FirmwareName = QFileInfo(path).fileName();
        Chart1->setTitle(chartTitle(m_state, document().calibration.trimmerActive));
    } catch (const ConversionError &error) {
        m_platform.showError(this, error.message() + QLatin1Char('.'));
    }
}

// Assembles the loaded source in its folder and waits for it; false after a message.
bool TForm1::assembleNow()
{
    const QFileInfo source(document().FirmwarePath);
    QString name = source.fileName();
    if (name.startsWith(QLatin1Char('-')))
        name.prepend(QStringLiteral("./"));
    const QStringList command = assemblerInvocation(
        name, [this](const QString &program) { return m_platform.isInstalled(program); });
    QProcess assembler;
    assembler.setWorkingDirectory(source.absolutePath());
    assembler.setProcessChannelMode(QProcess::MergedChannels);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    assembler.start(command.first(), command.mid(1));
    const bool finished = assembler.waitForFinished(120000);
    QApplication::restoreOverrideCursor();
    const QString report = QString::fromLocal8Bit(assembler.readAll()).trimmed();
    if (!finished || assembler.exitStatus() != QProcess::NormalExit || assembler.exitCode() != 0) {
        assembler.kill();
        m_platform.showError(this, chipText(ChipText::AssemblerFailed, m_state.Language)
                                       .arg(report.isEmpty() ? assembler.errorString() : report));
        return false;
    }
    return true;
}

// What keeps the HEX from holding the window's tables: the decoder's complaint or the
// differences; empty when it holds them exactly.
QString TForm1::imageProblem(const QString &hexPath) const
{
    const ImageCheck check =
        checkImage(calibrationForWrite(document()).calibration, fileBytes(hexPath));
    if (!check.decode.ok())
        return decodeFailureText(check.decode, m_state.Language);
    if (check.differences.isEmpty())
        return {};
    return inLanguage(m_state.Language, u"отличий: %1", u"%1 differences")
               .arg(check.differences.size()) +
           QLatin1Char('\n') + describeDifferences(check.differences, m_state.Language);
}

AvrdudeRun TForm1::runOnChip(const QStringList &arguments, const QString &detail)
{
    AvrdudeJob job;
    const QString busy = chipText(ChipText::Busy, m_state.Language) +
                         (detail.isEmpty() ? QString() : QLatin1Char('\n') + detail);
    QProgressDialog progress(busy, chipText(ChipText::Cancel, m_state.Language), 0, 0, this);
    progress.setObjectName(QStringLiteral("chipProgress"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setAutoClose(false);
    progress.setAutoReset(false);
    progress.setMinimumDuration(0);
    progress.setMinimumWidth(420);
    // avrdude's last step as the label, and its percentage where it prints one.
    QString pending;
    connect(&job, &AvrdudeJob::output, &progress, [&](const QString &text) {
        static const QRegularExpression step(QStringLiteral(R"(^avrdude: (\S.*)$)"));
        static const QRegularExpression percent(QStringLiteral(R"((\d+)% )"));
        pending += text;
        const QStringList lines = pending.split(QRegularExpression(QStringLiteral("[\r\n]")));
        pending = lines.last();
        for (const QString &line : lines) {
            if (const auto match = step.match(line); match.hasMatch())
                progress.setLabelText(busy + QLatin1Char('\n') + match.captured(1));
            const auto found = percent.globalMatch(line);
            for (auto it = found; it.hasNext();) {
                progress.setMaximum(100);
                progress.setValue(it.next().captured(1).toInt());
            }
        }
    });
    connect(&job, &AvrdudeJob::finished, &progress, &QDialog::accept);
    connect(&progress, &QProgressDialog::canceled, &job, &AvrdudeJob::cancel);
    job.start(arguments);
    if (job.isRunning())
        progress.exec();
    // Closed in any other way: stopped as by Cancel.
    job.cancel();
    return job.run();
}

std::optional<ProgrammerChoice> TForm1::askProgrammer()
{
    QSettings settings;
    const auto choice =
        m_platform.chooseProgrammer(this, loadProgrammerChoice(settings), m_state.Language);
    if (!choice)
        return std::nullopt;
    if (const QString unsafe = unsafeArgument(*choice); !unsafe.isEmpty()) {
        m_platform.showWarning(this, chipText(ChipText::UnsafeValue, m_state.Language).arg(unsafe));
        return std::nullopt;
    }
    saveProgrammerChoice(settings, *choice);
    return choice;
}

void TForm1::ProgramChipClick()
{
    const unsigned char language = m_state.Language;
    const QString source = document().FirmwarePath;
    if (source.isEmpty()) {
        m_platform.showWarning(
            this, inLanguage(language,
                             QStringLiteral(u"Сначала откройте исходник прошивки кнопкой «Файл» "
                                            u"и скомпилируйте его."),
                             QStringLiteral("Open the firmware source with \"File\" and compile "
                                            "it first.")));
        return;
    }
    if (refuseOnImage())
        return;
    if (!m_platform.isInstalled(QStringLiteral("avrdude"))) {
        m_platform.showWarning(this, flashTexts(language).avrdudeMissing);
        return;
    }

    const QString hex = hexPathFor(source);
    const QString hexName = QFileInfo(hex).fileName();
    bool assembleFirst = false;
    // Edits not saved to file are in neither the source on disk nor the HEX.
    if (document().loaded && m_changes.edited()) {
        switch (askCompileUnsaved(m_platform, this, m_state.Language, source)) {
        case CompileAnswer::SaveAndCompile:
            if (!saveToFile())
                return;
            assembleFirst = true;
            break;
        case CompileAnswer::CompileOnDisk:
            break;
        case CompileAnswer::Cancel:
            return;
        }
    }
    const QString compileAndProgram =
        inLanguage(language, QStringLiteral(u"Компилировать и прошить"),
                   QStringLiteral("Compile and program"));
    const QString cancel =
        inLanguage(language, QStringLiteral(u"Отмена"), QStringLiteral("Cancel"));
    // Once it is to be compiled anyway, the HEX on disk needs no question.
    switch (assembleFirst ? HexState::Current : hexState(source, hex)) {
    case HexState::Missing: {
        Question question;
        question.text = inLanguage(language,
                                   QStringLiteral(u"Файла прошивки %1 нет рядом с исходником. "
                                                  u"Скомпилировать исходник и затем прошить МК?"),
                                   QStringLiteral("There is no firmware file %1 beside the "
                                                  "source. Compile the source and then program "
                                                  "the chip?"))
                            .arg(hexName);
        question.answers = {compileAndProgram, cancel};
        question.escapeAnswer = 1;
        if (m_platform.choose(this, question) != 0)
            return;
        assembleFirst = true;
        break;
    }
    case HexState::OlderThanSource: {
        Question question;
        question.text =
            inLanguage(language,
                       QStringLiteral(u"Файл прошивки %1 старше исходника: последние изменения в "
                                      u"него не вошли. Скомпилировать исходник перед прошивкой?"),
                       QStringLiteral("The firmware file %1 is older than the source: the last "
                                      "changes are not in it. Compile the source before "
                                      "programming?"))
                .arg(hexName);
        question.answers = {compileAndProgram,
                            inLanguage(language, QStringLiteral(u"Прошить имеющийся файл"),
                                       QStringLiteral("Program the file as it is")),
                            cancel};
        question.escapeAnswer = 2;
        const int answer = m_platform.choose(this, question);
        if (answer != 0 && answer != 1)
            return;
        assembleFirst = answer == 0;
        break;
    }
    case HexState::Current:
        break;
    }

    // The image to be written against the window: what differs is shown before anything runs.
    if (!assembleFirst) {
        const QString problem = imageProblem(hex);
        if (!problem.isEmpty()) {
            Question question;
            question.text = chipText(ChipText::ImageDiffers, language).arg(hexName, problem);
            question.answers = {chipText(ChipText::SaveCompileProgram, language),
                                chipText(ChipText::ProgramAnyway, language),
                                chipText(ChipText::Cancel, language)};
            question.escapeAnswer = 2;
            question.defaultAnswer = 2;
            const int answer = m_platform.choose(this, question);
            if (answer == 0) {
                if (m_changes.edited() && !saveToFile())
                    return;
                assembleFirst = true;
            } else if (answer != 1) {
                return;
            }
        }
    }
    if (assembleFirst) {
        if (!assembleNow())
            return;
        if (const QString problem = imageProblem(hex); !problem.isEmpty()) {
            m_platform.showError(this, chipText(ChipText::ImageDiffers, language)
                                           .arg(hexName, problem)
                                           .section(QStringLiteral("\n\n"), 0, 0));
            return;
        }
    }

    const auto choice = askProgrammer();
    if (!choice)
        return;

    // A copy of what the chip holds now, beside the source.
    const QString copy = chipCopyPath(source, QDateTime::currentDateTime());
    const AvrdudeRun copied = runOnChip(readChipArguments(*choice, copy));
    if (copied.outcome == AvrdudeRun::Cancelled) {
        QFile::remove(copy);
        noteNotProgrammed([&](unsigned char l) { return runFailureText(copied, l); });
        m_platform.showWarning(this, runFailureText(copied, language));
        return;
    }
    if (copied.outcome == AvrdudeRun::WrongSignature) {
        QFile::remove(copy);
        m_platform.showError(this, runFailureText(copied, language));
        noteNotProgrammed([&](unsigned char l) { return runFailureText(copied, l); });
        return;
    }
    if (!copied.ok()) {
        QFile::remove(copy);
        Question question;
        question.text = chipText(ChipText::NoCopy, language).arg(runFailureText(copied, language));
        question.answers = {chipText(ChipText::ProgramWithoutCopy, language),
                            chipText(ChipText::Cancel, language)};
        question.escapeAnswer = 1;
        question.defaultAnswer = 1;
        if (m_platform.choose(this, question) != 0)
            return;
    }

    // The write with avrdude's verify, then what the chip holds.
    QTemporaryDir scratch;
    const QString back = scratch.filePath(QStringLiteral("chip.hex"));
    // What is written, and that the programmer answered the read before.
    QString detail = windowText(WindowText::ProgramHex, language).arg(hex);
    if (copied.ok() && !copied.signature.isEmpty())
        detail += QLatin1Char('\n') +
                  windowText(WindowText::ProgrammerAnswered, language).arg(copied.signature);
    const AvrdudeRun written = runOnChip(writeChipArguments(*choice, hex, back), detail);
    if (!written.ok())
        noteNotProgrammed([&](unsigned char l) { return runFailureText(written, l); });
    if (written.outcome == AvrdudeRun::Cancelled) {
        m_platform.showWarning(this, runFailureText(written, language));
        return;
    }
    if (!written.ok()) {
        m_platform.showError(this, written.outcome == AvrdudeRun::Failed
                                       ? flashTexts(language).flashFailed + QLatin1Char(' ') +
                                             QString::number(written.exitCode) + QLatin1Char('\n') +
                                             written.finding
                                       : runFailureText(written, language));
        return;
    }
    const QString name = QFileInfo(source).fileName();
    const ImageCheck onChip =
        checkImage(calibrationForWrite(document()).calibration, fileBytes(back));
    const auto bothLanguages = [&](const auto &text) { return std::pair{text(0), text(1)}; };
    const auto copyNote = [&](unsigned char l) {
        return copied.ok() ? chipText(ChipText::CopyKept, l).arg(copy) + QStringLiteral(". ")
                           : QString();
    };
    if (!onChip.decode.ok() || !onChip.differences.isEmpty()) {
        const QString what = onChip.decode.ok()
                                 ? chipText(ChipText::ChipDiffers, language)
                                       .arg(name, describeDifferences(onChip.differences, language))
                                 : chipText(ChipText::ChipUnreadable, language)
                                       .arg(decodeFailureText(onChip.decode, language));
        m_platform.showWarning(this, copyNote(language) + what);
        // Written, but not as the window holds it: said as such, never as a success.
        const QString time = QTime::currentTime().toString(QStringLiteral("HH:mm:ss"));
        const auto note = [&](unsigned char l) {
            const QString text = onChip.decode.ok()
                                     ? chipText(ChipText::ChipDiffers, l).arg(name, QString())
                                     : chipText(ChipText::ChipUnreadable, l)
                                           .arg(decodeFailureText(onChip.decode, l));
            return time + QStringLiteral(": ") + text.section(QLatin1Char('\n'), 0, 0);
        };
        emit chipNote(note(0), note(1));
        return;
    }
    const auto [russian, english] = bothLanguages(
        [&](unsigned char l) { return copyNote(l) + chipText(ChipText::ChipHolds, l).arg(name); });
    emit chipNote(russian, english);
}

void TForm1::noteNotProgrammed(const std::function<QString(unsigned char)> &reason)
{
    const QString time = QTime::currentTime().toString(QStringLiteral("HH:mm:ss"));
    // The first line: the status bar holds one.
    const auto text = [&](unsigned char language) {
        return windowText(WindowText::ChipNotProgrammed, language)
            .arg(time, reason(language).section(QLatin1Char('\n'), 0, 0));
    };
    emit chipNote(text(0), text(1));
}

void TForm1::ReadChipClick()
{
    const unsigned char language = m_state.Language;
    if (!m_platform.isInstalled(QStringLiteral("avrdude"))) {
        m_platform.showWarning(this, flashTexts(language).avrdudeMissing);
        return;
    }
    const auto choice = askProgrammer();
    if (!choice)
        return;
    // Beside the document, or in the folder the open dialog last showed.
    QString beside = document().FirmwarePath;
    if (beside.isEmpty())
        beside = QDir(OpenDialog1.directory.isEmpty() ? QDir::homePath() : OpenDialog1.directory)
                     .filePath(QStringLiteral("CDI.asm"));
    const QString path = chipCopyPath(beside, QDateTime::currentDateTime());
    const AvrdudeRun run = runOnChip(readChipArguments(*choice, path));
    if (!run.ok()) {
        QFile::remove(path);
        if (run.outcome == AvrdudeRun::Cancelled)
            m_platform.showWarning(this, runFailureText(run, language));
        else
            m_platform.showError(this, runFailureText(run, language));
        return;
    }
    emit chipNote(chipText(ChipText::ChipRead, 0).arg(path),
                  chipText(ChipText::ChipRead, 1).arg(path));
    if (!document().FirmwarePath.isEmpty() && !document().anyAngleEmpty()) {
        m_commands->compareWith(path);
        return;
    }
    // Nothing to compare with: the chip's image becomes the document.
    const auto history = qScopeGuard([this] { m_commands->sourceLoaded(); });
    m_changes.setPaused(true);
    const auto loaded = qScopeGuard([this] {
        m_changes.setPaused(false);
        m_changes.clear();
        applyImageMode();
        emit documentStateChanged();
    });
    OpenDialog1.directory = QFileInfo(path).absolutePath();
    change([&](Document &doc) { doc.FirmwarePath = path; });
    openImage(path, fileBytes(path));
}
