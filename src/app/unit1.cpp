// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#include "app/unit1.h"

#include "app/commandtexts.h"
#include "app/compileconsole.h"
#include "app/datafiles.h"
#include "app/editcommands.h"
#include "app/edittexts.h"
#include "app/gridview.h"
#include "app/hints.h"
#include "app/offendingcell.h"
#include "app/toolkitlanguage.h"
#include "app/windowfont.h"
#include "chart/chartseries.h"
#include "chart/chartwidget.h"
#include "domain/numbers.h"
#include "format/assembler.h"
#include "format/savejournal.h"
#include "session/chartrefresh.h"
#include "session/imagedocument.h"
#include "session/loadscan.h"
#include "session/recompute.h"
#include "session/savetable.h"
#include "session/texts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QScopedValueRollback>
#include <QSignalBlocker>

namespace {

// Context numbers of the help file's start pages, as its project maps them.
constexpr int kHelpStartRussian = 1;
constexpr int kHelpStartEnglish = 2;

bool isDigitOrBackspace(QChar key)
{
    return key == QChar(u'\b') || (key >= QLatin1Char('0') && key <= QLatin1Char('9'));
}

} // namespace

TForm1::TForm1(Platform &platform, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint),
      m_platform(platform)
{
    {
        const WindowFontAsDefault windowFontWhileBuilding;
        createControls();
    }
    FormCreate();
    m_commands = new EditCommands(*this, m_platform);
    m_compileWatch = new CompileWatch(this);
    connect(m_compileWatch, &CompileWatch::finished, this, &TForm1::compileFinished);
}

TForm1::~TForm1()
{
    // The commands read the grid, which goes before the controls do.
    delete m_commands;
}

void TForm1::FormCreate()
{
    Memo1->clear();
    StringGrid1->setColumnWidth(0, 45);
    // The header row.
    StringGrid1->horizontalHeader()->setFixedHeight(16);
    m_grid.setDocument(Document::atStart(0));
    {
        // Setting the start texts is no user change: nothing to recompute.
        const QSignalBlocker block1(ComboBox1);
        const QSignalBlocker block2(ComboBox2);
        ComboBox1->addItems({"40", "35", "30", "25", "20", "15"});
        ComboBox1->setEditText(QStringLiteral("20"));
        ComboBox2->addItems({"1", "2", "3"});
        ComboBox2->setEditText(QStringLiteral("1"));
    }
    ComboBox3->addItems({"auto", "20"});
    ComboBox3->setCurrentIndex(0);
    ComboBox4->addItems({"PortC,0", "PortD,6"});
    ComboBox4->setCurrentIndex(0);
    setTexts();
    CheckBox1->setChecked(true);
}

void TForm1::setTexts()
{
    const unsigned char language = m_state.Language;
    setToolkitLanguage(language);
    m_grid.setLanguage(language);
    QPushButton *const buttons[] = {Button1, Button2, Button3, Button4, Button5, Button6, Button7};
    const Caption buttonCaptions[] = {Caption::Button1, Caption::Button2, Caption::Button3,
                                      Caption::Button4, Caption::Button5, Caption::Button6,
                                      Caption::Button7};
    for (std::size_t i = 0; i < std::size(buttons); ++i)
        buttons[i]->setText(caption(buttonCaptions[i], language));
    Chart1->setTitle(chartTitle(m_state, document().calibration.trimmerActive));
    QLabel *const labels[] = {Label1, Label2, Label3, Label4, Label5};
    const Caption labelCaptions[] = {Caption::Label1, Caption::Label2, Caption::Label3,
                                     Caption::Label4, Caption::Label5};
    for (std::size_t i = 0; i < std::size(labels); ++i) {
        labels[i]->setText(caption(labelCaptions[i], language));
        labels[i]->adjustSize();
    }
    m_grid.setHeader(GridModel::kRpmColumn, caption(Caption::RpmHeader, language));
    m_grid.setHeader(GridModel::kAngleColumn, caption(Caption::AngleHeader, language));
    setWindowTitle(caption(Caption::WindowTitle, language));
    applyImageMode();
    applyHints(*this);
    if (!document().FirmwarePath.isEmpty()) {
        for (int table = 1; table <= 3; ++table)
            m_grid.setHeader(table, caption(Caption::TableHeaderPrefix, language) +
                                        QString::number(table));
    }
}

