// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#include "app/editcommands.h"

#include "bench/imagedecode.h"
#include "session/imagedocument.h"

#include "app/commandtexts.h"
#include "app/edittexts.h"
#include "app/gridclipboard.h"
#include "app/gridmodel.h"
#include "app/gridview.h"
#include "app/platform.h"
#include "app/unit1.h"
#include "chart/chartwidget.h"
#include "domain/anglecode.h"
#include "domain/numbers.h"
#include "domain/rangeedit.h"
#include "format/sourcefile.h"
#include "session/chartrefresh.h"
#include "session/loadscan.h"
#include "session/recompute.h"
#include "session/tablecurves.h"
#include "session/texts.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QSettings>
#include <QSignalBlocker>
#include <QToolButton>
#include <QToolTip>

#include <algorithm>

namespace {

constexpr int kAngle = GridModel::kAngleColumn;
constexpr quint32 kTableColours[3] = {0x1F5FD0, 0xD07000, 0x8A2BB0};
constexpr quint32 kComparisonColour = 0x006060;
constexpr QStringView kSensorAngleKey = u"sensor angle";
constexpr QStringView kActiveTableKey = u"active table";
const QString kEnterMovesDownSetting = QStringLiteral("grid/enterMovesDown");
// The notice of replaced angles fills the strip between the top edge and the grid.
constexpr int kNoticeHeight = 16;

// A command's name as an undo step: its text without a trailing ellipsis.
int stepName(CommandText name)
{
    return int(name) + 1;
}

QString stepText(int name, unsigned char language)
{
    QString text = commandText(CommandText(name - 1), language);
    if (text.endsWith(QChar(u'…')))
        text.chop(1);
    return text;
}

// Whether a row's angle text is what "Save to table" stored for it: the code it converts to at
// the snapshot's sensor angle is the active table's code.
bool storedAngle(const GridSnapshot &snapshot, int table, int row)
{
    try {
        const AngleCode code =
            angleToCode(snapshot.cell(kAngle, row), snapshot.settings.sensorAngle);
        return code.failure == AngleLimit::None && code.code == strToInt(snapshot.cell(table, row));
    } catch (const ConversionError &) {
        return false;
    }
}

// Keys of the window's commands pass by an editor that would take them for itself.
class ShortcutPassage final : public QObject
{
public:
    ShortcutPassage(QObject *parent, GridView &grid) : QObject(parent), m_grid(grid) {}

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        return event->type() == QEvent::ShortcutOverride &&
               m_grid.isWindowShortcut(*static_cast<QKeyEvent *>(event));
    }

private:
    GridView &m_grid;
};

QStringList column(const Document &document, int col, int first, int last)
{
    QStringList texts;
    for (int row = first; row <= last; ++row)
        texts.append(document.cell(col, row));
    return texts;
}

} // namespace

struct EditCommands::Comparison
{
    Document document;
    QString fileName;
};

EditCommands::EditCommands(TForm1 &form, Platform &platform)
    : QObject(&form), m_form(form), m_platform(platform)
{
    askAngle = [this](double proposed) -> std::optional<double> {
        const unsigned char language = m_form.state().Language;
        bool ok = false;
        const double value = QInputDialog::getDouble(
            &m_form, commandText(CommandText::SetValueTitle, language),
            commandText(CommandText::SetValueLabel, language), proposed, -200, 200, 1, &ok);
        return ok ? std::optional<double>(value) : std::nullopt;
    };
    const auto askNumber = [this](CommandText title, CommandText label, double low, double high) {
        return [this, title, label, low, high](double proposed) -> std::optional<double> {
            const unsigned char language = m_form.state().Language;
            bool ok = false;
            const double value =
                QInputDialog::getDouble(&m_form, commandText(title, language),
                                        commandText(label, language), proposed, low, high, 1, &ok);
            return ok ? std::optional<double>(value) : std::nullopt;
        };
    };
    askDegrees = askNumber(CommandText::AddTitle, CommandText::AddLabel, -180, 180);
    askPercent = askNumber(CommandText::ScaleTitle, CommandText::ScaleLabel, 0, 1000);
    createActions();
    createReplacedNotice();
    connectWindow();
    retranslate();
    m_history.reset(capture());
}

EditCommands::~EditCommands() = default;

