// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#pragma once

#include "app/changetracker.h"
#include "app/gridmodel.h"
#include "app/platform.h"
#include "domain/messageid.h"
#include "domain/numbers.h"
#include "flash/chipsession.h"
#include "format/sourcefile.h"
#include "format/sourcetext.h"
#include "session/programstate.h"

#include <QWidget>

#include <functional>

class ChartSeries;
class ChartWidget;
class CompileWatch;
class EditCommands;
class GridView;
class QCheckBox;
class QComboBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
struct SaveOutcome;

// The main window: every control of the tool and the handlers of their events. The window's
// record is one Document, held by the grid's model: the handlers ask the platform for dialogs,
// run the operations on the document, and show the outcome in the current language; the
// setting boxes are bound to the document's settings.
class TForm1 : public QWidget
{
    Q_OBJECT
public:
    explicit TForm1(Platform &platform, QWidget *parent = nullptr);
    ~TForm1() override;

    QPlainTextEdit *Memo1;
    QPushButton *Button1;
    GridView *StringGrid1;
    QComboBox *ComboBox1;
    QLabel *Label1;
    ChartWidget *Chart1;
    ChartSeries *Series1;
    QPushButton *Button2;
    QPushButton *Button3;
    OpenDialogSettings OpenDialog1;
    QPushButton *Button4;
    QComboBox *ComboBox2;
    QPushButton *Button5;
    QLabel *Label2;
    QPushButton *Button6;
    QPushButton *Button7;
    QLabel *Label3;
    QComboBox *ComboBox3;
    QCheckBox *CheckBox1;
    QLabel *Label4;
    QComboBox *ComboBox4;
    QLabel *Label5;

    void FormCreate();
    void ComboBox1KeyPress(QChar &Key);
    void ComboBox2KeyPress(QChar &Key);
    void Button1Click();
    void Button2Click();
    void Button3Click();
    void StringGrid1KeyPress(QChar &Key);
    void Button4Click();
    void ComboBox2Change();
    void Button5Click();
    void ComboBox1Change();
    void Button6Click();
    bool StringGrid1SelectCell(int ACol, int ARow);
    void Button7Click();
    void ComboBox3KeyPress(QChar &Key);
    // "Прошить МК" / "Program chip": avrdude writes the HEX beside the source into the chip,
    // once the HEX is checked against the window and a copy of the chip is kept beside the source;
    // then the chip is read back and compared.
    void ProgramChipClick();
    // "Прочитать МК" / "Read chip": the chip's image beside the document, opened as the
    // comparison (or, with nothing loaded, as the document).
    void ReadChipClick();
    // File → "Open sample": the sample that comes with the program copied into `folder` under
    // a name that no file there has yet (nothing is overwritten), and the copy loaded.
    void openSample(const QString &folder);

    // The program-wide values.
    ProgramState &state() { return m_state; }
    const ProgramState &state() const { return m_state; }
    GridModel &grid() { return m_grid; }
    const Document &document() const { return m_grid.document(); }
    const SourceText &source() const { return document().text; }
    // Runs `operation` on a copy of the document and puts the copy back, also when the
    // operation throws after changing part of it; the boxes follow its settings.
    template <typename Operation> decltype(auto) change(Operation &&operation);
    // Undo, the range commands, chart dragging and comparison, as actions of this window.
    EditCommands &commands() { return *m_commands; }

    // Changes to the points or settings not yet saved to file.
    bool hasUnsavedChanges() const { return m_changes.edited(); }
    // Before the loaded source's unsaved changes would be dropped: asks whether to save them
    // first. False when the user cancels, or when the save asked for did not succeed.
    bool confirmUnsavedChanges();
    // "Save to file"; true when the file was written.
    bool saveToFile();
    // "Save to file" into a file the user chooses, which the window edits from then on.
    void saveAs();
    // After the general error report on `error`: marks the grid cell whose text it is about
    // and makes it current.
    void showUnreadableCell(const ConversionError &error);

signals:
    // After the language switch has set every text of the window.
    void languageChanged();
    // The loaded file or its unsaved-changes state changed.
    void documentStateChanged();
    // A save to file wrote `path`; or it stopped, with the warning of `reason` or, without
    // one, the general error report.
    void savedToFile(const QString &path);
    void saveRefused(std::optional<MessageId> reason);
    // A note on what a chip command or a compile did, for the status bar.
    void chipNote(const QString &russian, const QString &english);

private:
    // A firmware image shown read-only (programchip.cpp): its document from the HEX's bytes;
    // the controls that would change or save it off while it is shown; a warning and true for a
    // command that would change or save it.
    void openImage(const QString &path, const QByteArray &bytes);
    void applyImageMode();
    bool refuseOnImage();
    bool assembleNow();
    QString imageProblem(const QString &hexPath) const;
    std::optional<ProgrammerChoice> askProgrammer();
    // avrdude with these arguments behind a modal progress box whose Cancel stops it; `detail`
    // (what is written, whether the programmer answered) stands under its first line.
    AvrdudeRun runOnChip(const QStringList &arguments, const QString &detail = {});
    // The status bar's note that the chip was not programmed, and why.
    void noteNotProgrammed(const std::function<QString(unsigned char)> &reason);

    // The load of Button1Click with the dialog's answer: a path, or nothing for Cancel.
    void openChosen(const std::optional<QString> &chosen);
    void createControls();
    void setTexts();
    void showSource();
    void warn(MessageId id, const QString &argument = {});
    // The warning with a second line naming the source line it is about, when there is one.
    void warnAboutLine(MessageId id, const QString &lineReference);
    // Asks the question a save stopped on (see SaveQuestion); true for going on with the save.
    bool ask(const SaveOutcome &outcome);
    // Asks whether to load the copy of an interrupted save's old text instead of the file.
    bool openBackupInstead(const QString &path, const QString &backup);
    void refreshChartWithHighlight(int row);
    // After a save stopped on a value: makes the cell that holds it current.
    void showOffendingCell(MessageId stop);
    bool saveToFileAt(const QString &path);
    // Runs a handler's work; a number that is not a number, or a file that cannot be written,
    // ends it with the general error report. Returns false when that happened.
    template <typename Work> bool guarded(Work &&work);
    // The general error report on `error`, with its cell marked (see showUnreadableCell).
    void showUnreadable(const ConversionError &error);

    // The boxes' values into the document's settings, and the document's settings into the
    // boxes (without their change signals: that is no user change).
    void takeSettings();
    void showSettings();

    Platform &m_platform;
    ProgramState m_state;
    GridModel m_grid;
    ChangeTracker m_changes;
    // The file as the load read it, or as the last save wrote it.
    std::optional<FileStamp> m_diskStamp;
    EditCommands *m_commands = nullptr;
    bool m_inSelectCell = false;
    // The compile last started in a terminal, until it reports how it ended.
    CompileWatch *m_compileWatch = nullptr;
    // The status bar's notes of a compile: started (or no assembler to start), and its end.
    void noteCompile();
    void compileFinished(int exitStatus, bool hexWritten, const QString &hexPath);
};

template <typename Operation> decltype(auto) TForm1::change(Operation &&operation)
{
    Document document = m_grid.document();
    struct PutBack
    {
        TForm1 &form;
        Document &document;
        ~PutBack() { form.m_grid.setDocument(std::move(document)); }
    } putBack{*this, document};
    return operation(document);
}
