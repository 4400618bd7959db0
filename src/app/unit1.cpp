// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#include "app/unit1.h"

#include "app/commandtexts.h"
#include "app/datafiles.h"
#include "app/editcommands.h"
#include "app/gridview.h"
#include "app/hints.h"
#include "app/inputguards.h"
#include "app/keyfilter.h"
#include "app/offendingcell.h"
#include "app/toolkitlanguage.h"
#include "app/windowfont.h"
#include "chart/chartseries.h"
#include "chart/chartwidget.h"
#include "domain/numbers.h"
#include "format/assembler.h"
#include "session/chartrefresh.h"
#include "session/loadscan.h"
#include "session/recompute.h"
#include "session/savetable.h"
#include "session/texts.h"
#include "session/writer.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCompleter>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QSignalBlocker>

namespace {

// The RPM breakpoints of rows 1 to 32 before any load.
const char *const kStartBreakpoints[] = {
    "460",  "500",  "600",  "800",  "1000", "1200",  "1500",  "1800",  "2000",  "2200", "2500",
    "2800", "3000", "3400", "3800", "4200", "4600",  "5000",  "5400",  "6000",  "6500", "7000",
    "7500", "8000", "8500", "9000", "9500", "10000", "11000", "12000", "15000", "19500"};

constexpr QColor kYellow(255, 255, 0);

// Context numbers of the help file's start pages, as its project maps them.
constexpr int kHelpStartRussian = 1;
constexpr int kHelpStartEnglish = 2;

// The table codes change only through "Save to table" and a load; row 1's breakpoint is the
// fixed idle speed.
bool cellEditable(int column, int row)
{
    if (column >= 1 && column <= 3)
        return false;
    return !(column == GridModel::kRpmColumn && row == GridModel::kFirstPoint);
}

bool isDigitOrBackspace(QChar key)
{
    return key == QChar(u'\b') || (key >= QLatin1Char('0') && key <= QLatin1Char('9'));
}

template <typename Control>
Control *place(QWidget *parent, int left, int top, int width, int height)
{
    auto *control = new Control(parent);
    control->setGeometry(left, top, width, height);
    return control;
}

// An editable box that keeps exactly what is typed: completing "4" to "40" would recompute the
// angles for a sensor angle nobody typed. A line edit that comes with a completer keeps the
// toolkit from making one for the box, which is then taken away (`none` is that completer);
// the box's list is made when it is first opened.
void makeEditable(QComboBox *box, QCompleter *none)
{
    auto *edit = new QLineEdit(box);
    edit->setCompleter(none);
    box->setLineEdit(edit);
    box->setCompleter(nullptr);
    box->setInsertPolicy(QComboBox::NoInsert);
}

QLabel *placeLabel(QWidget *parent, int left, int top)
{
    auto *label = new QLabel(parent);
    label->move(left, top);
    return label;
}

} // namespace

TForm1::TForm1(Platform &platform, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint),
      m_platform(platform)
{
    createControls();
    FormCreate();
    m_commands = new EditCommands(*this, m_platform);
}

TForm1::~TForm1()
{
    // The commands read the grid, which goes before the controls do.
    delete m_commands;
}

