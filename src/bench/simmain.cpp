// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
//
// cdi-bench-sim: runs firmware points on a simulated AVR for the timing bench. It reads a job
// from stdin and answers on stdout, one line per point, so that a firmware that brings the
// simulator down ends this process only.
//
// Job lines:   hex PATH | mcu NAME | clock HZ | sensor PORTBIT | spark PORTBIT | rowreg N
//              settle N | measure N | adc CHANNEL MILLIVOLTS
//              point ID PERIOD_CYCLES MARK_CYCLES [PORTBIT=LEVEL ...]
//              run (starts the points given so far)
// Answer lines: "point ID REVS SPARKS,OFFSET,ROW ..." or "fail ID MESSAGE", then "done";
//               "error MESSAGE" when the job cannot start.
#include "bench/intelhex.h"
#include "bench/simcore.h"

#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <unistd.h>

// In a build with LeakSanitizer: libsimavr keeps parts of every simulated chip (its interrupt
// lines and their names) after avr_terminate. They are freed with the process; ours are not
// hidden by this.
extern "C" const char *__lsan_default_suppressions()
{
    return "leak:libsimavr.so\n";
}

namespace {

FILE *g_out = stdout;

bool parsePin(const std::string &text, PinRef &pin)
{
    if (text.size() != 2 || text[0] < 'A' || text[0] > 'L' || text[1] < '0' || text[1] > '7')
        return false;
    pin.port = text[0];
    pin.bit = text[1] - '0';
    return true;
}

int fail(const std::string &message)
{
    std::fprintf(g_out, "error %s\n", message.c_str());
    std::fflush(g_out);
    return 2;
}

// Keeps the protocol on a private copy of stdout; whatever the library prints goes to stderr.
void takeStdout()
{
    const int protocol = dup(STDOUT_FILENO);
    if (protocol < 0)
        return;
    dup2(STDERR_FILENO, STDOUT_FILENO);
    if (FILE *out = fdopen(protocol, "w"))
        g_out = out;
}

} // namespace

int main()
{
    takeStdout();
    silenceSimulatorLog();

    SimSetup setup;
    std::vector<PointRequest> points;
    std::string line;
    bool started = false;
    while (std::getline(std::cin, line)) {
        std::istringstream in(line);
        std::string key;
        in >> key;
        if (key.empty())
            continue;
        if (key == "run") {
            started = true;
            break;
        }
        if (key == "hex") {
            std::string path;
            std::getline(in >> std::ws, path);
            std::ifstream file(path, std::ios::binary);
            if (!file)
                return fail("cannot read the firmware image " + path);
            std::stringstream text;
            text << file.rdbuf();
            const FlashImage image = parseIntelHex(text.str());
            if (!image.error.empty())
                return fail("the firmware image " + path + " is not valid Intel HEX (" +
                            image.error + ")");
            setup.flash = image.bytes;
        } else if (key == "mcu") {
            in >> setup.mcu;
        } else if (key == "clock") {
            in >> setup.frequency;
        } else if (key == "sensor" || key == "spark") {
            std::string pin;
            in >> pin;
            if (!parsePin(pin, key == "sensor" ? setup.sensor : setup.spark))
                return fail("bad pin " + pin);
        } else if (key == "rowreg") {
            in >> setup.rowRegister;
        } else if (key == "adc") {
            int channel = -1;
            int millivolts = -1;
            in >> channel >> millivolts;
            if (channel < 0 || channel > 7 || millivolts < 0 || millivolts > 5000)
                return fail("bad analog input");
            setup.analog.emplace_back(channel, millivolts);
        } else if (key == "settle") {
            in >> setup.settleRevolutions;
        } else if (key == "measure") {
            in >> setup.measureRevolutions;
        } else if (key == "point") {
            PointRequest point;
            in >> point.id >> point.periodCycles >> point.markCycles;
            std::string drive;
            while (in >> drive) {
                PinRef pin;
                if (drive.size() != 4 || drive[2] != '=' || !parsePin(drive.substr(0, 2), pin))
                    return fail("bad pin level " + drive);
                point.levels.emplace_back(pin, drive[3] == '1' ? 1 : 0);
            }
            if (!in.eof() && in.fail())
                return fail("bad point line");
            points.push_back(point);
        } else {
            return fail("unknown job line " + key);
        }
    }
    if (!started)
        return fail("the job has no run line");
    if (setup.flash.empty())
        return fail("the job names no firmware image");
    if (setup.frequency == 0 || setup.rowRegister < 0 || setup.rowRegister > 31 ||
        setup.settleRevolutions < 2 || setup.measureRevolutions < 1)
        return fail("bad job settings");

    for (const PointRequest &point : points) {
        const PointOutcome outcome = simulatePoint(setup, point);
        if (!outcome.failure.empty()) {
            std::fprintf(g_out, "fail %d %s\n", point.id, outcome.failure.c_str());
        } else {
            std::fprintf(g_out, "point %d %zu", point.id, outcome.revolutions.size());
            for (const Revolution &rev : outcome.revolutions)
                std::fprintf(g_out, " %d,%lld,%d", rev.sparks,
                             static_cast<long long>(rev.firstSpark), rev.row);
            std::fprintf(g_out, "\n");
        }
        std::fflush(g_out);
    }
    std::fprintf(g_out, "done\n");
    std::fflush(g_out);
    return 0;
}
