// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#pragma once

#include <QList>
#include <QObject>
#include <QString>

#include <cmath>

// Point colours as 0xRRGGBB; the widget turns them into real colours.
inline constexpr quint32 kChartRed = 0xFF0000;    // a breakpoint with an angle
inline constexpr quint32 kChartGreen = 0x008000;  // a breakpoint without angle
inline constexpr quint32 kChartYellow = 0xFFFF00; // highlight point

struct ChartPoint
{
    double x = 0;
    double y = 0;
    QString label;
    quint32 colour = kChartRed;
};

// Whether the point has a place on the chart: a point whose X or Y is no finite number has none.
inline bool isFinite(const ChartPoint &p)
{
    return std::isfinite(p.x) && std::isfinite(p.y);
}

// The points of a step chart, kept in ascending X order.
class ChartSeries : public QObject
{
    Q_OBJECT
public:
    explicit ChartSeries(QObject *parent = nullptr);

    const QList<ChartPoint> &points() const { return m_points; }
    qsizetype count() const { return m_points.size(); }

    void clear();
    // The new point goes after every point whose X is smaller or equal, so points of equal X
    // keep the order in which they were added.
    void add(double x, double y, const QString &label, quint32 colour);

signals:
    void changed();

private:
    QList<ChartPoint> m_points;
};