void EditCommands::createActions()
{
    const auto make = [this](QKeySequence::StandardKey standard, QList<QKeySequence> keys,
                             auto slot) {
        auto *action = new QAction(&m_form);
        if (standard != QKeySequence::UnknownKey)
            keys = QKeySequence::keyBindings(standard) + keys;
        action->setShortcuts(keys);
        action->setShortcutContext(Qt::WindowShortcut);
        connect(action, &QAction::triggered, this, slot);
        m_form.addAction(action);
        return action;
    };
    using K = QKeySequence;
    m_undo = make(K::UnknownKey, {K(Qt::CTRL | Qt::Key_Z)}, &EditCommands::undo);
    m_redo = make(K::UnknownKey, {K(Qt::CTRL | Qt::Key_Y), K(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)},
                  &EditCommands::redo);
    m_interpolate = make(K::UnknownKey, {K(Qt::CTRL | Qt::Key_I)}, &EditCommands::interpolate);
    m_shiftUp = make(K::UnknownKey, {K(Qt::CTRL | Qt::Key_Up)}, [this] { shift(1); });
    m_shiftDown = make(K::UnknownKey, {K(Qt::CTRL | Qt::Key_Down)}, [this] { shift(-1); });
    m_setValue = make(K::UnknownKey, {K(Qt::CTRL | Qt::Key_E)}, &EditCommands::setValue);
    m_smooth = make(K::UnknownKey, {}, &EditCommands::smooth);
    m_otherTables = make(K::UnknownKey, {}, &EditCommands::syncViews);
    m_otherTables->setCheckable(true);
    m_compare = make(K::UnknownKey, {}, &EditCommands::chooseComparison);
    m_clearComparison = make(K::UnknownKey, {}, &EditCommands::clearComparison);
    m_clearComparison->setEnabled(false);
    m_showStored = make(K::UnknownKey, {}, &EditCommands::showStoredAngles);
    m_addDegrees = make(K::UnknownKey, {}, &EditCommands::addDegrees);
    m_scalePercent = make(K::UnknownKey, {}, &EditCommands::scalePercent);
    m_enterMovesDown = make(K::UnknownKey, {}, [this](bool on) {
        if (m_settings) {
            m_settings->setValue(kEnterMovesDownSetting, on);
            m_settings->sync();
        }
    });
    m_enterMovesDown->setCheckable(true);
    // Copy and paste belong to the grid: elsewhere the focused field copies and pastes its own.
    m_copyRows = make(QKeySequence::Copy, {}, &EditCommands::copyRows);
    m_pasteRows = make(QKeySequence::Paste, {}, &EditCommands::pasteRows);
    for (QAction *action : {m_copyRows, m_pasteRows}) {
        m_form.removeAction(action);
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    }
    m_form.StringGrid1->setCellShortcuts(m_copyRows->shortcuts() + m_pasteRows->shortcuts());

    QList<QKeySequence> keys;
    for (QAction *action : {m_undo, m_redo, m_interpolate, m_shiftUp, m_shiftDown, m_setValue})
        keys += action->shortcuts();
    GridView &grid = *m_form.StringGrid1;
    grid.setWindowShortcuts(keys);
    auto *passage = new ShortcutPassage(this, grid);
    // An editable combo box hands the shortcut check straight to its line edit.
    for (QComboBox *box : {m_form.ComboBox1, m_form.ComboBox2, m_form.ComboBox3}) {
        box->installEventFilter(passage);
        if (box->lineEdit())
            box->lineEdit()->installEventFilter(passage);
    }

    auto *separator = [this] {
        auto *s = new QAction(this);
        s->setSeparator(true);
        return s;
    }();
    auto *clipboardSeparator = new QAction(this);
    clipboardSeparator->setSeparator(true);
    grid.addActions({m_undo, m_redo, clipboardSeparator, m_copyRows, m_pasteRows, separator,
                     m_interpolate, m_shiftUp, m_shiftDown, m_setValue, m_smooth, m_addDegrees,
                     m_scalePercent, m_showStored});
    auto *chartSeparator = new QAction(this);
    chartSeparator->setSeparator(true);
    m_form.Chart1->addActions(
        {m_undo, m_redo, chartSeparator, m_otherTables, m_compare, m_clearComparison});
    m_form.Chart1->setContextMenuPolicy(Qt::ActionsContextMenu);
}

