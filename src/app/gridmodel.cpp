// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#include "app/gridmodel.h"

#include "app/edittexts.h"
#include "domain/anglecode.h"
#include "domain/numbers.h"
#include "domain/rangeedit.h"
#include "session/tablecolumn.h"
#include "session/texts.h"

#include <QColor>
#include <QFont>

namespace {

constexpr QColor kYellow(255, 255, 0);

enum MarkFlag : quint8
{
    kUnordered = 1,
    kUnreadable = 2,
    kStoredDiffers = 4,
    kDiffersFromComparison = 8,
};

// Bold or italic over whatever font the view draws in.
QFont markedFont(bool bold, bool italic)
{
    QFont font;
    font.setBold(bold);
    font.setItalic(italic);
    return font;
}

QFont boldFont()
{
    return markedFont(true, false);
}

bool readsAsNumber(int column, const QString &text)
{
    try {
        if (column == Document::kRpmColumn)
            strToInt(text);
        else if (text != kNoAngleMark)
            strToFloat(text);
        return true;
    } catch (const ConversionError &) {
        return false;
    }
}

bool sameAngle(const QString &ours, const QString &theirs)
{
    return differingRows({ours}, {theirs}).isEmpty();
}

} // namespace

GridModel::GridModel(QObject *parent) : QAbstractTableModel(parent) {}

void GridModel::setDocument(Document document)
{
    std::swap(m_document, document);
    const Document &before = document;
    for (int point = kFirstPoint; point <= kLastPoint; ++point) {
        int first = -1;
        for (int column = 0; column <= kColumns; ++column) {
            const bool differs =
                column < kColumns && before.cell(column, point) != m_document.cell(column, point);
            if (differs && first < 0)
                first = column;
            if (!differs && first >= 0) {
                emit dataChanged(index(point - 1, first), index(point - 1, column - 1),
                                 {Qt::DisplayRole, Qt::EditRole});
                first = -1;
            }
        }
    }
    if (before.headers != m_document.headers ||
        before.settings.activeTable != m_document.settings.activeTable)
        emit headerDataChanged(Qt::Horizontal, 0, kColumns - 1);
    if (before.settings != m_document.settings)
        emit settingsChanged();
    refreshMarks();
}

void GridModel::setLanguage(unsigned char language)
{
    m_language = language;
    refreshMarks();
}

void GridModel::setComparison(std::optional<Comparison> comparison)
{
    m_comparison = std::move(comparison);
    refreshMarks();
}

QList<int> GridModel::boldRows() const
{
    QList<int> points;
    for (int point = kFirstPoint; point <= kLastPoint; ++point) {
        if (cachedMark(kAngleColumn, point).flags & kDiffersFromComparison)
            points.append(point);
    }
    return points;
}

void GridModel::setUnreadableCell(std::optional<QPoint> cell)
{
    m_unreadable = cell;
    refreshMarks();
}

QString GridModel::note(int column, int point) const
{
    if ((column != kRpmColumn && column != kAngleColumn) || point < kFirstPoint ||
        point > kLastPoint)
        return {};
    return cachedMark(column, point).note;
}

GridModel::Mark &GridModel::cachedMark(int column, int point)
{
    return m_marks[std::size_t((column == kRpmColumn ? 0 : kPointCount) + point - 1)];
}

const GridModel::Mark &GridModel::cachedMark(int column, int point) const
{
    return const_cast<GridModel *>(this)->cachedMark(column, point);
}

GridModel::Mark GridModel::markOf(int column, int point) const
{
    Mark mark;
    const QString &text = cell(column, point);
    if (m_unreadable == QPoint(column, point)) {
        mark.flags |= kUnreadable;
        mark.note = column == kRpmColumn
                        ? commandText(CommandText::UnreadableRpm, m_language).arg(point).arg(text)
                        : commandText(CommandText::UnreadableAngle, m_language)
                              .arg(point)
                              .arg(cell(kRpmColumn, point), text);
        return mark;
    }
    if (column == kRpmColumn) {
        // Before a load the breakpoints belong to no firmware.
        if (!m_document.loaded && !m_document.image)
            return mark;
        if (const auto unordered = unorderedBreakpointAt(m_document, point)) {
            mark.flags |= kUnordered;
            mark.note = unorderedBreakpointNote(*unordered, m_language);
        }
        return mark;
    }
    if (text.isEmpty())
        return mark;
    const QString &sensor = m_document.settings.sensorAngle;
    // Nothing to compare with while a table, a code or the sensor angle is no number (being
    // typed, or before a load).
    try {
        const int code = strToInt(cell(activeTableColumn(m_document.settings.activeTable), point));
        const QString stored = angleTextForCode(code, sensor);
        if (!sameAngle(text, stored)) {
            mark.flags |= kStoredDiffers;
            mark.note = code == kNoAngleCode
                            ? commandText(CommandText::StoredAsNoAngle, m_language)
                            : commandText(CommandText::StoredAs, m_language).arg(stored);
        }
    } catch (const ConversionError &) {
    }
    try {
        if (m_comparison) {
            const int table = activeTableColumn(m_document.settings.activeTable);
            const QString &theirCode = m_comparison->codes[std::size_t(table - 1)][point - 1];
            const QString theirs =
                angleTextForCode(strToInt(theirCode), m_comparison->sensorAngle.value_or(sensor));
            if (!sameAngle(text, theirs))
                mark.flags |= kDiffersFromComparison;
        }
    } catch (const ConversionError &) {
    }
    return mark;
}

