// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
// The window's "Save to file": it asks the save's questions and words its outcome; the save
// itself, with every refusal, is saveDocument().
#include "app/unit1.h"

#include "app/commandtexts.h"
#include "app/editcommands.h"
#include "chart/chartwidget.h"
#include "session/sourcesave.h"
#include "session/texts.h"

#include <QFileInfo>

bool TForm1::saveToFile()
{
    return saveToFileAt(document().FirmwarePath);
}

void TForm1::saveAs()
{
    const QString current = document().FirmwarePath;
    if (current.isEmpty()) {
        warn(MessageId::OpenFileFirst);
        return;
    }
    OpenDialogSettings dialog = OpenDialog1;
    dialog.directory = QFileInfo(current).absolutePath();
    dialog.fileName = QFileInfo(current).fileName();
    const auto chosen = m_platform.chooseFileToSave(this, dialog);
    if (!chosen || !saveToFileAt(*chosen))
        return;
    // From now on the window edits the new file; the one it was loaded from stays as it was.
    change([&](Document &doc) { doc.FirmwarePath = *chosen; });
    m_state.FirmwareName = QFileInfo(*chosen).fileName();
    OpenDialog1.directory = QFileInfo(*chosen).absolutePath();
    Chart1->setTitle(chartTitle(m_state, document().calibration.trimmerActive));
    emit documentStateChanged();
}

bool TForm1::saveToFileAt(const QString &path)
{
    if (refuseOnImage())
        return false;
    // An edit still open stays an undo step; the save itself is none.
    m_commands->checkpoint();
    SaveRequest request;
    request.path = path;
    request.unordered = SaveCheck::Ask;
    // Another file than the one loaded: the save dialog has asked about overwriting it.
    const bool loadedFile = path == document().FirmwarePath;
    if (loadedFile) {
        request.diskChange = SaveCheck::Ask;
        request.readStamp = m_diskStamp;
    }
    SaveOutcome outcome;
    for (;;) {
        outcome = change([&](Document &doc) { return saveDocument(doc, *Series1, request); });
        if (outcome.stop != SaveStop::Question || !ask(outcome))
            break;
        request.answered.append(outcome.question);
    }
    // The text box shows the lines rewritten so far, also when the save stops on an error.
    const bool rewritten =
        outcome.stop != SaveStop::TableStore && outcome.stop != SaveStop::NotLoaded;
    std::optional<MessageId> refused = outcome.message;
    if (outcome.unreadable) {
        if (rewritten)
            showSource();
        showUnreadable(*outcome.unreadable);
    } else {
        if (outcome.stop == SaveStop::Rewrite || outcome.stop == SaveStop::ReadBack) {
            warnAboutLine(*refused, outcome.stopLine);
        } else if (refused) {
            warn(*refused);
        } else if (outcome.writeError) {
            // What is on disk now is not what the load read, unless the file is unchanged.
            if (loadedFile && !outcome.writeError->fileUnchanged())
                m_diskStamp.reset();
            m_platform.showError(this, fileWriteMessage(*outcome.writeError, m_state.Language));
        }
        if (rewritten)
            showSource();
    }
    if (!outcome.written()) {
        if (refused)
            showOffendingCell(*refused);
        emit saveRefused(refused);
        return false;
    }
    m_diskStamp = outcome.stamp;
    m_changes.clear();
    m_commands->sourceSaved();
    emit savedToFile(path);
    return true;
}

bool TForm1::ask(const SaveOutcome &outcome)
{
    const unsigned char language = m_state.Language;
    if (outcome.question == SaveQuestion::UnorderedBreakpoints) {
        Question question;
        question.text = commandText(CommandText::SaveUnordered, language)
                            .arg(unorderedBreakpointsText(outcome.unordered, language));
        question.answers = {commandText(CommandText::SaveAnyway, language),
                            answerText(Answer::Cancel, language)};
        question.escapeAnswer = 1;
        question.defaultAnswer = 1;
        return m_platform.choose(this, question) == 0;
    }
    const bool deleted = outcome.question == SaveQuestion::CreateDeleted;
    return m_platform.ask(this,
                          message(deleted ? MessageId::DeletedFromDisk : MessageId::ChangedOnDisk,
                                  language, document().FirmwarePath),
                          answerText(deleted ? Answer::Create : Answer::Overwrite, language),
                          answerText(Answer::Cancel, language));
}

bool TForm1::confirmUnsavedChanges()
{
    // Only a completely loaded source can take the changes; without one there is nothing to ask.
    if (!document().loaded || !m_changes.edited())
        return true;
    switch (askSaveChanges(m_platform, this, m_state.Language, document().FirmwarePath)) {
    case SaveAnswer::Save:
        return saveToFile();
    case SaveAnswer::Discard:
        return true;
    case SaveAnswer::Cancel:
        break;
    }
    return false;
}