void EditCommands::connectWindow()
{
    GridView &grid = *m_form.StringGrid1;
    grid.setRangeColumn(kAngle);

    // Leaving a cell or pressing Enter in it finishes its edit.
    const QPointer<EditCommands> self(this);
    auto select = std::move(grid.selectCell);
    grid.selectCell = [self, select](int column, int row) {
        if (self)
            self->checkpoint();
        return select ? select(column, row) : true;
    };
    auto keyPress = std::move(grid.keyPress);
    grid.keyPress = [self, keyPress](QChar &key) {
        const bool enter = key == QLatin1Char('\r');
        if (keyPress)
            keyPress(key);
        if (enter && self) {
            self->checkpoint();
            if (self->m_enterMovesDown->isChecked())
                self->moveDownAfterEnter();
        }
    };
    connect(qApp, &QApplication::focusChanged, this, [this] { checkpoint(); });
    // The note of a marked cell goes to the status bar when it is selected or changes.
    connect(grid.selectionModel(), &QItemSelectionModel::currentChanged, this,
            &EditCommands::showCurrentNote);
    connect(&m_form.grid(), &GridModel::dataChanged, this, &EditCommands::showCurrentNote);

    connect(&m_form, &TForm1::languageChanged, this, &EditCommands::retranslate);
    connect(m_form.ComboBox1, &QComboBox::currentTextChanged, this,
            [this] { checkpoint(kSensorAngleKey); });
    connect(m_form.ComboBox2, &QComboBox::currentTextChanged, this,
            [this] { checkpoint(kActiveTableKey); });
    // The next edit, typing in a cell included, takes the notice of replaced angles away.
    connect(&m_form.grid(), &QAbstractItemModel::dataChanged, this, [this] {
        if (m_notice->isVisible() && !(capture() == m_history.recorded()))
            hideReplacedNotice();
    });
    connect(m_form.ComboBox3, &QComboBox::currentTextChanged, this,
            [this] { checkpoint(u"second pulse"); });
    connect(m_form.ComboBox4, &QComboBox::currentIndexChanged, this, [this] { checkpoint(); });
    connect(m_form.CheckBox1, &QCheckBox::toggled, this, [this] { checkpoint(); });

    ChartWidget &chart = *m_form.Chart1;
    for (int table = 1; table <= 3; ++table) {
        m_tableBackdrops[std::size_t(table - 1)] = chart.addBackdrop(
            &m_tables[std::size_t(table - 1)], kTableColours[table - 1], Qt::SolidLine, QString());
    }
    m_comparisonBackdrop =
        chart.addBackdrop(&m_comparison, kComparisonColour, Qt::DashLine, QString());
    chart.setDragRule([this](int index, double y) -> std::optional<ChartWidget::DragTarget> {
        const ChartSeries *series = m_form.Series1;
        if (m_form.document().image || index < 0 || index >= series->count() ||
            series->points().at(index).colour == kChartGreen)
            return std::nullopt;
        const QString sensorText = m_form.ComboBox1->currentText();
        try {
            const int code = nearestCode(y, strToInt(sensorText));
            return ChartWidget::DragTarget{double(codeToAngle(code, strToInt(sensorText))),
                                           angleTextForCode(code, sensorText)};
        } catch (const ConversionError &) {
            return std::nullopt;
        }
    });
    connect(&chart, &ChartWidget::pointDragged, this, &EditCommands::pointDragged);
    connect(&chart, &ChartWidget::pointHovered, this, &EditCommands::showHover);
}

void EditCommands::addToMenus(QMenu *file, QMenu *edit, QMenu *view)
{
    // File: beside the other sources, before the closing group.
    const QList<QAction *> fileActions = file->actions();
    QAction *before = nullptr;
    for (QAction *action : fileActions) {
        if (action->isSeparator())
            before = action;
    }
    file->insertSeparator(before);
    file->insertActions(before, {m_compare, m_clearComparison});

    QAction *first = edit->actions().value(0);
    edit->insertActions(first, {m_undo, m_redo});
    if (first)
        edit->insertSeparator(first);
    edit->addSeparator();
    edit->addActions({m_interpolate, m_shiftUp, m_shiftDown, m_setValue, m_smooth});
    edit->addActions({m_addDegrees, m_scalePercent, m_showStored});
    edit->addSeparator();
    edit->addActions({m_copyRows, m_pasteRows});
    edit->addSeparator();
    edit->addAction(m_enterMovesDown);

    view->addSeparator();
    view->addAction(m_otherTables);
}