void TForm1::createControls()
{
    setFixedSize(873, 535);
    setBackgroundRole(QPalette::Button);
    setAutoFillBackground(true);
    setFont(windowFont());

    Memo1 = place<QPlainTextEdit>(this, 16, 120, 177, 153);
    Memo1->setReadOnly(true);
    Memo1->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Memo1->setFocusPolicy(Qt::StrongFocus);
    Memo1->setAccessibleName(QStringLiteral("Memo1"));
    QCompleter none;

    Button1 = place<QPushButton>(this, 16, 16, 81, 33);
    StringGrid1 = place<GridView>(this, 208, 16, 201, 505);
    StringGrid1->setModel(&m_grid);
    StringGrid1->setAccessibleName(QStringLiteral("StringGrid1"));

    ComboBox1 = place<QComboBox>(this, 40, 88, 49, 21);
    makeEditable(ComboBox1, &none);
    ComboBox1->setAccessibleName(QStringLiteral("ComboBox1"));

    Series1 = new ChartSeries(this);
    Chart1 = place<ChartWidget>(this, 416, 16, 449, 505);
    Chart1->setSeries(Series1);
    Chart1->setFocusPolicy(Qt::NoFocus);
    // Whatever the cells hold, the axes stay on engine speeds and advance angles.
    Chart1->setLimits({0, 25000, -180, 180});

    Button2 = place<QPushButton>(this, 16, 344, 177, 33);
    Button3 = place<QPushButton>(this, 16, 472, 177, 49);
    Button4 = place<QPushButton>(this, 120, 304, 73, 33);
    ComboBox2 = place<QComboBox>(this, 64, 312, 41, 21);
    makeEditable(ComboBox2, &none);
    ComboBox2->setAccessibleName(QStringLiteral("ComboBox2"));
    Button5 = place<QPushButton>(this, 16, 384, 177, 33);
    Button6 = place<QPushButton>(this, 16, 424, 177, 33);
    Button7 = place<QPushButton>(this, 112, 16, 81, 33);
    ComboBox3 = place<QComboBox>(this, 120, 88, 57, 21);
    makeEditable(ComboBox3, &none);
    ComboBox3->setAccessibleName(QStringLiteral("ComboBox3"));
    CheckBox1 = place<QCheckBox>(this, 24, 88, 12, 17);
    CheckBox1->setAccessibleName(QStringLiteral("CheckBox1"));
    ComboBox4 = place<QComboBox>(this, 112, 280, 65, 21);
    ComboBox4->setAccessibleName(QStringLiteral("ComboBox4"));

    Label4 = placeLabel(this, 64, 56);
    Label1 = placeLabel(this, 44, 72);
    Label3 = placeLabel(this, 128, 72);
    Label5 = placeLabel(this, 24, 285);
    Label2 = placeLabel(this, 24, 317);

    // Tab order: every windowed control but the chart.
    QWidget *const tabOrder[] = {Memo1,   Button1,   StringGrid1, ComboBox1, Button2,
                                 Button3, Button4,   ComboBox2,   Button5,   Button6,
                                 Button7, ComboBox3, CheckBox1,   ComboBox4};
    for (std::size_t i = 0; i + 1 < std::size(tabOrder); ++i)
        setTabOrder(tabOrder[i], tabOrder[i + 1]);

    OpenDialog1.filter = QStringLiteral("asm|*asm");
    OpenDialog1.fileName = QStringLiteral("CDI.asm");

    connect(Button1, &QPushButton::clicked, this, &TForm1::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TForm1::Button2Click);
    connect(Button3, &QPushButton::clicked, this, &TForm1::Button3Click);
    connect(Button4, &QPushButton::clicked, this, &TForm1::Button4Click);
    connect(Button5, &QPushButton::clicked, this, &TForm1::Button5Click);
    connect(Button6, &QPushButton::clicked, this, &TForm1::Button6Click);
    connect(Button7, &QPushButton::clicked, this, &TForm1::Button7Click);
    connect(ComboBox1, &QComboBox::currentTextChanged, this, &TForm1::ComboBox1Change);
    connect(ComboBox2, &QComboBox::currentTextChanged, this, &TForm1::ComboBox2Change);
    TypedKeyFilter::install(
        ComboBox1, [this](QChar &key) { ComboBox1KeyPress(key); }, 2);
    TypedKeyFilter::install(
        ComboBox2, [this](QChar &key) { ComboBox2KeyPress(key); }, 1);
    TypedKeyFilter::install(ComboBox3, [this](QChar &key) { ComboBox3KeyPress(key); });

    StringGrid1->selectCell = [this](int column, int row) {
        return StringGrid1SelectCell(column, row);
    };
    StringGrid1->keyPress = [this](QChar &key) { StringGrid1KeyPress(key); };
    StringGrid1->drawCell = [this](QPainter &painter, int column, int row, const QRect &rect) {
        StringGrid1DrawCell(painter, column, row, rect);
        markActiveTableHeader(painter, column, row, rect, m_grid.cell(column, row),
                              ComboBox2->currentText());
    };
    connect(ComboBox2, &QComboBox::currentTextChanged, StringGrid1->viewport(),
            qOverload<>(&QWidget::update));
    // The grid starts on a cell that nobody selected; it follows the same editing rule, or the
    // first breakpoint could be typed over before the first selection.
    StringGrid1->setEditingEnabled(cellEditable(StringGrid1->col(), StringGrid1->row()));
    StringGrid1->setEditorBackground(GridModel::kAngleColumn, kYellow);

    m_changes.watch(m_grid);
    for (QComboBox *box : {ComboBox1, ComboBox2, ComboBox3, ComboBox4})
        m_changes.watch(box);
    m_changes.watch(CheckBox1);

    for (QComboBox *box : {ComboBox1, ComboBox2, ComboBox3, ComboBox4})
        ignoreWheelWithoutFocus(box);
    FocusMark::install(StringGrid1);
    connect(&m_changes, &ChangeTracker::editedChanged, this, &TForm1::documentStateChanged);
}