template <typename Work> bool TForm1::guarded(Work &&work)
{
    try {
        work();
        return true;
    } catch (const ConversionError &error) {
        showUnreadable(error);
        return false;
    }
}

void TForm1::showUnreadable(const ConversionError &error)
{
    m_platform.showError(this, error.message() + QLatin1Char('.'));
    showUnreadableCell(error);
}

void TForm1::showUnreadableCell(const ConversionError &error)
{
    const auto cell = unreadableCell(error, document());
    if (!cell)
        return;
    m_grid.setUnreadableCell(*cell);
    // A refused selection keeps the current cell where it is; otherwise the cell becomes
    // current, without asking a handler that would fail on it again.
    if (m_inSelectCell)
        return;
    StringGrid1->setFocus(Qt::OtherFocusReason);
    StringGrid1->placeCurrentCell(cell->x(), cell->y());
}

void TForm1::warn(MessageId id, const QString &argument)
{
    m_platform.showWarning(this, message(id, m_state.Language, argument));
}

void TForm1::warnAboutLine(MessageId id, const QString &lineReference)
{
    QString text = message(id, m_state.Language);
    if (!lineReference.isEmpty())
        text += QLatin1Char('\n') + lineNote(lineReference, m_state.Language);
    m_platform.showWarning(this, text);
}

void TForm1::showSource()
{
    Memo1->setPlainText(source().shownLines().join(QLatin1Char('\n')));
}

void TForm1::ComboBox1KeyPress(QChar &Key)
{
    if (!isDigitOrBackspace(Key))
        Key = QChar();
}

void TForm1::ComboBox2KeyPress(QChar &Key)
{
    if (Key != QLatin1Char('1') && Key != QLatin1Char('2') && Key != QLatin1Char('3'))
        Key = QChar();
}

void TForm1::ComboBox3KeyPress(QChar &Key)
{
    if (!isDigitOrBackspace(Key))
        Key = QChar();
}

void TForm1::Button1Click()
{
    openChosen(m_platform.chooseFileToOpen(this, OpenDialog1));
}

void TForm1::openChosen(const std::optional<QString> &chosen)
{
    // Another file, or a cancelled dialog that reads the loaded file again: either drops the
    // unsaved changes, so the user decides first; a Cancel there leaves everything as it was.
    if ((chosen || !document().FirmwarePath.isEmpty()) && !confirmUnsavedChanges())
        return;
    Memo1->clear();
    m_diskStamp.reset();
    change([&](Document &doc) {
        doc.text = SourceText();
        doc.loaded = false;
        doc.image = false;
        if (chosen)
            doc.FirmwarePath = *chosen;
    });
    if (chosen)
        OpenDialog1.directory = QFileInfo(*chosen).absolutePath();
    QString path = document().FirmwarePath;
    if (path.isEmpty())
        return;
    // Whatever the load leaves is where undo starts.
    const auto history = qScopeGuard([this] { m_commands->sourceLoaded(); });
    // What the load writes into the window is no change of the user's; afterwards the window
    // holds the file as it is on disk, as far as the load got.
    m_changes.setPaused(true);
    const auto loaded = qScopeGuard([this] {
        m_changes.setPaused(false);
        m_changes.clear();
        applyImageMode();
        emit documentStateChanged();
    });
    SourceFileRead read = readSourceFile(path);
    // A save that stopped half-way may have left the file part old, part new: the user may open
    // the copy of its old text instead.
    if (const auto backup =
            read.outcome == SourceFileRead::Read ? interruptedSaveBackup(path) : std::nullopt;
        backup && openBackupInstead(path, *backup)) {
        path = *backup;
        change([&](Document &doc) { doc.FirmwarePath = path; });
        read = readSourceFile(path);
    }
    if (read.outcome != SourceFileRead::Read) {
        m_platform.showError(this, message(refusalMessage(read.outcome), m_state.Language, path));
        return;
    }
    if (isImagePath(path)) {
        openImage(path, read.bytes);
        return;
    }
    change([&](Document &doc) { doc.text = SourceText::fromFileBytes(read.bytes); });
    m_diskStamp = read.stamp;
    showSource();
    guarded([&] {
        const ScanOutcome outcome =
            change([&](Document &doc) { return scanSource(doc, m_state.Language); });
        if (outcome.stop) {
            warnAboutLine(*outcome.stop, outcome.line);
            return;
        }
        refreshChart(document(), *Series1);
        m_state.FirmwareName = QFileInfo(path).fileName();
        Chart1->setTitle(chartTitle(m_state, document().calibration.trimmerActive));
        change([](Document &doc) { doc.loaded = true; });
    });
}