void EditCommands::retranslate()
{
    const unsigned char language = m_form.state().Language;
    const std::pair<QAction *, CommandText> texts[] = {
        {m_undo, CommandText::Undo},
        {m_redo, CommandText::Redo},
        {m_interpolate, CommandText::Interpolate},
        {m_shiftUp, CommandText::ShiftUp},
        {m_shiftDown, CommandText::ShiftDown},
        {m_setValue, CommandText::SetValue},
        {m_smooth, CommandText::Smooth},
        {m_otherTables, CommandText::OtherTables},
        {m_compare, CommandText::CompareWith},
        {m_clearComparison, CommandText::ClearComparison},
        {m_showStored, CommandText::ShowStoredAngles},
        {m_copyRows, CommandText::CopyRows},
        {m_pasteRows, CommandText::PasteRows},
        {m_addDegrees, CommandText::AddDegrees},
        {m_scalePercent, CommandText::ScalePercent},
        {m_enterMovesDown, CommandText::EnterMovesDown},
    };
    for (const auto &[action, id] : texts)
        action->setText(commandText(id, language));
    ChartWidget &chart = *m_form.Chart1;
    for (int table = 1; table <= 3; ++table)
        chart.setBackdropName(m_tableBackdrops[std::size_t(table - 1)],
                              commandText(CommandText::TableName, language).arg(table));
    chart.setSeriesName(
        commandText(CommandText::TableName, language).arg(m_form.ComboBox2->currentText()));
    if (m_compared)
        chart.setBackdropName(
            m_comparisonBackdrop,
            commandText(CommandText::ComparisonName, language).arg(m_compared->fileName));
    updateUndoTexts();
    m_noticeUndo->setText(commandText(CommandText::Undo, language));
    showReplacedNoticeText();
}

template <typename Work> bool EditCommands::guarded(Work &&work)
{
    try {
        work();
        return true;
    } catch (const ConversionError &error) {
        m_platform.showError(&m_form, error.message() + QLatin1Char('.'));
        m_form.showUnreadableCell(error);
        return false;
    }
}

void EditCommands::showCurrentNote()
{
    // A cell that is no number is named until it is corrected; otherwise the current cell's.
    const GridView &view = *m_form.StringGrid1;
    const GridModel &grid = m_form.grid();
    const auto unreadable = grid.unreadableCell();
    const QString note = unreadable ? grid.note(unreadable->x(), unreadable->y())
                                    : grid.note(view.col(), view.row());
    if (note == m_shownNote)
        return;
    m_shownNote = note;
    emit statusMessage(note);
}

GridSnapshot EditCommands::capture() const
{
    return GridSnapshot::capture(m_form.document());
}

void EditCommands::sourceLoaded()
{
    hideReplacedNotice();
    m_history.reset(capture());
    syncViews();
}

void EditCommands::sourceSaved()
{
    m_history.absorb(capture());
    syncViews();
}

void EditCommands::checkpoint(QStringView mergeKey)
{
    record(mergeKey, 0);
}

void EditCommands::checkpoint(CommandText name)
{
    record({}, stepName(name));
}

void EditCommands::record(QStringView mergeKey, int name)
{
    if (!m_history.record(capture(), mergeKey, name))
        return;
    if (mergeKey == kSensorAngleKey || mergeKey == kActiveTableKey)
        noteReplacedAngles();
    else
        hideReplacedNotice();
    syncViews();
}

void EditCommands::restore(const GridSnapshot &snapshot)
{
    // Putting the boxes back is no user change: nothing is recomputed.
    Document document = m_form.document();
    snapshot.applyTo(document);
    m_form.grid().setDocument(std::move(document));
    refreshChartKeepingHighlight();
    syncViews();
}

void EditCommands::undo()
{
    checkpoint();
    hideReplacedNotice();
    if (const auto previous = m_history.undo())
        restore(*previous);
}

void EditCommands::redo()
{
    checkpoint();
    hideReplacedNotice();
    if (const auto next = m_history.redo())
        restore(*next);
}

void EditCommands::refreshChartKeepingHighlight()
{
    const Document &document = m_form.document();
    if (document.anyAngleEmpty())
        return;
    guarded([&] {
        refreshChart(document, *m_form.Series1);
        if (m_form.StringGrid1->col() == kAngle)
            addHighlightPoint(document, m_form.StringGrid1->row(), *m_form.Series1);
    });
}

