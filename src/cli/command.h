// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#pragma once

#include "domain/language.h"

#include <QString>
#include <QStringList>
#include <QTextStream>

// One subcommand of cdi-tables. A command lives in its own file and is listed once in the
// table in main.cpp.

namespace exitcode {
inline constexpr int kOk = 0;      // done; for diff: no differences
inline constexpr int kRefused = 1; // input refused, nothing written; for diff: differences
inline constexpr int kFailed = 2;  // usage or file error
} // namespace exitcode

struct CliContext
{
    unsigned char language = 0; // 0 Russian, 1 English
    QTextStream &out;
    QTextStream &err;

    // The text of the current language.
    QString pick(const QString &russian, const QString &english) const
    {
        return inLanguage(language, russian, english);
    }
    // "cdi-tables: <text>" on stderr.
    void fail(const QString &text) const;
};

// The arguments after the command's name: positional ones, and the values of named options.
struct CommandArguments
{
    QStringList positional;
    QString option(const QString &name) const;
    bool has(const QString &name) const;

    QList<std::pair<QString, QString>> options;
};

// The refusal of an option given twice, where a second value would silently win or lose.
QString repeatedOption(const QString &option, unsigned char language);

struct Command
{
    const char *name;
    const char *usage;                          // the arguments, as the help shows them
    QString (*summary)(unsigned char language); // one line for the help
    QStringList optionsTaken;                   // named options with a value, without "--"
    int (*run)(const CommandArguments &arguments, CliContext &context);
    QStringList flagsTaken = {}; // named options without a value, without "--"
};

int runShow(const CommandArguments &arguments, CliContext &context);
int runImport(const CommandArguments &arguments, CliContext &context);
int runDiff(const CommandArguments &arguments, CliContext &context);
int runFlash(const CommandArguments &arguments, CliContext &context);
QString showSummary(unsigned char language);
QString importSummary(unsigned char language);
QString diffSummary(unsigned char language);
int runVerifyCommand(const CommandArguments &arguments, CliContext &context);
QString verifySummary(unsigned char language);
QString flashSummary(unsigned char language);
int runReadChip(const CommandArguments &arguments, CliContext &context);
QString readChipSummary(unsigned char language);