void TForm1::Button2Click()
{
    if (refuseOnImage())
        return;
    // One undo step, apart from an edit that was still open.
    m_commands->checkpoint();
    const auto step = qScopeGuard([this] { m_commands->checkpoint(CommandText::SaveToTable); });
    guarded([&] {
        if (const auto stop = change([&](Document &doc) { return saveToTable(doc, *Series1); })) {
            warn(*stop);
            showOffendingCell(*stop);
        }
    });
}

void TForm1::showOffendingCell(MessageId stop)
{
    const auto cell = offendingCell(stop, document());
    if (!cell)
        return;
    StringGrid1->setFocus(Qt::OtherFocusReason);
    StringGrid1->setCurrentCell(cell->x(), cell->y());
}

void TForm1::Button3Click()
{
    for (const QString &path : helpFilePlaces(m_platform.programFolder())) {
        if (QFileInfo(path).isFile()) {
            // A viewer that fails shows its own complaint, if any; nothing more to say here.
            m_platform.openDocument(path,
                                    m_state.Language == 0 ? kHelpStartRussian : kHelpStartEnglish);
            return;
        }
    }
    warn(MessageId::HelpMissing, QString::fromLatin1(kHelpAddress));
}

void TForm1::StringGrid1KeyPress(QChar &Key)
{
    const int column = StringGrid1->col();
    if (column == GridModel::kRpmColumn) {
        if (!isDigitOrBackspace(Key))
            Key = QChar();
        return;
    }
    if (column != GridModel::kAngleColumn)
        return;
    if (Key == QLatin1Char('.') || Key == QLatin1Char(','))
        Key = decimalSeparator();
    if (Key == QLatin1Char('\r')) {
        if (m_grid.anyAngleEmpty())
            return;
        guarded([&] { refreshChartWithHighlight(StringGrid1->row()); });
    }
    const bool passes = isDigitOrBackspace(Key) || Key == QLatin1Char(',') ||
                        Key == QLatin1Char('-') || Key == QLatin1Char('.');
    if (!passes)
        Key = QChar();
}

void TForm1::refreshChartWithHighlight(int row)
{
    refreshChart(document(), *Series1);
    if (m_grid.cell(GridModel::kAngleColumn, row) != QLatin1String("-"))
        addHighlightPoint(document(), row, *Series1);
}

void TForm1::Button4Click()
{
    if (m_grid.anyAngleEmpty())
        return;
    guarded([&] { refreshChart(document(), *Series1); });
}

void TForm1::ComboBox2Change()
{
    guarded([&] { change([&](Document &doc) { activeTableChanged(doc, *Series1); }); });
}

void TForm1::ComboBox1Change()
{
    guarded([&] { change([&](Document &doc) { sensorAngleChanged(doc, *Series1); }); });
}