void EditCommands::syncViews()
{
    const Document &document = m_form.document();
    const QString &sensor = document.settings.sensorAngle;
    const QString active = document.settings.activeTable.trimmed();
    const bool others = m_otherTables->isChecked();
    ChartWidget &chart = *m_form.Chart1;
    for (int table = 1; table <= 3; ++table) {
        ChartSeries &curve = m_tables[std::size_t(table - 1)];
        const bool shown = others && active != QString::number(table);
        if (shown)
            fillTableCurve(document, table, sensor, kTableColours[table - 1], curve);
        else if (curve.count() > 0)
            curve.clear();
        chart.setBackdropVisible(m_tableBackdrops[std::size_t(table - 1)], shown);
    }
    chart.setSeriesName(commandText(CommandText::TableName, m_form.state().Language).arg(active));

    if (m_compared) {
        bool ok = false;
        const int table = active.toInt(&ok);
        if (ok && table >= 1 && table <= 3) {
            const Document &theirDocument = m_compared->document;
            // An image has no sensor angle of its own: its angles count from the window's.
            const QString &theirSensor =
                theirDocument.image ? sensor : theirDocument.settings.sensorAngle;
            fillTableCurve(theirDocument, table, theirSensor, kComparisonColour, m_comparison);
        } else {
            m_comparison.clear();
        }
    }
    updateUndoTexts();
}

void EditCommands::editRows(
    CommandText name,
    const std::function<QStringList(const QStringList &, const QStringList &)> &change)
{
    checkpoint();
    GridView &view = *m_form.StringGrid1;
    GridModel &grid = m_form.grid();
    if (view.col() != kAngle || grid.anyAngleEmpty() || grid.document().image)
        return;
    const auto [first, last] = view.selectedRows();
    const bool changed = guarded([&] {
        const Document &document = m_form.document();
        const QStringList texts = change(column(document, kAngle, first, last),
                                         column(document, GridModel::kRpmColumn, first, last));
        for (int row = first; row <= last; ++row)
            grid.setCell(kAngle, row, texts.at(row - first));
    });
    if (!changed)
        return;
    refreshChartKeepingHighlight();
    record({}, stepName(name));
}

void EditCommands::interpolate()
{
    editRows(CommandText::Interpolate, [](const QStringList &angles, const QStringList &rpms) {
        return interpolateAngles(angles, rpms);
    });
}

void EditCommands::shift(int steps)
{
    editRows(steps > 0 ? CommandText::ShiftUp : CommandText::ShiftDown,
             [steps](const QStringList &angles, const QStringList &) {
                 return shiftAngles(angles, steps);
             });
}

void EditCommands::smooth()
{
    editRows(CommandText::Smooth,
             [](const QStringList &angles, const QStringList &) { return smoothAngles(angles); });
}

void EditCommands::showStoredAngles()
{
    checkpoint();
    if (m_form.document().image || m_form.grid().anyAngleEmpty())
        return;
    const bool shown = guarded(
        [&] { m_form.change([&](Document &doc) { recomputeAngleColumn(doc, *m_form.Series1); }); });
    if (shown)
        refreshChartKeepingHighlight();
    checkpoint();
}

void EditCommands::setValue()
{
    GridView &view = *m_form.StringGrid1;
    const GridModel &grid = m_form.grid();
    if (view.col() != kAngle || grid.anyAngleEmpty())
        return;
    double proposed = 0;
    try {
        const QString &current = grid.cell(kAngle, view.row());
        if (current != kNoAngleMark)
            proposed = strToFloat(current);
    } catch (const ConversionError &) {
    }
    const auto angle = askAngle(proposed);
    if (!angle)
        return;
    editRows(CommandText::SetValue,
             [value = *angle](const QStringList &angles, const QStringList &) {
                 return setAngles(angles, value);
             });
}

int EditCommands::rowOfPoint(int index) const
{
    const QList<ChartPoint> &points = m_form.Series1->points();
    if (index < 0 || index >= points.size())
        return 0;
    if (points.at(index).colour == kChartYellow)
        return m_form.StringGrid1->row();
    // The series holds the rows in the order of their breakpoints, rows of equal breakpoints
    // in grid order, with at most one highlight point among them.
    QList<std::pair<int, int>> byRpm;
    const GridModel &grid = m_form.grid();
    try {
        for (int row = GridModel::kFirstPoint; row <= GridModel::kLastPoint; ++row)
            byRpm.append({strToInt(grid.cell(GridModel::kRpmColumn, row)), row});
    } catch (const ConversionError &) {
        return 0;
    }
    std::stable_sort(byRpm.begin(), byRpm.end(),
                     [](const auto &a, const auto &b) { return a.first < b.first; });
    int position = index;
    for (int i = 0; i < index; ++i) {
        if (points.at(i).colour == kChartYellow)
            --position;
    }
    return position < byRpm.size() ? byRpm.at(position).second : 0;
}

