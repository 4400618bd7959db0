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

struct Edge
{
    avr_cycle_count_t when;
    int level;
};

struct Run
{
    avr_t *avr = nullptr;
    const SimSetup *setup = nullptr;
    avr_irq_t *sensorIrq = nullptr;
    std::map<char, avr_ioport_external_t> external;
    std::vector<Edge> edges;
    std::size_t nextEdge = 0;
    std::vector<avr_cycle_count_t> risingEdges;
    std::vector<std::pair<avr_cycle_count_t, int>> sparks; // cycle, row register
    std::vector<int> rowAtEdge;                            // row register at each rising edge

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
    if (request.periodCycles < 100 || request.markCycles < 0 ||
        request.markCycles >= request.periodCycles) {
        outcome.failure = "bad point";
        return outcome;
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
    for (const auto &[channel, millivolts] : setup.analog) {
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

    const int revolutions = setup.settleRevolutions + setup.measureRevolutions + 1;
    for (int n = 0; n < revolutions; ++n) {
        const double rise = double(kFirstEdge) + n * request.periodCycles;
        run.edges.push_back({avr_cycle_count_t(std::llround(rise)), 1});
        if (n + 1 < revolutions)
            run.edges.push_back({avr_cycle_count_t(std::llround(rise + request.markCycles)), 0});
    }
    avr_cycle_timer_register(avr.get(), run.edges.front().when - avr->cycle, onEdge, &run);

    // Runs until the last edge has been driven. A reset of the chip (its watchdog) clears the
    // scheduled edges; the cycle limit then ends the run.
    const avr_cycle_count_t limit = run.edges.back().when + 1000;
    while (run.nextEdge < run.edges.size()) {
        if (avr->cycle > limit) {
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
    for (int n = setup.settleRevolutions; n + 1 < int(run.risingEdges.size()); ++n) {
        const avr_cycle_count_t from = run.risingEdges[std::size_t(n)];
        const avr_cycle_count_t to = run.risingEdges[std::size_t(n) + 1];
        Revolution rev;
        rev.row = run.rowAtEdge[std::size_t(n) + 1];
        while (spark < run.sparks.size() && run.sparks[spark].first < from)
            ++spark;
        for (std::size_t s = spark; s < run.sparks.size() && run.sparks[s].first < to; ++s) {
            if (rev.sparks == 0) {
                rev.firstSpark = std::int64_t(run.sparks[s].first - from);
                rev.row = run.sparks[s].second;
            }
            ++rev.sparks;
        }
        outcome.revolutions.push_back(rev);
    }
    return outcome;
}