void TForm1::FormCreate()
{
    Memo1->clear();
    StringGrid1->setColumnWidth(0, 45);
    StringGrid1->setRowHeight(0, 16);
    m_grid.setCell(0, 0, caption(Caption::RpmHeader, 0));
    m_grid.setCell(4, 0, caption(Caption::AngleHeader, 0));
    for (int row = GridModel::kFirstPoint; row <= GridModel::kLastPoint; ++row)
        m_grid.setCell(GridModel::kRpmColumn, row, QString::fromLatin1(kStartBreakpoints[row - 1]));
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
    QPushButton *const buttons[] = {Button1, Button2, Button3, Button4, Button5, Button6, Button7};
    const Caption buttonCaptions[] = {Caption::Button1, Caption::Button2, Caption::Button3,
                                      Caption::Button4, Caption::Button5, Caption::Button6,
                                      Caption::Button7};
    for (std::size_t i = 0; i < std::size(buttons); ++i)
        buttons[i]->setText(caption(buttonCaptions[i], language));
    Chart1->setTitle(chartTitle(m_state));
    QLabel *const labels[] = {Label1, Label2, Label3, Label4, Label5};
    const Caption labelCaptions[] = {Caption::Label1, Caption::Label2, Caption::Label3,
                                     Caption::Label4, Caption::Label5};
    for (std::size_t i = 0; i < std::size(labels); ++i) {
        labels[i]->setText(caption(labelCaptions[i], language));
        labels[i]->adjustSize();
    }
    m_grid.setCell(0, 0, caption(Caption::RpmHeader, language));
    m_grid.setCell(4, 0, caption(Caption::AngleHeader, language));
    setWindowTitle(caption(Caption::WindowTitle, language));
    applyHints(*this);
    if (!m_state.FirmwarePath.isEmpty()) {
        for (int table = 1; table <= 3; ++table)
            m_grid.setCell(table, 0,
                           caption(Caption::TableHeaderPrefix, language) + QString::number(table));
    }
}

template <typename Work> bool TForm1::guarded(Work &&work)
{
    try {
        work();
        return true;
    } catch (const ConversionError &error) {
        m_platform.showError(this, error.message() + QLatin1Char('.'));
        return false;
    }
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
    Memo1->setPlainText(m_source.shownLines().join(QLatin1Char('\n')));
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
    const auto chosen = m_platform.chooseFileToOpen(this, OpenDialog1);
    // Another file, or a cancelled dialog that reads the loaded file again: either drops the
    // unsaved changes, so the user decides first; a Cancel there leaves everything as it was.
    if ((chosen || !m_state.FirmwarePath.isEmpty()) && !confirmUnsavedChanges())
        return;
    Memo1->clear();
    m_source = SourceText();
    m_loadCompleted = false;
    m_diskStamp.reset();
    if (chosen) {
        m_state.FirmwarePath = *chosen;
        OpenDialog1.directory = QFileInfo(*chosen).absolutePath();
    }
    if (m_state.FirmwarePath.isEmpty())
        return;
    // Whatever the load leaves is where undo starts.
    const auto history = qScopeGuard([this] { m_commands->sourceLoaded(); });
    // What the load writes into the window is no change of the user's; afterwards the window
    // holds the file as it is on disk, as far as the load got.
    m_changes.setPaused(true);
    const auto loaded = qScopeGuard([this] {
        m_changes.setPaused(false);
        m_changes.clear();
        emit documentStateChanged();
    });
    const SourceFileRead read = readSourceFile(m_state.FirmwarePath);
    if (read.outcome != SourceFileRead::Read) {
        const MessageId refusal =
            read.outcome == SourceFileRead::NotRegular ? MessageId::NotRegularFile
            : read.outcome == SourceFileRead::TooLarge ? MessageId::FileTooLarge
                                                       : MessageId::FileAccess;
        m_platform.showError(this, message(refusal, m_state.Language, m_state.FirmwarePath));
        return;
    }
    m_source = SourceText::fromFileBytes(read.bytes);
    m_diskStamp = read.stamp;
    showSource();
    guarded([&] {
        const ScanOutcome outcome = scanSource(m_source, *this, m_grid, m_state);
        if (outcome.stop) {
            warnAboutLine(*outcome.stop, outcome.line);
            return;
        }
        refreshChart(m_grid, *Series1);
        m_state.FirmwareName = QFileInfo(m_state.FirmwarePath).fileName();
        Chart1->setTitle(chartTitle(m_state));
        m_loadCompleted = true;
    });
}

