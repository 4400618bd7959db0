// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
// The notice above the grid that a change replaced angles typed by hand, with its Undo.
#include "app/editcommandsparts.h"

#include "app/gridview.h"
#include "chart/chartwidget.h"
#include "domain/anglecode.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>

namespace {

// The notice of replaced angles fills the strip between the top edge and the grid.
constexpr int kNoticeHeight = 16;

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

} // namespace

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
