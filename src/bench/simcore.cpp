// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#include "bench/simcore.h"

#include <simavr/avr_adc.h>
#include <simavr/avr_ioport.h>
#include <simavr/sim_avr.h>
#include <simavr/sim_cycle_timers.h>
#include <simavr/sim_io.h>
#include <simavr/sim_irq.h>

#include <cmath>
#include <cstdarg>
#include <map>
#include <memory>

namespace {

// The first rising sensor edge: after the firmware's set-up has run.
constexpr avr_cycle_count_t kFirstEdge = 4000;
// After the last edge: time for the last spark's pulse to end.
constexpr avr_cycle_count_t kTail = 20000;

// ATmega8 data addresses of the registers watched.
constexpr avr_io_addr_t kTcnt0 = 0x52;
constexpr avr_io_addr_t kTccr0 = 0x53;

avr_io_addr_t portRegister(char port)
{
    switch (port) {
    case 'B':
        return 0x38;
    case 'C':
        return 0x35;
    case 'D':
        return 0x32;
    default:
        return 0;
    }
}

struct Edge
{
    avr_cycle_count_t when;
    int level;
};

struct IoWriter
{
    avr_io_write_t call = nullptr;
    void *param = nullptr;
};

struct Run
{
    avr_t *avr = nullptr;
    const SimSetup *setup = nullptr;
    std::map<char, avr_ioport_external_t> external;
    std::vector<Edge> edges;
    std::size_t nextEdge = 0;
    std::vector<avr_cycle_count_t> risingEdges;
    std::vector<std::pair<avr_cycle_count_t, int>> sparks; // cycle, row register
    std::vector<avr_cycle_count_t> falls;                  // falling edges of the spark output
    std::vector<int> rowAtEdge;                            // row register at each rising edge
    IoWriter tcnt0;
    IoWriter tccr0;
    IoWriter sparkPort;
    avr_io_addr_t sparkPortAddress = 0;
    std::uint8_t tcnt0Written = 0;

    void drive(PinRef pin, int level)
    {
        avr_ioport_external_t &ext = external[pin.port];
        ext.name = static_cast<unsigned>(pin.port) & 0x7F;
        ext.mask |= 1u << pin.bit;
        if (level)
            ext.value |= 1u << pin.bit;
        else
            ext.value &= ~(1u << pin.bit) & 0xFF;
        avr_ioctl(avr, AVR_IOCTL_IOPORT_SET_EXTERNAL(pin.port), &ext);
        avr_raise_irq(avr_io_getirq(avr, AVR_IOCTL_IOPORT_GETIRQ(pin.port), pin.bit),
                      level ? 1 : 0);
    }
};

avr_cycle_count_t onEdge(avr_t *avr, avr_cycle_count_t, void *param)
{
    auto *run = static_cast<Run *>(param);
    const Edge edge = run->edges[run->nextEdge++];
    if (edge.level) {
        run->risingEdges.push_back(edge.when);
        run->rowAtEdge.push_back(avr->data[run->setup->rowRegister]);
    }
    run->drive(run->setup->sensor, edge.level);
    return run->nextEdge < run->edges.size() ? run->edges[run->nextEdge].when : 0;
}

void onSpark(avr_irq_t *, uint32_t value, void *param)
{
    auto *run = static_cast<Run *>(param);
    if (value)
        run->sparks.emplace_back(run->avr->cycle, run->avr->data[run->setup->rowRegister]);
    else
        run->falls.push_back(run->avr->cycle);
}

void onTcnt0(avr_t *avr, avr_io_addr_t addr, uint8_t value, void *param)
{
    auto *run = static_cast<Run *>(param);
    run->tcnt0Written = value;
    run->tcnt0.call(avr, addr, value, run->tcnt0.param);
}

// Starting the stopped timer: the count starts where the firmware set it.
void onTccr0(avr_t *avr, avr_io_addr_t addr, uint8_t value, void *param)
{
    auto *run = static_cast<Run *>(param);
    const bool wasStopped = (avr->data[addr] & 0x07) == 0;
    run->tccr0.call(avr, addr, value, run->tccr0.param);
    if (wasStopped && (value & 0x07) != 0)
        run->tcnt0.call(avr, kTcnt0, run->tcnt0Written, run->tcnt0.param);
}

void onSparkPort(avr_t *avr, avr_io_addr_t addr, uint8_t value, void *param)
{
    auto *run = static_cast<Run *>(param);
    const std::uint8_t bit = std::uint8_t(1u << run->setup->spark.bit);
    if ((avr->data[addr] & bit) && value == avr->data[addr])
        run->sparks.emplace_back(avr->cycle, avr->data[run->setup->rowRegister]);
    run->sparkPort.call(avr, addr, value, run->sparkPort.param);
}

// Puts `hook` in front of the library's own writer of a register.
bool wrapWriter(avr_t *avr, avr_io_addr_t addr, IoWriter &saved, avr_io_write_t hook, Run *run)
{
    auto &slot = avr->io[AVR_DATA_TO_IO(addr)].w;
    if (!slot.c)
        return false;
    saved = {slot.c, slot.param};
    slot.c = hook;
    slot.param = run;
    return true;
}

void quietLogger(avr_t *, const int, const char *, va_list) {}

// A sleeping chip jumps straight to its next event; the library's own sleep would wait the
// simulated time out in real time.
void noWait(avr_t *, avr_cycle_count_t) {}

struct AvrDeleter
{
    void operator()(avr_t *avr) const { avr_terminate(avr); }
};

} // namespace

