// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#pragma once

#include <QString>

// The window's setting boxes as the load and the save see them. The window implements it over
// its combo boxes; tests use a plain record.
class SettingsTarget
{
public:
    static constexpr int kPortC0 = 0; // "PortC,0"
    static constexpr int kPortD6 = 1; // "PortD,6"

    virtual ~SettingsTarget() = default;

    virtual QString sensorAngleText() const = 0; // ComboBox1
    virtual void setSensorAngleText(const QString &text) = 0;
    virtual QString activeTableText() const = 0; // ComboBox2
    virtual QString secondPulseText() const = 0; // ComboBox3: "auto" or an angle
    virtual void selectSecondPulseAuto() = 0;
    virtual void setSecondPulseText(const QString &text) = 0;
    virtual int sparkOutputItem() const = 0; // ComboBox4: kPortC0 or kPortD6
    virtual void selectSparkOutput(int item) = 0;
};
