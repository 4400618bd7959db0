// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#include "app/selfcheck.h"

#include "app/datafiles.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QTextStream>
#include <QWidget>

int runSelfCheck(const QWidget &window, const QString &programFolder, QTextStream &out)
{
    bool complete = true;
    const auto report = [&](const char *what, bool found, const QString &detail) {
        out << what << ": " << (found ? detail : QStringLiteral("MISSING ") + detail) << '\n';
        complete = complete && found;
    };
    report("window", window.isVisible() && window.size() == QSize(873, 535),
           QStringLiteral("%1 %2x%3 \"%4\"")
               .arg(window.isVisible() ? QStringLiteral("shown") : QStringLiteral("hidden"))
               .arg(window.width())
               .arg(window.height())
               .arg(window.windowTitle()));
    const QString help = findDataFile(programFolder, QStringLiteral("Help.chm"));
    report("help", !help.isEmpty(), help.isEmpty() ? QStringLiteral("Help.chm") : help);
    const QString sample = findDataFile(programFolder, QStringLiteral("examples/CDI.asm"));
    report("sample", !sample.isEmpty(),
           sample.isEmpty() ? QStringLiteral("examples/CDI.asm") : sample);
    // The window starts in Russian, so Qt's own buttons must be Russian too.
    const QDialogButtonBox buttons(QDialogButtonBox::Cancel);
    const QString cancel = buttons.button(QDialogButtonBox::Cancel)->text();
    report("qt texts", cancel != QLatin1String("Cancel") && cancel != QLatin1String("&Cancel"),
           QStringLiteral("Cancel button \"%1\"").arg(cancel));
    out.flush();
    return complete ? 0 : 1;
}
