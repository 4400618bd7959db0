// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#pragma once

#include "flash/chipprogrammer.h"

#include <QString>
#include <QStringList>

#include <optional>

class QWidget;

// The file-open dialog's settings: a filter and the name it proposes.
struct OpenDialogSettings
{
    QString filter;    // e.g. "asm|*asm": one entry named "asm" for names ending in "asm"
    QString fileName;  // initial file name
    QString directory; // the folder it first shows; empty for the toolkit's choice
    QString title;     // the dialog's title; empty for the toolkit's
};

// A program started on its own, not waited for.
struct DetachedCommand
{
    QString program;
    QStringList arguments;
    QString workingDirectory;
    QString statusFile; // where it writes its exit status when it ends; empty: nowhere
};

struct ConsoleReport;

// A question with a few answers; the one at `escapeAnswer` is the answer to closing the box.
struct Question
{
    QString text;
    QStringList answers;
    int escapeAnswer = 0;
    int defaultAnswer = 0; // the one Enter chooses
};

// What the window asks of the desktop: modal boxes, the file dialog, opening a document with its
// viewer, starting a program. The program uses Qt's widgets; tests use a recording fake.
class Platform
{
public:
    virtual ~Platform() = default;

    virtual void showWarning(QWidget *owner, const QString &text) = 0;
    virtual void showError(QWidget *owner, const QString &text) = 0;
    // The chosen path, or nothing when the user cancels.
    virtual std::optional<QString> chooseFileToOpen(QWidget *owner,
                                                    const OpenDialogSettings &dialog) = 0;
    // Hands a document to the desktop's viewer; false when that failed. For a help file, `topic`
    // is the context number of the page to show first; 0 shows its default page.
    virtual bool openDocument(const QString &path, int topic = 0) = 0;
    // The folder that holds the program, where its help file is installed.
    virtual QString programFolder() const = 0;
    virtual bool startDetached(const DetachedCommand &command) = 0;
    // A modal question with several answers; the index of the chosen one.
    virtual int choose(QWidget *owner, const Question &question) = 0;
    // The path to save under, or nothing when the user cancels.
    virtual std::optional<QString> chooseFileToSave(QWidget *owner,
                                                    const OpenDialogSettings &dialog) = 0;
    // The programmer dialog, showing `current` first; nothing when the user cancels.
    virtual std::optional<ProgrammerChoice>
    chooseProgrammer(QWidget *owner, const ProgrammerChoice &current, unsigned char language) = 0;
    // Whether a program of that name is on the search path.
    virtual bool isInstalled(const QString &program) const = 0;
    // A question with two answers; true for the first (acceptText), false for the second or
    // when the box is closed.
    virtual bool ask(QWidget *owner, const QString &text, const QString &acceptText,
                     const QString &rejectText) = 0;

    // The console that assembles the source at `firmwarePath` in its folder and stays open for the
    // assembler's report; nothing for an empty path. By default a terminal with a shell script
    // (compileConsole()) that says how it ended and reports back through `report`, with the
    // programs that isInstalled() finds.
    virtual std::optional<DetachedCommand> assemblerConsole(const QString &firmwarePath,
                                                            const ConsoleReport &report) const;
    // Whether the desktop has a console to run it in.
    virtual bool hasConsole() const;
    // Whether "Program chip" works here: avrdude in a terminal of the Unix desktop.
    virtual bool canProgramChip() const { return true; }
};

// The real desktop through Qt.
class QtPlatform final : public Platform
{
public:
    void showWarning(QWidget *owner, const QString &text) override;
    void showError(QWidget *owner, const QString &text) override;
    std::optional<QString> chooseFileToOpen(QWidget *owner,
                                            const OpenDialogSettings &dialog) override;
    bool openDocument(const QString &path, int topic = 0) override;
    QString programFolder() const override;
    bool startDetached(const DetachedCommand &command) override;
    int choose(QWidget *owner, const Question &question) override;
    std::optional<QString> chooseFileToSave(QWidget *owner,
                                            const OpenDialogSettings &dialog) override;
    std::optional<ProgrammerChoice> chooseProgrammer(QWidget *owner,
                                                     const ProgrammerChoice &current,
                                                     unsigned char language) override;
    bool isInstalled(const QString &program) const override;
    bool ask(QWidget *owner, const QString &text, const QString &acceptText,
             const QString &rejectText) override;
#ifdef Q_OS_WIN
    std::optional<DetachedCommand> assemblerConsole(const QString &firmwarePath,
                                                    const ConsoleReport &report) const override;
    bool hasConsole() const override
    {
        return true;
    }
    bool canProgramChip() const override
    {
        return false;
    }
#endif
};
