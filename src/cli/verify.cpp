// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
// cdi-tables verify: the timing bench, the same as cdi-bench verify.
#include "bench/verify.h"
#include "cli/command.h"

int runVerifyCommand(const CommandArguments &arguments, CliContext &context)
{
    QStringList args = arguments.positional;
    for (const auto &[name, value] : arguments.options)
        args << QStringLiteral("--") + name << value;
    return runVerify(args, context.out, context.err);
}

QString verifySummary(unsigned char language)
{
    return language == 0
               ? QStringLiteral(u"проверить на модели МК, что прошивка даёт искру под углами "
                                u"таблиц (0 - все точки в допуске, 1 - нет, 2 - ошибка)")
               : QStringLiteral("check on a simulated chip that the firmware fires at the "
                                "tables' angles (0 all within tolerance, 1 not, 2 error)");
}