void TForm1::Button2Click()
{
    // One undo step, apart from an edit that was still open.
    m_commands->checkpoint();
    const auto step = qScopeGuard([this] { m_commands->checkpoint(); });
    guarded([&] {
        if (const auto stop =
                saveToTable(m_grid, *Series1, !m_state.FirmwarePath.isEmpty(), *this)) {
            warn(*stop);
            showOffendingCell(*stop);
        }
    });
}

void TForm1::showOffendingCell(MessageId stop)
{
    const auto cell = offendingCell(stop, m_grid, ComboBox1->currentText());
    if (!cell)
        return;
    StringGrid1->setFocus(Qt::OtherFocusReason);
    StringGrid1->setCurrentCell(cell->x(), cell->y());
}

void TForm1::StringGrid1DrawCell(QPainter &painter, int ACol, int ARow, const QRect &Rect)
{
    if (ACol != GridModel::kAngleColumn || ARow < GridModel::kFirstPoint)
        return;
    painter.fillRect(Rect, kYellow);
    // A fixed background needs a fixed text colour: the palette's may be light (dark schemes).
    painter.setPen(Qt::black);
    painter.drawText(Rect, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                     m_grid.cell(ACol, ARow));
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
    refreshChart(m_grid, *Series1);
    if (m_grid.cell(GridModel::kAngleColumn, row) != QLatin1String("-"))
        addHighlightPoint(m_grid, row, *Series1);
}

void TForm1::Button4Click()
{
    if (m_grid.anyAngleEmpty())
        return;
    guarded([&] { refreshChart(m_grid, *Series1); });
}

void TForm1::ComboBox2Change()
{
    guarded([&] { activeTableChanged(m_grid, *Series1, *this); });
}

void TForm1::ComboBox1Change()
{
    guarded([&] { sensorAngleChanged(m_grid, *Series1, *this, CheckBox1->isChecked()); });
}

void TForm1::Button5Click()
{
    saveToFile();
}

bool TForm1::saveToFile()
{
    return saveToFileAt(m_state.FirmwarePath);
}

void TForm1::saveAs()
{
    if (m_state.FirmwarePath.isEmpty()) {
        warn(MessageId::OpenFileFirst);
        return;
    }
    OpenDialogSettings dialog = OpenDialog1;
    dialog.directory = QFileInfo(m_state.FirmwarePath).absolutePath();
    dialog.fileName = QFileInfo(m_state.FirmwarePath).fileName();
    const auto chosen = m_platform.chooseFileToSave(this, dialog);
    if (!chosen || !saveToFileAt(*chosen))
        return;
    // From now on the window edits the new file; the one it was loaded from stays as it was.
    m_state.FirmwarePath = *chosen;
    m_state.FirmwareName = QFileInfo(*chosen).fileName();
    OpenDialog1.directory = QFileInfo(*chosen).absolutePath();
    Chart1->setTitle(chartTitle(m_state));
    emit documentStateChanged();
}

bool TForm1::saveToFileAt(const QString &path)
{
    // An edit still open stays an undo step; the save itself is none.
    m_commands->checkpoint();
    std::optional<MessageId> refused;
    // Set once the file is confirmed for writing; cleared when the write fails.
    bool written = false;
    const bool finished = guarded([&] {
        if (const auto stop =
                saveToTable(m_grid, *Series1, !m_state.FirmwarePath.isEmpty(), *this)) {
            refused = stop;
            warn(*stop);
            return;
        }
        // The grid belongs to the text only after a load that read all of it.
        if (!m_loadCompleted || m_source.isEmpty()) {
            refused = MessageId::MissingData;
            warn(MessageId::MissingData);
            return;
        }
        // The text box shows the lines rewritten so far, also when the save stops on an error.
        const auto showRewritten = qScopeGuard([this] { showSource(); });
        QString stopLine;
        // Another file than the one loaded: the save dialog has asked about overwriting it.
        const bool loadedFile = path == m_state.FirmwarePath;
        const auto confirm = [this, &written, loadedFile] {
            return written = !loadedFile || confirmOverwrite();
        };
        try {
            refused = saveSource(m_source, *this, m_grid, path, {}, confirm, &stopLine);
            if (refused)
                warnAboutLine(*refused, stopLine);
            else if (written)
                m_diskStamp = stampOfWritten(path, m_source.toFileBytes());
        } catch (const FileWriteError &error) {
            written = false;
            // What is on disk now is not what the load read, unless the file is unchanged.
            if (loadedFile && error.kind != FileWriteError::Unchanged &&
                error.kind != FileWriteError::DiskFull)
                m_diskStamp.reset();
            m_platform.showError(this, fileWriteMessage(error, m_state.Language));
        }
    });
    if (!finished || refused || !written) {
        if (refused)
            showOffendingCell(*refused);
        emit saveRefused(refused);
        return false;
    }
    m_changes.clear();
    m_commands->sourceSaved();
    emit savedToFile(path);
    return true;
}

