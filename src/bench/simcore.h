// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// One pin of an AVR port, such as PD2 = {'D', 2}.
struct PinRef
{
    char port = 'D';
    int bit = 2;
};

// What stays the same for every point of a run.
struct SimSetup
{
    std::vector<std::uint8_t> flash;
    std::string mcu = "atmega8";
    std::uint32_t frequency = 4000000;
    PinRef sensor{'D', 2};
    PinRef spark{'C', 0};
    int rowRegister = 20; // register the firmware keeps its table row in (0-based)
    // Analog inputs held at a voltage: ADC channel and millivolts (supply and references 5 V).
    std::vector<std::pair<int, int>> analog;
    int settleRevolutions = 2;  // not measured: start-up and the first period
    int measureRevolutions = 3; // measured, each from one rising sensor edge to the next
};

// One operating point: a steady crankshaft speed and the levels of the other driven inputs.
struct PointRequest
{
    int id = 0;
    double periodCycles = 0; // one revolution, in CPU cycles
    double markCycles = 0;   // rising to falling sensor edge
    std::vector<std::pair<PinRef, int>> levels;
};

struct Revolution
{
    int sparks = 0;               // rising edges of the spark output in the revolution
    std::int64_t firstSpark = -1; // cycles from the rising sensor edge, -1 without a spark
    int row = -1;                 // the row register at the spark, or at the revolution's end
};

struct PointOutcome
{
    std::vector<Revolution> revolutions;
    std::string failure; // empty when the point was simulated to its end
};

// Simulates the firmware from reset at one point: the sensor input is driven with exact-cycle
// edges (the first rising edge a little after reset) and every rising edge of the spark output
// is recorded. Every driven pin is declared externally driven, so that pull-ups written by the
// firmware do not override it. The same request gives the same outcome.
PointOutcome simulatePoint(const SimSetup &setup, const PointRequest &request);

// Reads the whole process's libsimavr log output away, so that stdout carries only what the
// caller prints.
void silenceSimulatorLog();
