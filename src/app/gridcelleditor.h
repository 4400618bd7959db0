// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#pragma once

#include "app/gridview.h"

#include <QLineEdit>
#include <QPersistentModelIndex>
#include <QPointer>
#include <QStyledItemDelegate>

class QInputMethodEvent;
class QKeyEvent;

namespace gridkeys {

constexpr QChar kEnter = u'\r';
constexpr QChar kBackspace = u'\b';
constexpr QChar kEscape = u'\x1b';

// The characters a key press types, as the key hook sees them. Keys that only move or delete
// type nothing.
QString typedText(const QKeyEvent &event);

// Enter and Escape belong to the grid: the line edit would end editing or pass them on.
inline bool hasGridCommand(const QString &text)
{
    return text.contains(kEnter) || text.contains(kEscape);
}

} // namespace gridkeys

// The stock delegate, which paints the cells from the model's roles, plus the one cell editor:
// a frameless line edit in the cell's colours whose typing, paste and input-method text pass
// the grid's key hook, and whose text goes into the cell on every change.
class GridView::Delegate final : public QStyledItemDelegate
{
public:
    explicit Delegate(GridView &view) : QStyledItemDelegate(&view), m_view(view) {}

    QLineEdit *editor() const { return m_editor; }
    QModelIndex editorIndex() const { return m_editorIndex; }
    // The view is about to close the editor itself.
    void forgetEditor() const
    {
        m_editor = nullptr;
        m_editorIndex = QPersistentModelIndex();
    }

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &,
                          const QModelIndex &index) const override;
    void destroyEditor(QWidget *editor, const QModelIndex &index) const override;
    void setEditorData(QWidget *editor, const QModelIndex &index) const override;
    void setModelData(QWidget *editor, QAbstractItemModel *model,
                      const QModelIndex &index) const override;
    void updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option,
                              const QModelIndex &) const override;
    // The stock cell, with a small triangle in the top right corner of an angle whose text is
    // not the angle of its stored code.
    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override;
    bool eventFilter(QObject *object, QEvent *event) override;

private:
    bool keyPress(QLineEdit &edit, const QKeyEvent &event);
    void inputMethod(QInputMethodEvent &event);

    GridView &m_view;
    mutable QPointer<QLineEdit> m_editor;
    mutable QPersistentModelIndex m_editorIndex;
    mutable bool m_fillingEditor = false;
};
