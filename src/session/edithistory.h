// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#pragma once

#include "session/document.h"

#include <QString>
#include <QStringView>

#include <array>
#include <optional>
#include <vector>

struct Document;

// What the user edits in a document, as plain values: the cells of points 1..32 (breakpoints,
// the three tables' codes, the angle column) and the settings. One undo step restores one of
// these.
struct GridSnapshot
{
    static constexpr int kColumns = 5;
    static constexpr int kPoints = 32;

    std::array<QString, kColumns * kPoints> cells; // row-major, points 1..32
    DocumentSettings settings;

    const QString &cell(int column, int row) const;
    QString &cell(int column, int row);

    static GridSnapshot capture(const Document &document);
    // Puts the cells and settings back; the rest of the document stays.
    void applyTo(Document &document) const;

    bool operator==(const GridSnapshot &) const = default;
};

// Undo and redo over snapshots. The history holds the state after the last recorded change;
// record() compares the current state with it and keeps the old one as an undo step when they
// differ. Changes that carry the same merge key one after another (a sensor angle typed digit
// by digit) make one step.
class EditHistory
{
public:
    explicit EditHistory(std::size_t limit = 200);

    // Forgets every step: the current state is where the history starts, and the saved one (a
    // load).
    void reset(const GridSnapshot &current);
    // The current state becomes the recorded and the saved one without a step of its own (a
    // save to file).
    void absorb(const GridSnapshot &current);
    // True when a step was added or merged. `label` names the change for the Undo and Redo
    // commands (0: no name); a merged step keeps the name it started with.
    bool record(const GridSnapshot &current, QStringView mergeKey = {}, int label = 0);

    bool canUndo() const { return !m_undo.empty(); }
    bool canRedo() const { return !m_redo.empty(); }
    // The state to show after one step back or forward; nothing when there is none. Record the
    // current state first, or changes since the last record are lost from the redo side.
    std::optional<GridSnapshot> undo();
    std::optional<GridSnapshot> redo();

    const GridSnapshot &recorded() const { return m_recorded; }
    // The state of the file as last loaded or saved.
    const GridSnapshot &saved() const { return m_saved; }
    // The state one undo gives back; null when there is none.
    const GridSnapshot *undoState() const
    {
        return m_undo.empty() ? nullptr : &m_undo.back().state;
    }
    // The names of the steps that undo and redo would take; 0 when unnamed or none.
    int undoLabel() const { return m_undo.empty() ? 0 : m_undo.back().label; }
    int redoLabel() const { return m_redo.empty() ? 0 : m_redo.back().label; }

private:
    // A state to go back (or forward) to, with the name of the change between it and the next.
    struct Step
    {
        GridSnapshot state;
        int label = 0;
    };

    // The state on top of `from` becomes the recorded one; the recorded one goes onto `to`.
    std::optional<GridSnapshot> step(std::vector<Step> &from, std::vector<Step> &to);

    std::size_t m_limit;
    GridSnapshot m_recorded;
    GridSnapshot m_saved;
    std::vector<Step> m_undo;
    std::vector<Step> m_redo;
    QString m_lastKey;
};