bool TForm1::confirmUnsavedChanges()
{
    // Only a completely loaded source can take the changes; without one there is nothing to ask.
    if (!m_loadCompleted || !m_changes.edited())
        return true;
    switch (askSaveChanges(m_platform, this, m_state)) {
    case SaveAnswer::Save:
        return saveToFile();
    case SaveAnswer::Discard:
        return true;
    case SaveAnswer::Cancel:
        break;
    }
    return false;
}

bool TForm1::confirmOverwrite()
{
    const DiskChange change =
        m_diskStamp ? diskChangeSince(*m_diskStamp, m_state.FirmwarePath) : DiskChange::Changed;
    if (change == DiskChange::None)
        return true;
    const unsigned char language = m_state.Language;
    const bool deleted = change == DiskChange::Deleted;
    return m_platform.ask(this,
                          message(deleted ? MessageId::DeletedFromDisk : MessageId::ChangedOnDisk,
                                  language, m_state.FirmwarePath),
                          answerText(deleted ? Answer::Create : Answer::Overwrite, language),
                          answerText(Answer::Cancel, language));
}

void TForm1::Button6Click()
{
    const auto lookup = [this](const QString &name) { return m_platform.isInstalled(name); };
    const auto command = assemblerCommand(m_state.FirmwarePath, lookup);
    if (!command)
        return;
    if (!terminalProgram(lookup)) {
        warn(MessageId::NoTerminal);
        return;
    }
    // The assembler reads the file on disk: edits not saved there would not be in the firmware.
    if (m_loadCompleted && m_changes.edited()) {
        switch (askCompileUnsaved(m_platform, this, m_state)) {
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
    if (!m_platform.startDetached(
            {command->program, command->arguments, command->workingDirectory}))
        warn(MessageId::CommandNotStarted, command->program);
}

bool TForm1::StringGrid1SelectCell(int ACol, int ARow)
{
    StringGrid1->setEditingEnabled(cellEditable(ACol, ARow));
    if (m_grid.anyAngleEmpty())
        return true;
    const bool refreshed = guarded([&] {
        refreshChart(m_grid, *Series1);
        if (ACol == GridModel::kAngleColumn &&
            m_grid.cell(GridModel::kAngleColumn, ARow) != QLatin1String("-"))
            addHighlightPoint(m_grid, ARow, *Series1);
    });
    // The current cell stays where it was; so does its editing rule, or a refused move from a
    // code cell towards the angle column would leave the codes open to typing.
    if (!refreshed)
        StringGrid1->setEditingEnabled(cellEditable(StringGrid1->col(), StringGrid1->row()));
    return refreshed;
}

void TForm1::Button7Click()
{
    m_state.Language = m_state.Language + 1 > 1 ? 0 : 1;
    setTexts();
    emit languageChanged();
}

QString TForm1::sensorAngleText() const
{
    return ComboBox1->currentText();
}

void TForm1::setSensorAngleText(const QString &text)
{
    // The load's own setting of the box is no user change of the sensor angle.
    const QSignalBlocker block(ComboBox1);
    ComboBox1->setEditText(text);
}

QString TForm1::activeTableText() const
{
    return ComboBox2->currentText();
}

QString TForm1::secondPulseText() const
{
    return ComboBox3->currentText();
}

void TForm1::selectSecondPulseAuto()
{
    ComboBox3->setCurrentIndex(0);
    ComboBox3->setEditText(ComboBox3->itemText(0));
}

void TForm1::setSecondPulseText(const QString &text)
{
    ComboBox3->setEditText(text);
}

int TForm1::sparkOutputItem() const
{
    return ComboBox4->currentIndex();
}

void TForm1::selectSparkOutput(int item)
{
    ComboBox4->setCurrentIndex(item);
}
