// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#pragma once

#include "chart/chartseries.h"
#include "session/gridsnapshot.h"

#include <QObject>
#include <QPoint>

#include <functional>
#include <memory>
#include <optional>

class GridModel;
class Platform;
class QAction;
class QMenu;
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

    // Puts the commands into the window's menus: comparing into File, undo and the range
    // commands into Edit, the other tables into View.
    void addToMenus(QMenu *file, QMenu *edit, QMenu *view);

    // Asks for the angle of "Set to value"; nothing when cancelled. A dialog unless replaced.
    std::function<std::optional<double>(double proposed)> askAngle;

    // A load starts the history afresh; a save to file takes the grid as it left it.
    void sourceLoaded();
    void sourceSaved();
    // Makes pending changes an undo step now.
    void checkpoint(QStringView mergeKey = {});
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
    void editRows(const std::function<QStringList(const QStringList &angles,
                                                  const QStringList &rpms)> &change);
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
};