void GridModel::refreshMarks()
{
    if (m_unreadable &&
        readsAsNumber(m_unreadable->x(), cell(m_unreadable->x(), m_unreadable->y())))
        m_unreadable.reset();
    static const QList<int> roles{Qt::BackgroundRole,
                                  Qt::ForegroundRole,
                                  Qt::FontRole,
                                  Qt::ToolTipRole,
                                  Qt::AccessibleDescriptionRole,
                                  kStoredAngleRole};
    for (const int column : {kRpmColumn, kAngleColumn}) {
        for (int point = kFirstPoint; point <= kLastPoint; ++point) {
            Mark mark = markOf(column, point);
            Mark &cached = cachedMark(column, point);
            if (mark == cached)
                continue;
            cached = std::move(mark);
            const QModelIndex changed = index(point - 1, column);
            emit dataChanged(changed, changed, roles);
        }
    }
}

void GridModel::setSettings(const DocumentSettings &settings)
{
    const bool activeMoved = settings.activeTable != m_document.settings.activeTable;
    m_document.settings = settings;
    if (activeMoved)
        emit headerDataChanged(Qt::Horizontal, 1, 3);
    refreshMarks();
}

void GridModel::setCell(int column, int point, const QString &text)
{
    QString &current = m_document.cell(column, point);
    if (current == text)
        return;
    current = text;
    const QModelIndex changed = index(point - 1, column);
    emit dataChanged(changed, changed, {Qt::DisplayRole, Qt::EditRole});
    refreshMarks();
}

void GridModel::setHeader(int column, const QString &text)
{
    QString &current = m_document.headers[std::size_t(column)];
    if (current == text)
        return;
    current = text;
    emit headerDataChanged(Qt::Horizontal, column, column);
}

bool GridModel::editable(int column, int point)
{
    if (column >= 1 && column <= 3)
        return false;
    return !(column == kRpmColumn && point == kFirstPoint);
}

int GridModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : kPointCount;
}

int GridModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : kColumns;
}

QVariant GridModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return {};
    const int column = index.column();
    const bool marked = column == kRpmColumn || column == kAngleColumn;
    const Mark none;
    const Mark &mark = marked ? cachedMark(column, index.row() + 1) : none;
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return cell(column, index.row() + 1);
    case Qt::BackgroundRole:
        if (mark.flags & kUnreadable)
            return kUnreadableColour;
        if (mark.flags & kUnordered)
            return kUnorderedColour;
        if (column == kAngleColumn)
            return kYellow;
        break;
    case Qt::ForegroundRole:
        // A fixed background needs a fixed text colour: the palette's may be light.
        if (column == kAngleColumn || mark.flags & (kUnreadable | kUnordered))
            return QColor(Qt::black);
        break;
    case Qt::FontRole:
        if (mark.flags & (kDiffersFromComparison | kStoredDiffers))
            return markedFont(mark.flags & kDiffersFromComparison, mark.flags & kStoredDiffers);
        break;
    case Qt::ToolTipRole:
    case Qt::AccessibleDescriptionRole:
        if (!mark.note.isEmpty())
            return mark.note;
        break;
    case kStoredAngleRole:
        if (column == kAngleColumn)
            return bool(mark.flags & kStoredDiffers);
        break;
    default:
        break;
    }
    return {};
}

bool GridModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    // A firmware image is shown, never edited.
    if (!index.isValid() || role != Qt::EditRole || m_document.image)
        return false;
    setCell(index.column(), index.row() + 1, value.toString());
    return true;
}

Qt::ItemFlags GridModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    const Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    return !m_document.image && editable(index.column(), index.row() + 1)
               ? flags | Qt::ItemIsEditable
               : flags;
}

QVariant GridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= kColumns)
        return {};
    if (role == Qt::DisplayRole)
        return header(section);
    if (role == Qt::FontRole && isActiveTable(section))
        return boldFont();
    return {};
}

bool GridModel::isActiveTable(int column) const
{
    // Only a table header with a caption is marked.
    return column >= 1 && column <= 3 && !header(column).isEmpty() &&
           m_document.settings.activeTable == QString::number(column);
}