void EditCommands::pointDragged(int index, double y)
{
    const int row = rowOfPoint(index);
    if (row == 0)
        return;
    checkpoint();
    const QString sensorText = m_form.document().settings.sensorAngle;
    guarded([&] {
        const int code = nearestCode(y, strToInt(sensorText));
        m_form.grid().setCell(kAngle, row, angleTextForCode(code, sensorText));
    });
    refreshChartKeepingHighlight();
    checkpoint(CommandText::DragPoint);
}

QString EditCommands::pointReadOut(int row) const
{
    const Document &document = m_form.document();
    const unsigned char language = m_form.state().Language;
    if (row < GridModel::kFirstPoint || row > GridModel::kLastPoint)
        return {};
    const QString &angle = document.cell(kAngle, row);
    QString code = kNoAngleMark;
    try {
        const AngleCode converted = angleToCode(angle, document.settings.sensorAngle);
        if (converted.failure == AngleLimit::None)
            code = QString::number(converted.code);
    } catch (const ConversionError &) {
    }
    const QString &from = document.cell(GridModel::kRpmColumn, row);
    if (row == GridModel::kLastPoint)
        return commandText(CommandText::HoverLast, language).arg(from, angle, code);
    return commandText(CommandText::HoverRange, language)
        .arg(from, document.cell(GridModel::kRpmColumn, row + 1), angle, code);
}

void EditCommands::showHover(int index, QPoint globalPosition)
{
    const QString text = pointReadOut(rowOfPoint(index));
    if (text.isEmpty())
        QToolTip::hideText();
    else
        QToolTip::showText(globalPosition, text, m_form.Chart1);
    // One status text at a time: a cell's note comes back when it is selected again.
    m_shownNote = text;
    emit statusMessage(text);
}

bool EditCommands::comparing() const
{
    return m_compared != nullptr;
}

void EditCommands::chooseComparison()
{
    OpenDialogSettings dialog = m_form.OpenDialog1;
    dialog.fileName.clear();
    dialog.title = windowText(WindowText::CompareTitle, m_form.state().Language);
    if (const auto chosen = m_platform.chooseFileToOpen(&m_form, dialog))
        compareWith(*chosen);
}

bool EditCommands::compareWith(const QString &path)
{
    const unsigned char language = m_form.state().Language;
    // The same checks as a load: a FIFO or a huge file is refused unread.
    const SourceFileRead file = readSourceFile(path);
    if (file.outcome != SourceFileRead::Read) {
        m_platform.showError(&m_form, message(refusalMessage(file.outcome), language, path));
        return false;
    }
    auto compared = std::make_unique<Comparison>();
    if (isImagePath(path)) {
        const ImageDecode decode = decodeIntelHex(file.bytes);
        if (!decode.ok()) {
            m_platform.showWarning(&m_form, path + QStringLiteral(":\n") +
                                                decodeFailureText(decode, language));
            return false;
        }
        const bool made = guarded([&] {
            compared->document = imageDocument(*decode.calibration, path, file.bytes,
                                               m_form.document().settings, language);
        });
        if (!made)
            return false;
        return showComparison(std::move(compared), path);
    }
    compared->document = Document::atStart(language);
    compared->document.text = SourceText::fromFileBytes(file.bytes);
    std::optional<MessageId> stop;
    const bool read = guarded([&] { stop = scanSource(compared->document, language).stop; });
    if (!read)
        return false;
    if (stop) {
        m_platform.showWarning(&m_form, message(*stop, language));
        return false;
    }
    return showComparison(std::move(compared), path);
}

bool EditCommands::showComparison(std::unique_ptr<Comparison> compared, const QString &path)
{
    const unsigned char language = m_form.state().Language;
    compared->fileName = QFileInfo(path).fileName();
    m_compared = std::move(compared);
    const Document &theirs = m_compared->document;
    m_form.grid().setComparison(GridModel::Comparison{
        theirs.calibration.codes,
        theirs.image ? std::nullopt : std::optional<QString>(theirs.settings.sensorAngle)});
    m_form.Chart1->setBackdropName(
        m_comparisonBackdrop,
        commandText(CommandText::ComparisonName, language).arg(m_compared->fileName));
    m_form.Chart1->setBackdropVisible(m_comparisonBackdrop, true);
    m_clearComparison->setEnabled(true);
    syncViews();
    return true;
}

