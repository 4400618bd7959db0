// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#pragma once

#include "app/platform.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <optional>

// One message box as the window asked for it.
struct ShownBox
{
    enum Kind
    {
        Warning,
        Error,
        Question,
    };
    Kind kind;
    QString text;

    bool operator==(const ShownBox &) const = default;
};

// The desktop as a recorder: every box, question, document and command is kept in the order
// asked; the file dialogs and the questions answer from queues (a path, or nothing for Cancel;
// the index of an answer). A dialog or question asked for with an empty queue is cancelled and
// counted, so a test can see that it was not expected.
class FakePlatform final : public Platform
{
public:
    QList<ShownBox> boxes;
    QList<std::optional<QString>> dialogAnswers;
    QList<OpenDialogSettings> dialogsShown;
    int unexpectedDialogs = 0;
    QStringList documentsOpened;
    QList<int> topicsOpened; // the page asked for with each document
    QList<DetachedCommand> commandsStarted;
    bool startSucceeds = true;
    QStringList missingPrograms; // every other program counts as installed
    QList<bool> answers;         // to the questions, in order
    // The folder the program runs from: empty unless a test puts files there.
    QTemporaryDir programDir;
    QList<Question> questions;
    QList<int> questionAnswers;
    int unexpectedQuestions = 0;
    QList<std::optional<QString>> saveDialogAnswers;
    QList<OpenDialogSettings> saveDialogsShown;

    void answerDialog(const QString &path) { dialogAnswers.append(path); }
    void cancelDialog() { dialogAnswers.append(std::nullopt); }

    // The boxes shown since the last call, and forget them.
    QList<ShownBox> takeBoxes()
    {
        QList<ShownBox> shown;
        shown.swap(boxes);
        return shown;
    }

    void showWarning(QWidget *, const QString &text) override
    {
        boxes.append({ShownBox::Warning, text});
    }
    void showError(QWidget *, const QString &text) override
    {
        boxes.append({ShownBox::Error, text});
    }
    std::optional<QString> chooseFileToOpen(QWidget *, const OpenDialogSettings &dialog) override
    {
        dialogsShown.append(dialog);
        if (dialogAnswers.isEmpty()) {
            ++unexpectedDialogs;
            return std::nullopt;
        }
        return dialogAnswers.takeFirst();
    }
    bool openDocument(const QString &path, int topic = 0) override
    {
        documentsOpened.append(path);
        topicsOpened.append(topic);
        return true;
    }
    QString programFolder() const override { return programDir.path(); }
    bool startDetached(const DetachedCommand &command) override
    {
        commandsStarted.append(command);
        return startSucceeds;
    }
    bool isInstalled(const QString &program) const override
    {
        return !missingPrograms.contains(program);
    }
    // Each question is recorded as a box of its own kind, with its two answers after the text,
    // and answered from the queue; an empty queue answers no.
    bool ask(QWidget *, const QString &text, const QString &acceptText,
             const QString &rejectText) override
    {
        boxes.append(
            {ShownBox::Question, text + QStringLiteral(" [%1|%2]").arg(acceptText, rejectText)});
        return !answers.isEmpty() && answers.takeFirst();
    }
    int choose(QWidget *, const Question &question) override
    {
        questions.append(question);
        if (questionAnswers.isEmpty()) {
            ++unexpectedQuestions;
            return question.escapeAnswer;
        }
        return questionAnswers.takeFirst();
    }
    std::optional<QString> chooseFileToSave(QWidget *, const OpenDialogSettings &dialog) override
    {
        saveDialogsShown.append(dialog);
        if (saveDialogAnswers.isEmpty()) {
            ++unexpectedDialogs;
            return std::nullopt;
        }
        return saveDialogAnswers.takeFirst();
    }
};

inline char *toString(const ShownBox &box)
{
    const QString kind = box.kind == ShownBox::Warning ? QStringLiteral("warning")
                         : box.kind == ShownBox::Error ? QStringLiteral("error")
                                                       : QStringLiteral("question");
    return qstrdup(QStringLiteral("%1 \"%2\"").arg(kind, box.text).toUtf8().constData());
}
