// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
// The chart side of the edit commands: its points as grid rows, a dragged point, the
// read-out of a point, and the file compared with the document.
#include "app/editcommandsparts.h"

#include "app/commandtexts.h"
#include "app/gridview.h"
#include "bench/imagedecode.h"
#include "chart/chartwidget.h"
#include "domain/anglecode.h"
#include "domain/rangeedit.h"
#include "format/sourcefile.h"
#include "session/imagedocument.h"
#include "session/loadscan.h"
#include "session/texts.h"

#include <QFileInfo>
#include <QToolTip>

#include <algorithm>

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