void EditCommands::clearComparison()
{
    m_compared.reset();
    m_form.grid().setComparison(std::nullopt);
    m_comparison.clear();
    m_clearComparison->setEnabled(false);
    syncViews();
}

void EditCommands::rememberOptionsIn(QSettings *settings)
{
    m_settings = nullptr;
    if (settings)
        m_enterMovesDown->setChecked(settings->value(kEnterMovesDownSetting, false).toBool());
    m_settings = settings;
}

void EditCommands::updateUndoTexts()
{
    const unsigned char language = m_form.state().Language;
    const auto name = [language](QAction *action, int step, CommandText plain, CommandText named) {
        action->setText(step == 0 ? commandText(plain, language)
                                  : commandText(named, language).arg(stepText(step, language)));
    };
    name(m_undo, m_history.undoLabel(), CommandText::Undo, CommandText::UndoNamed);
    name(m_redo, m_history.redoLabel(), CommandText::Redo, CommandText::RedoNamed);
}

void EditCommands::snapRows(CommandText name, double value, SnappedAnglesChange change)
{
    SnappedAngles failed;
    const QString sensor = m_form.document().settings.sensorAngle;
    editRows(name, [&](const QStringList &angles, const QStringList &) {
        SnappedAngles result = change(angles, value, strToInt(sensor));
        if (result.failure != AngleLimit::None)
            failed = result;
        return result.angles;
    });
    if (failed.failure == AngleLimit::None)
        return;
    // Nothing changed: the run keeps its angles; the row that would leave the codes is named.
    const int row = m_form.StringGrid1->selectedRows().first + failed.failedRow;
    const unsigned char language = m_form.state().Language;
    const MessageId id = failed.failure == AngleLimit::Below ? MessageId::BelowSensorLimit
                                                             : MessageId::AboveSensorLimit;
    m_platform.showWarning(&m_form, message(id, language) + QLatin1Char('\n') +
                                        commandText(CommandText::RowNote, language)
                                            .arg(row)
                                            .arg(m_form.grid().cell(GridModel::kRpmColumn, row)));
}

void EditCommands::addDegrees()
{
    GridView &view = *m_form.StringGrid1;
    if (view.col() != kAngle || m_form.grid().anyAngleEmpty() || m_form.document().image)
        return;
    if (const auto degrees = askDegrees(0))
        snapRows(CommandText::AddDegrees, *degrees, &offsetAngles);
}

void EditCommands::scalePercent()
{
    GridView &view = *m_form.StringGrid1;
    if (view.col() != kAngle || m_form.grid().anyAngleEmpty() || m_form.document().image)
        return;
    if (const auto percent = askPercent(100))
        snapRows(CommandText::ScalePercent, *percent, &scaleAngles);
}

void EditCommands::copyRows()
{
    GridView &view = *m_form.StringGrid1;
    QLineEdit *const editor = view.cellEditor();
    if (!view.hasRowRange() && editor && editor->hasSelectedText()) {
        editor->copy();
        return;
    }
    const auto [first, last] = view.selectedRows();
    QGuiApplication::clipboard()->setText(rowsAsText(m_form.document(), first, last));
}

void EditCommands::pasteRows()
{
    GridView &view = *m_form.StringGrid1;
    GridModel &grid = m_form.grid();
    const int column = view.col();
    if (!GridModel::editable(column, view.row()) || grid.document().image)
        return;
    const QString text = QGuiApplication::clipboard()->text();
    QLineEdit *const editor = view.cellEditor();
    if (editor && !view.hasRowRange() && pastedValues(text, column).size() == 1) {
        // The cell editor's own paste: the text goes in whole at the cursor, or not at all.
        QKeyCombination keys(Qt::CTRL | Qt::Key_V);
        for (const QKeySequence &binding : QKeySequence::keyBindings(QKeySequence::Paste)) {
            if (binding.count() == 1) {
                keys = binding[0];
                break;
            }
        }
        QKeyEvent paste(QEvent::KeyPress, keys.key(), keys.keyboardModifiers());
        // Sent past this command, which would otherwise take the key again.
        m_pasteRows->setEnabled(false);
        QApplication::sendEvent(editor, &paste);
        m_pasteRows->setEnabled(true);
        return;
    }
    const auto [first, last] = view.selectedRows();
    const bool run = view.hasRowRange();
    const int start = run ? first : view.row();
    const int room = (run ? last : GridModel::kLastPoint) - start + 1;
    const PastePlan plan = planPaste(text, column, start, room, run, view.keyPress,
                                     grid.document().settings.sensorAngle);
    if (plan.refusal) {
        m_platform.showWarning(&m_form, pasteRefusal(plan, room, m_form.state().Language));
        return;
    }
    if (plan.texts.isEmpty())
        return;
    checkpoint();
    for (int i = 0; i < plan.texts.size(); ++i)
        grid.setCell(column, start + i, plan.texts.at(i));
    refreshChartKeepingHighlight();
    record({}, stepName(CommandText::PasteRows));
}