void TForm1::Button5Click()
{
    saveToFile();
}

bool TForm1::openBackupInstead(const QString &path, const QString &backup)
{
    const unsigned char language = m_state.Language;
    return m_platform.ask(this, interruptedSaveQuestion(path, backup, language),
                          answerText(Answer::OpenCopy, language),
                          answerText(Answer::OpenFile, language));
}

void TForm1::Button6Click()
{
    if (refuseOnImage())
        return;
    const unsigned char language = m_state.Language;
    const ConsoleReport report{m_compileWatch->nextStatusFile(),
                               windowText(WindowText::TerminalSucceeded, language),
                               windowText(WindowText::TerminalFailed, language),
                               windowText(WindowText::AssemblerMissing, language)};
    const auto command = m_platform.assemblerConsole(document().FirmwarePath, report);
    if (!command)
        return;
    if (!m_platform.hasConsole()) {
        warn(MessageId::NoTerminal);
        return;
    }
    // The assembler reads the file on disk: edits not saved there would not be in the firmware.
    if (document().loaded && m_changes.edited()) {
        switch (askCompileUnsaved(m_platform, this, m_state.Language, document().FirmwarePath)) {
        case CompileAnswer::SaveAndCompile:
            if (!saveToFile())
                return;
            break;
        case CompileAnswer::CompileOnDisk:
            break;
        case CompileAnswer::Cancel:
            return;
        }
    }
    if (!m_platform.startDetached(*command)) {
        warn(MessageId::CommandNotStarted, command->program);
        return;
    }
    m_compileWatch->follow(command->statusFile, document().FirmwarePath);
    // A console that reports nothing back (Windows' cmd) says all there is to say itself.
    if (!command->statusFile.isEmpty())
        noteCompile();
}

bool TForm1::StringGrid1SelectCell(int ACol, int ARow)
{
    if (m_grid.anyAngleEmpty())
        return true;
    const QScopedValueRollback inSelectCell(m_inSelectCell, true);
    // A text that is no number refuses the move: the current cell stays where it was.
    return guarded([&] {
        if (ACol == GridModel::kAngleColumn)
            refreshChartWithHighlight(ARow);
        else
            refreshChart(document(), *Series1);
    });
}

void TForm1::Button7Click()
{
    m_state.Language = m_state.Language + 1 > 1 ? 0 : 1;
    setTexts();
    emit languageChanged();
}

void TForm1::takeSettings()
{
    DocumentSettings settings;
    settings.sensorAngle = ComboBox1->currentText();
    settings.activeTable = ComboBox2->currentText();
    settings.secondPulse = ComboBox3->currentText();
    settings.sparkOutput = ComboBox4->currentIndex();
    settings.keepCodes = CheckBox1->isChecked();
    m_grid.setSettings(settings);
}

void TForm1::showSettings()
{
    const DocumentSettings &settings = document().settings;
    const QSignalBlocker block1(ComboBox1);
    const QSignalBlocker block2(ComboBox2);
    const QSignalBlocker block3(ComboBox3);
    const QSignalBlocker block4(ComboBox4);
    const QSignalBlocker block5(CheckBox1);
    if (ComboBox1->currentText() != settings.sensorAngle)
        ComboBox1->setEditText(settings.sensorAngle);
    if (ComboBox2->currentText() != settings.activeTable)
        ComboBox2->setEditText(settings.activeTable);
    if (ComboBox3->currentText() != settings.secondPulse) {
        // "auto" is the first item: choosing it keeps the list's current item in step.
        if (settings.secondPulse == ComboBox3->itemText(0))
            ComboBox3->setCurrentIndex(0);
        ComboBox3->setEditText(settings.secondPulse);
    }
    if (ComboBox4->currentIndex() != settings.sparkOutput)
        ComboBox4->setCurrentIndex(settings.sparkOutput);
    if (CheckBox1->isChecked() != settings.keepCodes)
        CheckBox1->setChecked(settings.keepCodes);
}