void silenceSimulatorLog()
{
    avr_global_logger_set(quietLogger);
}

PointOutcome simulatePoint(const SimSetup &setup, const PointRequest &request)
{
    PointOutcome outcome;
    if (request.periods.empty() || request.markDegrees <= 0 || request.markDegrees >= 360) {
        outcome.failure = "bad point";
        return outcome;
    }
    for (const std::int64_t period : request.periods) {
        if (period < 100 || period > std::int64_t(setup.frequency) * 10) {
            outcome.failure = "bad point";
            return outcome;
        }
    }
    std::unique_ptr<avr_t, AvrDeleter> avr(avr_make_mcu_by_name(setup.mcu.c_str()));
    if (!avr) {
        outcome.failure = "unknown microcontroller " + setup.mcu;
        return outcome;
    }
    avr_init(avr.get());
    avr->frequency = setup.frequency;
    avr->sleep = noWait;
    if (setup.flash.empty() || setup.flash.size() > std::size_t(avr->flashend) + 1) {
        outcome.failure = "the image does not fit the program memory";
        return outcome;
    }
    std::vector<std::uint8_t> code = setup.flash;
    avr_loadcode(avr.get(), code.data(), std::uint32_t(code.size()), 0);

    avr->vcc = avr->avcc = avr->aref = 5000;
    std::map<int, int> analog(setup.analog.begin(), setup.analog.end());
    for (const auto &[channel, millivolts] : request.analog)
        analog[channel] = millivolts;
    for (const auto &[channel, millivolts] : analog) {
        if (channel >= 0 && channel <= 7)
            avr_raise_irq(avr_io_getirq(avr.get(), AVR_IOCTL_ADC_GETIRQ, ADC_IRQ_ADC0 + channel),
                          std::uint32_t(millivolts));
    }

    Run run;
    run.avr = avr.get();
    run.setup = &setup;
    for (const auto &[pin, level] : request.levels)
        run.drive(pin, level);
    run.drive(setup.sensor, 0);
    avr_irq_register_notify(
        avr_io_getirq(avr.get(), AVR_IOCTL_IOPORT_GETIRQ(setup.spark.port), setup.spark.bit),
        onSpark, &run);
    if (setup.mcu == "atmega8") {
        if (wrapWriter(avr.get(), kTcnt0, run.tcnt0, onTcnt0, &run))
            wrapWriter(avr.get(), kTccr0, run.tccr0, onTccr0, &run);
        run.sparkPortAddress = portRegister(setup.spark.port);
        if (run.sparkPortAddress)
            wrapWriter(avr.get(), run.sparkPortAddress, run.sparkPort, onSparkPort, &run);
    }

    avr_cycle_count_t rise = kFirstEdge;
    for (const std::int64_t period : request.periods) {
        run.edges.push_back({rise, 1});
        run.edges.push_back(
            {rise + avr_cycle_count_t(std::llround(double(period) * request.markDegrees / 360.0)),
             0});
        rise += avr_cycle_count_t(period);
    }
    run.edges.push_back({rise, 1});
    avr_cycle_timer_register(avr.get(), run.edges.front().when - avr->cycle, onEdge, &run);

    // Runs until the last edge has been driven and the last pulse could end. A reset of the chip
    // (its watchdog) clears the scheduled edges; the cycle limit then ends the run.
    const avr_cycle_count_t end = run.edges.back().when + kTail;
    while (run.nextEdge < run.edges.size() || avr->cycle < end) {
        if (run.nextEdge < run.edges.size() && avr->cycle > run.edges.back().when + 1000) {
            outcome.failure = "the simulated chip was reset (watchdog?) and lost the sensor";
            return outcome;
        }
        const int state = avr_run(avr.get());
        if (state == cpu_Done || state == cpu_Crashed) {
            outcome.failure =
                state == cpu_Crashed ? "the simulated chip crashed" : "the simulated chip stopped";
            return outcome;
        }
    }

    std::size_t spark = 0;
    std::size_t fall = 0;
    for (std::size_t n = 0; n + 1 < run.risingEdges.size(); ++n) {
        const avr_cycle_count_t from = run.risingEdges[n];
        const avr_cycle_count_t to = run.risingEdges[n + 1];
        Revolution rev;
        rev.row = run.rowAtEdge[n + 1];
        while (spark < run.sparks.size() && run.sparks[spark].first < from)
            ++spark;
        for (std::size_t s = spark; s < run.sparks.size() && run.sparks[s].first < to; ++s) {
            if (rev.sparks == 0) {
                rev.firstSpark = std::int64_t(run.sparks[s].first - from);
                while (fall < run.falls.size() && run.falls[fall] <= run.sparks[s].first)
                    ++fall;
                if (fall < run.falls.size())
                    rev.pulse = std::int64_t(run.falls[fall] - run.sparks[s].first);
            }
            ++rev.sparks;
        }
        outcome.revolutions.push_back(rev);
    }
    return outcome;
}
