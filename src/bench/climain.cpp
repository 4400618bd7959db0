// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
//
// cdi-bench verify FILE.asm [--hex FILE.hex] [--table 1|2|3|all] [--format text|csv]
#include "bench/verify.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    QStringList args = app.arguments().mid(1);
    if (args.isEmpty() || args.first() != QLatin1String("verify")) {
        err << "usage: cdi-bench verify FILE.asm [--hex FILE.hex] [--table 1|2|3|all] "
               "[--format text|csv]\n";
        return 2;
    }
    args.removeFirst();
    const int status = runVerify(args, out, err);
    out.flush();
    err.flush();
    return status;
}
