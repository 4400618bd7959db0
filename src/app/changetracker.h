// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#pragma once

#include <QObject>

class GridModel;
class QCheckBox;
class QComboBox;

// Whether the grid's points or the settings have changed since the source was loaded or last
// saved to file. Header texts (the language switch) are no change; what happens while the
// tracker is paused (a load filling the window) neither.
class ChangeTracker : public QObject
{
    Q_OBJECT
public:
    explicit ChangeTracker(QObject *parent = nullptr) : QObject(parent) {}

    void watch(GridModel &grid);
    void watch(QComboBox *box);
    void watch(QCheckBox *box);

    bool edited() const { return m_edited; }
    // After a load or a successful save to file.
    void clear() { setEdited(false); }
    void setPaused(bool paused) { m_paused = paused; }
    bool paused() const { return m_paused; }

signals:
    void editedChanged(bool edited);

private:
    void changed();
    void setEdited(bool edited);

    bool m_edited = false;
    bool m_paused = false;
};
