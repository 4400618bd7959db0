// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#pragma once

#include "session/settingstarget.h"

#include <QString>

// The setting boxes as plain values, with the window's start values.
class PlainSettings : public SettingsTarget
{
public:
    QString sensorAngle = QStringLiteral("20");
    QString activeTable = QStringLiteral("1");
    QString secondPulse = QStringLiteral("auto");
    int sparkOutput = kPortC0;

    QString sensorAngleText() const override { return sensorAngle; }
    void setSensorAngleText(const QString &text) override { sensorAngle = text; }
    QString activeTableText() const override { return activeTable; }
    QString secondPulseText() const override { return secondPulse; }
    void selectSecondPulseAuto() override { secondPulse = QStringLiteral("auto"); }
    void setSecondPulseText(const QString &text) override { secondPulse = text; }
    int sparkOutputItem() const override { return sparkOutput; }
    void selectSparkOutput(int item) override { sparkOutput = item; }
};
