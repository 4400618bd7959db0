// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#pragma once

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QWidget>

#include <cstdio>
#include <ctime>

// Ends the program once its window has painted its first frame, after printing the moment
// "painted <CLOCK_MONOTONIC nanoseconds>" for startup_bench, which knows when it started us.
// The window's own paint event comes first in a frame; the report is queued behind it, so it
// runs once the children are painted too and the frame has gone to the platform.
class FirstFrameProbe : public QObject
{
public:
    explicit FirstFrameProbe(QWidget &window) { window.installEventFilter(this); }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && !m_painted) {
            m_painted = true;
            QMetaObject::invokeMethod(this, &FirstFrameProbe::report, Qt::QueuedConnection);
        }
        return false;
    }

private:
    void report()
    {
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        std::printf("painted %lld\n",
                    static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec);
        std::fflush(stdout);
        QCoreApplication::quit();
    }

    bool m_painted = false;
};
