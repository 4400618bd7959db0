// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#include "app/editcommands.h"
#include "app/editcommandsparts.h"

#include "app/edittexts.h"
#include "app/gridmodel.h"
#include "app/gridview.h"
#include "app/platform.h"
#include "app/unit1.h"
#include "chart/chartwidget.h"
#include "domain/anglecode.h"
#include "domain/numbers.h"
#include "domain/rangeedit.h"
#include "session/chartrefresh.h"
#include "session/tablecurves.h"
#include "session/texts.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QSettings>
#include <QSignalBlocker>
#include <QToolButton>

namespace {

constexpr quint32 kTableColours[3] = {0x1F5FD0, 0xD07000, 0x8A2BB0};
constexpr quint32 kComparisonColour = 0x006060;
constexpr QStringView kSensorAngleKey = u"sensor angle";
constexpr QStringView kActiveTableKey = u"active table";
const QString kEnterMovesDownSetting = QStringLiteral("grid/enterMovesDown");
QString stepText(int name, unsigned char language)
{
    QString text = commandText(CommandText(name - 1), language);
    if (text.endsWith(QChar(u'…')))
        text.chop(1);
    return text;
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

} // namespace

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

bool EditCommands::differsFromSaved() const
{
    return !(capture() == m_history.saved());
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
