// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#pragma once

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QWidget>

#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>

inline long long monotonicNowNs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

// With CDI_STARTUP_MARKS set, prints to standard error the time each step of the start-up took
// and the page faults since the step before, "mark <step> <ms> ms <n> faults", to see where the
// time goes; silent otherwise.
inline void startupMark(const char *step)
{
    static const bool wanted = std::getenv("CDI_STARTUP_MARKS") != nullptr;
    static long long previous = 0;
    static long previousFaults = 0;
    if (!wanted)
        return;
    const long long now = monotonicNowNs();
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    if (previous != 0)
        std::fprintf(stderr, "mark %s %.3f ms %ld faults\n", step, double(now - previous) / 1e6,
                     usage.ru_minflt - previousFaults);
    previous = now;
    previousFaults = usage.ru_minflt;
}

// Ends the program once its window has painted its first frame, after printing the moment and
// the window's size, "painted <CLOCK_MONOTONIC nanoseconds> <width> <height>", for
// startup_bench, which knows when it started us.
// The window's own paint event comes first in a frame; the report is queued behind it, so it
// runs once the children are painted too and the frame has gone to the platform.
class FirstFrameProbe : public QObject
{
public:
    explicit FirstFrameProbe(QWidget &window) : m_window(window)
    {
        window.installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && !m_painted) {
            m_painted = true;
            startupMark("to-first-paint-event");
            QMetaObject::invokeMethod(this, &FirstFrameProbe::report, Qt::QueuedConnection);
        }
        return false;
    }

private:
    void report()
    {
        const long long now = monotonicNowNs();
        startupMark("painting");
        std::printf("painted %lld %d %d\n", now, m_window.width(), m_window.height());
        std::fflush(stdout);
        QCoreApplication::quit();
    }

    QWidget &m_window;
    bool m_painted = false;
};
