// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#include "app/platform.h"

#include "app/compileconsole.h"
#include "format/assembler.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QUrl>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#include <shellapi.h>
#endif

namespace {

// "asm|*asm" (a description and its pattern) as Qt writes a filter: "asm (*asm)".
QString qtFilter(const QString &filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList entries;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
        entries << QStringLiteral("%1 (%2)").arg(parts[i], parts[i + 1]);
    return entries.join(QStringLiteral(";;"));
}

void showBox(QWidget *owner, QMessageBox::Icon icon, const QString &text)
{
    QMessageBox box(icon, QApplication::applicationDisplayName(), text, QMessageBox::Ok, owner);
    box.exec();
}

std::optional<QString> runFileDialog(QFileDialog &fileDialog, const OpenDialogSettings &dialog)
{
    fileDialog.setNameFilter(qtFilter(dialog.filter));
    if (!dialog.title.isEmpty())
        fileDialog.setWindowTitle(dialog.title);
    // Qt's own dialog, so that it behaves the same on every desktop and can be driven by keys.
    fileDialog.setOption(QFileDialog::DontUseNativeDialog);
    if (!dialog.directory.isEmpty())
        fileDialog.setDirectory(dialog.directory);
    fileDialog.selectFile(dialog.fileName);
    if (fileDialog.exec() != QDialog::Accepted || fileDialog.selectedFiles().isEmpty())
        return std::nullopt;
    return fileDialog.selectedFiles().constFirst();
}

#ifdef Q_OS_WIN
// Starts a program or opens a document through the shell, as Explorer does: a console program gets
// a console window of its own (QProcess gives none to a child of a program without one).
bool shellExecute(const QString &file, const QString &parameters, const QString &folder)
{
    const std::wstring fileText = QDir::toNativeSeparators(file).toStdWString();
    const std::wstring parameterText = parameters.toStdWString();
    const std::wstring folderText = QDir::toNativeSeparators(folder).toStdWString();
    SHELLEXECUTEINFOW info = {};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
    info.lpVerb = L"open";
    info.lpFile = fileText.c_str();
    info.lpParameters = parameters.isEmpty() ? nullptr : parameterText.c_str();
    info.lpDirectory = folder.isEmpty() ? nullptr : folderText.c_str();
    info.nShow = SW_SHOWNORMAL;
    return ShellExecuteExW(&info) != FALSE;
}

// One argument as the C runtime splits a command line: quoted when it has blanks or quotes.
QString quotedArgument(const QString &argument)
{
    if (!argument.isEmpty() && !argument.contains(QRegularExpression(QStringLiteral("[\\s\"]"))))
        return argument;
    QString quoted = QStringLiteral("\"");
    qsizetype backslashes = 0;
    for (const QChar c : argument) {
        if (c == QLatin1Char('\\')) {
            ++backslashes;
            continue;
        }
        quoted +=
            QString(c == QLatin1Char('"') ? 2 * backslashes + 1 : backslashes, QLatin1Char('\\'));
        backslashes = 0;
        quoted += c;
    }
    quoted += QString(2 * backslashes, QLatin1Char('\\'));
    return quoted + QLatin1Char('"');
}
#endif

} // namespace

void QtPlatform::showWarning(QWidget *owner, const QString &text)
{
    showBox(owner, QMessageBox::Warning, text);
}

void QtPlatform::showError(QWidget *owner, const QString &text)
{
    showBox(owner, QMessageBox::Critical, text);
}

std::optional<QString> QtPlatform::chooseFileToOpen(QWidget *owner,
                                                    const OpenDialogSettings &dialog)
{
    QFileDialog fileDialog(owner);
    fileDialog.setAcceptMode(QFileDialog::AcceptOpen);
    // The dialog does not insist that the file exists; the load reports a missing one.
    fileDialog.setFileMode(QFileDialog::AnyFile);
    return runFileDialog(fileDialog, dialog);
}

std::optional<QString> QtPlatform::chooseFileToSave(QWidget *owner,
                                                    const OpenDialogSettings &dialog)
{
    QFileDialog fileDialog(owner);
    fileDialog.setAcceptMode(QFileDialog::AcceptSave);
    fileDialog.setFileMode(QFileDialog::AnyFile);
    return runFileDialog(fileDialog, dialog);
}

int QtPlatform::choose(QWidget *owner, const Question &question)
{
    QMessageBox box(QMessageBox::Question, QApplication::applicationDisplayName(), question.text,
                    QMessageBox::NoButton, owner);
    QList<QAbstractButton *> buttons;
    for (qsizetype i = 0; i < question.answers.size(); ++i) {
        const QMessageBox::ButtonRole role = i == question.escapeAnswer ? QMessageBox::RejectRole
                                             : i == 0                   ? QMessageBox::AcceptRole
                                                                        : QMessageBox::ActionRole;
        buttons.append(box.addButton(question.answers[i], role));
    }
    if (!buttons.isEmpty()) {
        box.setDefaultButton(
            qobject_cast<QPushButton *>(buttons.value(question.defaultAnswer, buttons.first())));
        box.setEscapeButton(buttons.value(question.escapeAnswer));
    }
    box.exec();
    const qsizetype chosen = buttons.indexOf(box.clickedButton());
    return chosen < 0 ? question.escapeAnswer : int(chosen);
}

