// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
//
// cdi-bench-sim: runs firmware points on a simulated AVR for the timing bench. It reads a job
// from stdin and answers on stdout, one line per point, so that a firmware that brings the
// simulator down ends this process only.
//
// Job lines:   hex PATH | mcu NAME | clock HZ | sensor PORTBIT | spark PORTBIT | rowreg N
//              adc CHANNEL MILLIVOLTS
//              point ID MARK_DEGREES [PORTBIT=LEVEL ...] [adc=CHANNEL:MILLIVOLTS ...]
//                    periods CYCLES[xCOUNT] ... (each revolution's period, in order)
//              run (starts the points given so far)
// Answer lines: "point ID REVS SPARKS,OFFSET,ROW,PULSE ..." or "fail ID MESSAGE", then "done";
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

// "CYCLES" or "CYCLESxCOUNT": periods in whole cycles.
bool parsePeriods(const std::string &word, std::vector<std::int64_t> &periods)
{
    long long cycles = 0;
    long long count = 1;
    char x = 0;
    char extra = 0;
    const int read = std::sscanf(word.c_str(), "%lld%c%lld%c", &cycles, &x, &count, &extra);
    if (!(read == 1 || (read == 3 && x == 'x')) || cycles <= 0 || count <= 0 ||
        count + std::int64_t(periods.size()) > 100000)
        return false;
    periods.insert(periods.end(), std::size_t(count), std::int64_t(cycles));
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
        } else if (key == "point") {
            PointRequest point;
            in >> point.id >> point.markDegrees;
            if (in.fail())
                return fail("bad point line");
            std::string word;
            bool periods = false;
            while (in >> word) {
                if (periods) {
                    if (!parsePeriods(word, point.periods))
                        return fail("bad period " + word);
                } else if (word == "periods") {
                    periods = true;
                } else if (word.rfind("adc=", 0) == 0) {
                    int channel = -1;
                    int millivolts = -1;
                    if (std::sscanf(word.c_str(), "adc=%d:%d", &channel, &millivolts) != 2 ||
                        channel < 0 || channel > 7 || millivolts < 0 || millivolts > 5000)
                        return fail("bad analog input " + word);
                    point.analog.emplace_back(channel, millivolts);
                } else {
                    PinRef pin;
                    if (word.size() != 4 || word[2] != '=' || !parsePin(word.substr(0, 2), pin))
                        return fail("bad pin level " + word);
                    point.levels.emplace_back(pin, word[3] == '1' ? 1 : 0);
                }
            }
            if (point.periods.empty() || point.periods.size() > 100000)
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
    if (setup.frequency == 0 || setup.rowRegister < 0 || setup.rowRegister > 31)
        return fail("bad job settings");

    for (const PointRequest &point : points) {
        const PointOutcome outcome = simulatePoint(setup, point);
        if (!outcome.failure.empty()) {
            std::fprintf(g_out, "fail %d %s\n", point.id, outcome.failure.c_str());
        } else {
            std::fprintf(g_out, "point %d %zu", point.id, outcome.revolutions.size());
            for (const Revolution &rev : outcome.revolutions)
                std::fprintf(g_out, " %d,%lld,%d,%lld", rev.sparks,
                             static_cast<long long>(rev.firstSpark), rev.row,
                             static_cast<long long>(rev.pulse));
            std::fprintf(g_out, "\n");
        }
        std::fflush(g_out);
    }
    std::fprintf(g_out, "done\n");
    std::fflush(g_out);
    return 0;
}
