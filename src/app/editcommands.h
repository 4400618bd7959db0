// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#pragma once

#include "app/edittexts.h"
#include "chart/chartseries.h"
#include "session/edithistory.h"

#include <QObject>
#include <QPoint>

#include <functional>
#include <memory>
#include <optional>

class GridModel;
class Platform;
class QAction;
class QFrame;
class QLabel;
class QMenu;
class QSettings;
class QToolButton;
class TForm1;

// The window's editing commands beside the controls' own handlers: undo and redo of every
// change to the grid and the settings, commands on a run of rows of the angle column, dragging
// the active table's points on the chart, the other tables and a compared source drawn behind
// the active one, and the chart's read-out of the point under the mouse.
//
// A change becomes an undo step at the moments the user finishes it: the current cell moves,
// Enter, the focus moves, a button's click has been handled, a setting box changed (a sensor
// angle typed digit by digit is one step). A load starts the history afresh; a save to file
// takes the grid as it left it without a step of its own.
struct SnappedAngles;
using SnappedAnglesChange = SnappedAngles (*)(const QStringList &angles, double value,
                                              int sensorAngle);

class EditCommands : public QObject
{
    Q_OBJECT
public:
    EditCommands(TForm1 &form, Platform &platform);
    ~EditCommands() override;

    QAction *undoAction() const { return m_undo; }
    QAction *redoAction() const { return m_redo; }
    QAction *interpolateAction() const { return m_interpolate; }
    QAction *shiftUpAction() const { return m_shiftUp; }
    QAction *shiftDownAction() const { return m_shiftDown; }
    QAction *setValueAction() const { return m_setValue; }
    QAction *smoothAction() const { return m_smooth; }
    QAction *otherTablesAction() const { return m_otherTables; }
    QAction *compareAction() const { return m_compare; }
    QAction *clearComparisonAction() const { return m_clearComparison; }
    QAction *showStoredAnglesAction() const { return m_showStored; }
    QAction *copyRowsAction() const { return m_copyRows; }
    QAction *pasteRowsAction() const { return m_pasteRows; }
    QAction *addDegreesAction() const { return m_addDegrees; }
    QAction *scalePercentAction() const { return m_scalePercent; }
    QAction *enterMovesDownAction() const { return m_enterMovesDown; }

    // Puts the commands into the window's menus: comparing into File, undo and the range
    // commands into Edit, the other tables into View.
    void addToMenus(QMenu *file, QMenu *edit, QMenu *view);

    // Asks for the angle of "Set to value"; nothing when cancelled. A dialog unless replaced.
    std::function<std::optional<double>(double proposed)> askAngle;
    // Ask for the degrees of "Add…" and the percentage of "Scale…"; dialogs unless replaced.
    std::function<std::optional<double>(double proposed)> askDegrees;
    std::function<std::optional<double>(double proposed)> askPercent;
    // Options kept between runs ("Enter moves down") are read from and written to `settings`.
    void rememberOptionsIn(QSettings *settings);

    // A load starts the history afresh; a save to file takes the grid as it left it.
    void sourceLoaded();
    void sourceSaved();
    // Whether the points or settings differ from the file as last loaded or saved.
    bool differsFromSaved() const;
    // Makes pending changes an undo step now.
    void checkpoint(QStringView mergeKey = {});
    // Makes pending changes an undo step that Undo and Redo call by `name`.
    void checkpoint(CommandText name);
    void undo();
    void redo();
    bool canUndo() const { return m_history.canUndo(); }
    bool canRedo() const { return m_history.canRedo(); }

    // Range commands on the selected rows of the angle column.
    void interpolate();
    void shift(int steps);
    void setValue();
    void smooth();
    // The angle column computed again from the active table's codes, as one undo step.
    void showStoredAngles();
    // Every angle of the run moved by degrees, or scaled by a percentage, onto the nearest code.
    void addDegrees();
    void scalePercent();

    // The selected rows (the current row outside a run) as tab-separated text on the clipboard;
    // with no run and text selected in the cell editor, that text.
    void copyRows();
    // A column of values from the clipboard into the current column, from the current row (or
    // the run's first) down, as one step; refused whole, with a message, when a value does not
    // fit. One value with no run goes into the cell editor as a paste there would.
    void pasteRows();

    // The bar above the grid that says a table or sensor-angle change replaced typed angles that
    // "Save to table" had not stored; its Undo takes the change back with them.
    bool replacedNoticeShown() const;
    QString replacedNoticeText() const;
    QToolButton *replacedNoticeUndo() const { return m_noticeUndo; }

    // A drag of the main series' point `index` to the angle y, as the chart reports it.
    void pointDragged(int index, double y);
    // The grid row (1..32) that the main series' point `index` stands for; 0 for none.
    int rowOfPoint(int index) const;
    // The read-out of the point that stands for a row: RPM range, angle and code.
    QString pointReadOut(int row) const;

    // Compares with the source or firmware image (".hex") at `path`; false (after a message) when
    // it cannot be read. An image's angles count from the window's sensor angle.
    bool compareWith(const QString &path);
    void clearComparison();
    bool comparing() const;
    const ChartSeries &comparisonSeries() const { return m_comparison; }
    const ChartSeries &tableCurve(int table) const { return m_tables[std::size_t(table - 1)]; }

signals:
    // A short text for the status bar; empty to clear it.
    void statusMessage(const QString &text);

private:
    struct Comparison;

    void createActions();
    void connectWindow();
    void retranslate();
    GridSnapshot capture() const;
    void restore(const GridSnapshot &snapshot);
    void syncViews();
    void refreshChartKeepingHighlight();
    void editRows(CommandText name,
                  const std::function<QStringList(const QStringList &angles,
                                                  const QStringList &rpms)> &change);
    void record(QStringView mergeKey, int name);
    void snapRows(CommandText name, double value, SnappedAnglesChange change);
    // Whether the range commands apply: the cursor in the angle column of an editable grid
    // whose angles are all filled.
    bool angleRunEditable() const;
    void updateUndoTexts();
    void createReplacedNotice();
    void noteReplacedAngles();
    void hideReplacedNotice();
    void showReplacedNoticeText();
    void moveDownAfterEnter();
    void chooseComparison();
    bool showComparison(std::unique_ptr<Comparison> compared, const QString &path);
    void showHover(int index, QPoint globalPosition);
    template <typename Work> bool guarded(Work &&work);
    // The note of the cell that is no number, or else of the current cell, into the status bar
    // when it changed.
    void showCurrentNote();

    TForm1 &m_form;
    Platform &m_platform;
    EditHistory m_history;
    std::array<ChartSeries, 3> m_tables;
    std::array<int, 3> m_tableBackdrops{};
    ChartSeries m_comparison;
    int m_comparisonBackdrop = -1;
    std::unique_ptr<Comparison> m_compared;

    QAction *m_undo;
    QAction *m_redo;
    QAction *m_interpolate;
    QAction *m_shiftUp;
    QAction *m_shiftDown;
    QAction *m_setValue;
    QAction *m_smooth;
    QAction *m_otherTables;
    QAction *m_compare;
    QAction *m_clearComparison;
    QAction *m_showStored;
    QString m_shownNote;
    QAction *m_copyRows;
    QAction *m_pasteRows;
    QAction *m_addDegrees;
    QAction *m_scalePercent;
    QAction *m_enterMovesDown;
    QSettings *m_settings = nullptr;

    QFrame *m_notice = nullptr;
    QLabel *m_noticeLabel = nullptr;
    QToolButton *m_noticeUndo = nullptr;
    int m_replacedCount = 0;
    QString m_replacedTable;
};
