// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#pragma once

#include <QObject>

#include <functional>

class GridModel;

// Whether the grid's points or the settings differ from the file as last loaded or saved: the
// comparison `differs` (the edit history's saved state against the document) taken again
// whenever the grid's document changes. Header texts (the language switch) are no change; what
// happens while the tracker is paused (a load filling the window) is compared only afterwards.
class ChangeTracker : public QObject
{
    Q_OBJECT
public:
    explicit ChangeTracker(QObject *parent = nullptr) : QObject(parent) {}

    void watch(GridModel &grid, std::function<bool()> differs);

    bool edited() const { return m_edited; }
    // After a load or a successful save to file, which make the document the saved state.
    void clear() { setEdited(false); }
    void setPaused(bool paused) { m_paused = paused; }
    bool paused() const { return m_paused; }

signals:
    void editedChanged(bool edited);

private:
    void changed();
    void setEdited(bool edited);

    std::function<bool()> m_differs;
    bool m_edited = false;
    bool m_paused = false;
};
