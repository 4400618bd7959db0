// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
// Copy and paste of grid rows as text.
#include "app/editcommandsparts.h"

#include "app/gridclipboard.h"
#include "app/gridview.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QLineEdit>

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
