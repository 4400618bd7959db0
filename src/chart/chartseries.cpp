// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#include "chart/chartseries.h"

#include <algorithm>

ChartSeries::ChartSeries(QObject *parent) : QObject(parent) {}

void ChartSeries::clear()
{
    m_points.clear();
    emit changed();
}

void ChartSeries::add(double x, double y, const QString &label, quint32 colour)
{
    const auto at = std::upper_bound(m_points.cbegin(), m_points.cend(), x,
                                     [](double value, const ChartPoint &p) { return value < p.x; });
    m_points.insert(at, ChartPoint{x, y, label, colour});
    emit changed();
}
