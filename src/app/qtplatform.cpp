// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#include "app/platform.h"

#include "format/assembler.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QUrl>

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
    // Qt's own dialog, so that it behaves the same on every desktop and can be driven by keys.
    fileDialog.setOption(QFileDialog::DontUseNativeDialog);
    if (!dialog.directory.isEmpty())
        fileDialog.setDirectory(dialog.directory);
    fileDialog.selectFile(dialog.fileName);
    if (fileDialog.exec() != QDialog::Accepted || fileDialog.selectedFiles().isEmpty())
        return std::nullopt;
    return fileDialog.selectedFiles().constFirst();
}

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
}

QString QtPlatform::programFolder() const
{
    return QCoreApplication::applicationDirPath();
}

bool QtPlatform::startDetached(const DetachedCommand &command)
{
    return QProcess::startDetached(command.program, command.arguments, command.workingDirectory);
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
