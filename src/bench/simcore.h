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
};

// One run of the crankshaft: the period of every revolution in CPU cycles (the first rising
// sensor edge starts the first, one more closes the last), the sensor mark's length in degrees
// and the levels of the other driven inputs.
struct PointRequest
{
    int id = 0;
    std::vector<std::int64_t> periods;
    double markDegrees = 20;
    std::vector<std::pair<PinRef, int>> levels;
    std::vector<std::pair<int, int>> analog; // overrides the setup's for these channels
};

struct Revolution
{
    int sparks = 0;               // sparks in the revolution (rising edges and re-triggers)
    std::int64_t firstSpark = -1; // cycles from the rising sensor edge, -1 without a spark
    int row = -1;                 // the row register at the revolution's end
    std::int64_t pulse = -1;      // high time of the first spark in cycles, -1 when it never fell
};

struct PointOutcome
{
    std::vector<Revolution> revolutions; // one per period
    std::string failure;                 // empty when the point was simulated to its end
};

// Simulates the firmware from reset through one run: the sensor input is driven with exact-cycle
// edges (the first rising edge a little after reset) and every spark is recorded: a rising edge
// of the spark output, and a write of the spark's port register that sets the already high spark
// bit and changes nothing else (a second spark within the first one's pulse). Every driven pin is
// declared externally driven, so that pull-ups written by the firmware do not override it.
// Timer 0 starts from the count the firmware wrote into TCNT0 while it was stopped, as the chip
// does (libsimavr 1.6 would start it from zero). The same request gives the same outcome.
PointOutcome simulatePoint(const SimSetup &setup, const PointRequest &request);

// Reads the whole process's libsimavr log output away, so that stdout carries only what the
// caller prints.
void silenceSimulatorLog();