bool QtPlatform::openDocument(const QString &path, int topic)
{
#ifdef Q_OS_WIN
    // The system's help viewer, at the page the topic names.
    if (path.endsWith(QLatin1String(".chm"), Qt::CaseInsensitive) && topic != 0)
        return shellExecute(QStringLiteral("hh.exe"),
                            QStringLiteral("-mapid %1 %2")
                                .arg(topic)
                                .arg(quotedArgument(QDir::toNativeSeparators(path))),
                            {});
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
#else
    const bool help = path.endsWith(QLatin1String(".chm"), Qt::CaseInsensitive);
    // The desktop's handler cannot be told a page: a topic goes to the viewer that takes one.
    if (help && topic != 0 && !QStandardPaths::findExecutable(QStringLiteral("xchm")).isEmpty() &&
        QProcess::startDetached(QStringLiteral("xchm"),
                                {QStringLiteral("-c"), QString::number(topic), path}))
        return true;
    if (QDesktopServices::openUrl(QUrl::fromLocalFile(path)))
        return true;
    // A desktop without a handler for the file type: the help viewer the set-up installs.
    return help && QProcess::startDetached(QStringLiteral("xchm"), {path});
#endif
}

QString QtPlatform::programFolder() const
{
    return QCoreApplication::applicationDirPath();
}

bool QtPlatform::startDetached(const DetachedCommand &command)
{
#ifdef Q_OS_WIN
    // cmd.exe parses its command line itself: its arguments are passed as they are written.
    const bool console =
        command.program.compare(QLatin1String("cmd.exe"), Qt::CaseInsensitive) == 0;
    QStringList arguments;
    for (const QString &argument : command.arguments)
        arguments << (console ? argument : quotedArgument(argument));
    return shellExecute(command.program, arguments.join(QLatin1Char(' ')),
                        command.workingDirectory);
#else
    return QProcess::startDetached(command.program, command.arguments, command.workingDirectory);
#endif
}

bool QtPlatform::isInstalled(const QString &program) const
{
    return isOnSearchPath(program);
}

bool QtPlatform::ask(QWidget *owner, const QString &text, const QString &acceptText,
                     const QString &rejectText)
{
    QMessageBox box(QMessageBox::Warning, QApplication::applicationDisplayName(), text,
                    QMessageBox::NoButton, owner);
    QPushButton *accept = box.addButton(acceptText, QMessageBox::AcceptRole);
    QPushButton *reject = box.addButton(rejectText, QMessageBox::RejectRole);
    box.setDefaultButton(reject);
    box.setEscapeButton(reject);
    box.exec();
    return box.clickedButton() == accept;
}

std::optional<DetachedCommand> Platform::assemblerConsole(const QString &firmwarePath,
                                                          const ConsoleReport &report) const
{
    return compileConsole(firmwarePath, report,
                          [this](const QString &name) { return isInstalled(name); });
}

bool Platform::hasConsole() const
{
    return terminalProgram([this](const QString &name) { return isInstalled(name); }).has_value();
}

#ifdef Q_OS_WIN
// cmd.exe /k runs the assembler in the file's folder and keeps the console open for its report.
// The vendor's avrasm2 when it is on the search path, else the avra.exe that comes with the
// program (with its definitions files in include\ beside it), else an avra on the search path.
// The file name is quoted, so that a name with blanks arrives whole. The console reports
// nothing back.
std::optional<DetachedCommand> QtPlatform::assemblerConsole(const QString &firmwarePath,
                                                            const ConsoleReport &) const
{
    const QFileInfo source(firmwarePath);
    QString name = source.fileName();
    if (firmwarePath.isEmpty() || name.isEmpty())
        return std::nullopt;
    if (name.startsWith(QLatin1Char('-')))
        name.prepend(QStringLiteral(".\\"));
    const QString quotedName = QLatin1Char('"') + name + QLatin1Char('"');

    const QDir program(programFolder());
    const QString bundled = program.filePath(QStringLiteral("avra.exe"));
    QString line;
    if (isInstalled(QStringLiteral("avrasm2"))) {
        line = QStringLiteral("avrasm2 -fI ") + quotedName;
    } else if (QFileInfo(bundled).isFile()) {
        line = QStringLiteral("\"%1\" -I \"%2\" %3")
                   .arg(QDir::toNativeSeparators(bundled),
                        QDir::toNativeSeparators(program.filePath(QStringLiteral("include"))),
                        quotedName);
    } else if (isInstalled(QStringLiteral("avra"))) {
        line = QStringLiteral("avra ") + quotedName;
    } else {
        line = QStringLiteral("avrasm2 -fI ") + quotedName; // the console says it is missing
    }
    DetachedCommand command;
    command.program = QStringLiteral("cmd.exe");
    // /s: the outer quotes are removed as they are, whatever the line holds.
    command.arguments = {QStringLiteral("/s"), QStringLiteral("/k"),
                         QLatin1Char('"') + line + QLatin1Char('"')};
    command.workingDirectory = QDir::toNativeSeparators(source.absolutePath());
    return command;
}
#endif
