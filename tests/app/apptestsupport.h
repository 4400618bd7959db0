// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#pragma once

#include "app/gridmodel.h"
#include "app/unit1.h"
#include "fakeplatform.h"
#include "format/cp1251.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QStringList>
#include <QTemporaryDir>
#include <QtGlobal>

// The window with its recording desktop, as a test drives it.
struct Window
{
    FakePlatform platform;
    TForm1 form{platform};

    // Chooses path in the open dialog and clicks "Файл".
    void load(const QString &path)
    {
        platform.answerDialog(path);
        form.Button1Click();
    }
};

// Makes `path` the current folder for the life of the guard.
class CurrentFolderGuard
{
public:
    explicit CurrentFolderGuard(const QString &path) : m_previous(QDir::currentPath())
    {
        if (!QDir::setCurrent(path))
            qFatal("cannot change to %s", qPrintable(path));
    }
    ~CurrentFolderGuard() { QDir::setCurrent(m_previous); }
    CurrentFolderGuard(const CurrentFolderGuard &) = delete;
    CurrentFolderGuard &operator=(const CurrentFolderGuard &) = delete;

private:
    QString m_previous;
};

// The bytes of our sample source.
inline QByteArray sampleBytes()
{
    QFile file(QStringLiteral(CDI_EXAMPLES_DIR "/CDI.asm"));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("cannot read the sample source");
    return file.readAll();
}

// bytes with the one occurrence of `from` replaced by `to`, both given as text and compared as
// code page 1251. A fixture whose marker is missing or repeated is a broken test: stop.
inline QByteArray replacedOnce(const QByteArray &bytes, QStringView from, QStringView to)
{
    const QByteArray what = toCp1251(from);
    const qsizetype at = bytes.indexOf(what);
    if (at < 0 || bytes.indexOf(what, at + 1) >= 0)
        qFatal("fixture text not found exactly once: %s", qPrintable(from.toString()));
    QByteArray result = bytes;
    result.replace(at, what.size(), toCp1251(to));
    return result;
}

inline QByteArray readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

inline QString writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

inline QString writeFile(const QTemporaryDir &dir, const QString &name, const QByteArray &bytes)
{
    return writeFile(dir.filePath(name), bytes);
}

// The cells of one column in rows 1..32.
inline QStringList columnTexts(TForm1 &form, int column)
{
    QStringList texts;
    for (int row = GridModel::kFirstPoint; row <= GridModel::kLastPoint; ++row)
        texts.append(form.grid().cell(column, row));
    return texts;
}

inline QStringList headerTexts(TForm1 &form)
{
    QStringList texts;
    for (int column = 0; column < GridModel::kColumns; ++column)
        texts.append(form.grid().header(column));
    return texts;
}

// The codes of table 1, 2 and 3 in our sample, rows 1..32.
inline QStringList sampleCodes(int table)
{
    static const char *const codes[3] = {
        "14 14 14 11 7 3 252 248 245 242 239 237 236 234 233 233 233 234 234 235 236 237 238 239 "
        "240 241 242 243 244 245 246 246",
        "17 17 16 14 11 8 5 2 0 253 251 249 248 247 246 245 245 245 246 246 247 247 248 248 249 "
        "249 250 250 251 251 252 252",
        "21 20 18 14 10 6 2 254 251 248 245 243 241 239 238 237 237 237 238 239 240 241 242 243 "
        "244 245 246 247 248 249 180 180"};
    return QString::fromLatin1(codes[table - 1]).split(QLatin1Char(' '));
}

// The angle shown for a code at sensor angle s, worked out in tenths of a degree so that the
// expectation does not share the window's arithmetic: "-" for 180.
inline QString expectedAngle(int code, int s)
{
    if (code == 180)
        return QStringLiteral("-");
    const int tenths = code < 180 ? 10 * s - 7 * code : 10 * s + 7 * (255 - code);
    const int whole = tenths / 10;
    const int tenth = qAbs(tenths % 10);
    QString text =
        (tenths < 0 && whole == 0 ? QStringLiteral("-") : QString()) + QString::number(whole);
    if (tenth != 0)
        text += QLocale().decimalPoint() + QString::number(tenth);
    return text;
}

inline QStringList expectedAngles(const QStringList &codes, int s)
{
    QStringList angles;
    for (const QString &code : codes)
        angles.append(expectedAngle(code.toInt(), s));
    return angles;
}

// The RPM breakpoints that a load of our sample writes into column 0.
inline QStringList sampleBreakpoints()
{
    return QStringLiteral("460 500 600 800 1000 1200 1500 1800 1990 2210 2490 2790 3000 3450 "
                          "3780 4190 4690 5100 5330 5860 6510 6890 7320 7810 8370 9010 9770 "
                          "10650 11720 13020 14650 19530")
        .split(QLatin1Char(' '));
}