void EditCommands::moveDownAfterEnter()
{
    GridView &view = *m_form.StringGrid1;
    if (view.row() >= GridModel::kLastPoint)
        return;
    // A text that is no number stays current: the move's chart refresh would refuse it again.
    if (!m_form.grid().anyAngleEmpty()) {
        ChartSeries scratch;
        try {
            refreshChart(m_form.document(), scratch);
        } catch (const ConversionError &) {
            return;
        }
    }
    view.setCurrentCell(view.col(), view.row() + 1);
}

void EditCommands::createReplacedNotice()
{
    m_notice = new QFrame(&m_form);
    m_notice->setObjectName(QStringLiteral("replacedNotice"));
    m_notice->setAccessibleName(QStringLiteral("replacedNotice"));
    m_notice->setAutoFillBackground(true);
    m_notice->setBackgroundRole(QPalette::ToolTipBase);
    m_notice->setForegroundRole(QPalette::ToolTipText);
    auto *layout = new QHBoxLayout(m_notice);
    layout->setContentsMargins(4, 0, 0, 0);
    layout->setSpacing(6);
    m_noticeLabel = new QLabel(m_notice);
    m_noticeLabel->setForegroundRole(QPalette::ToolTipText);
    m_noticeUndo = new QToolButton(m_notice);
    m_noticeUndo->setAutoRaise(true);
    m_noticeUndo->setFocusPolicy(Qt::NoFocus);
    m_noticeUndo->setToolButtonStyle(Qt::ToolButtonTextOnly);
    layout->addWidget(m_noticeLabel);
    layout->addWidget(m_noticeUndo);
    layout->addStretch();
    connect(m_noticeUndo, &QToolButton::clicked, this, &EditCommands::undo);
    m_notice->hide();
}

bool EditCommands::replacedNoticeShown() const
{
    return !m_notice->isHidden();
}

QString EditCommands::replacedNoticeText() const
{
    return replacedNoticeShown() ? m_noticeLabel->text() : QString();
}

void EditCommands::noteReplacedAngles()
{
    // The state one undo gives back, against what the change left.
    const GridSnapshot *before = m_history.undoState();
    const GridSnapshot &now = m_history.recorded();
    int count = 0;
    int table = 0;
    if (before) {
        try {
            table = strToInt(before->settings.activeTable);
            strToInt(before->settings.sensorAngle);
        } catch (const ConversionError &) {
            table = 0;
        }
    }
    if (table >= 1 && table <= 3) {
        for (int row = GridModel::kFirstPoint; row <= GridModel::kLastPoint; ++row) {
            if (before->cell(kAngle, row) != now.cell(kAngle, row) &&
                !storedAngle(*before, table, row))
                ++count;
        }
    }
    if (count == 0) {
        hideReplacedNotice();
        return;
    }
    m_replacedCount = count;
    m_replacedTable = QString::number(table);
    showReplacedNoticeText();
    // Over the free strip above the grid and the chart, whatever their places.
    const QRect grid = m_form.StringGrid1->geometry();
    const QRect chart = m_form.Chart1->geometry();
    m_notice->setGeometry(grid.left(), grid.top() - kNoticeHeight, chart.right() + 1 - grid.left(),
                          kNoticeHeight);
    m_notice->raise();
    m_notice->show();
}

void EditCommands::showReplacedNoticeText()
{
    m_noticeLabel->setText(commandText(CommandText::AnglesReplaced, m_form.state().Language)
                               .arg(m_replacedCount)
                               .arg(m_replacedTable));
}

void EditCommands::hideReplacedNotice()
{
    if (m_notice)
        m_notice->hide();
}
