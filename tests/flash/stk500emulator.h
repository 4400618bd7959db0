// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#pragma once

#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

// Our STK500v1 emulator (tests/flash/stk500emu.py) with an ATmega8 behind it, on its own port in
// `dir`, until destroyed. `options` are the emulator's (--flash, --signature, --flip, ...).
class Stk500Emulator
{
public:
    Stk500Emulator(const QTemporaryDir &dir, const QStringList &options)
        : m_port(dir.filePath(QStringLiteral("port-%1").arg(++s_count)))
    {
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start(QStringLiteral("python3"), QStringList{QStringLiteral(CDI_STK500_EMULATOR),
                                                               QStringLiteral("--port"), m_port} +
                                                       options);
        if (!m_process.waitForReadyRead(10000) || !m_process.readLine().startsWith("ready"))
            qFatal("the programmer emulator did not start");
    }
    ~Stk500Emulator()
    {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
    Stk500Emulator(const Stk500Emulator &) = delete;
    Stk500Emulator &operator=(const Stk500Emulator &) = delete;

    const QString &port() const { return m_port; }

private:
    static inline int s_count = 0;
    QString m_port;
    QProcess m_process;
};
