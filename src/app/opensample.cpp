// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
// File → "Open sample": the installed sample is read-only and shared; the user edits a copy of
// it in a folder of their own.
#include "app/unit1.h"

#include "app/commandtexts.h"
#include "app/datafiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

// The first of "CDI.asm", "CDI (2).asm", "CDI (3).asm"… that the sample could be copied to in
// `folder`; QFile::copy never replaces a file, so a name taken meanwhile fails instead.
QString copySample(const QString &sample, const QDir &folder)
{
    const QFileInfo source(sample);
    for (int n = 1; n < 1000; ++n) {
        const QString name = n == 1 ? source.fileName()
                                    : QStringLiteral("%1 (%2).%3")
                                          .arg(source.completeBaseName())
                                          .arg(n)
                                          .arg(source.suffix());
        const QString copy = folder.filePath(name);
        if (QFileInfo::exists(copy) || QFileInfo(copy).isSymLink())
            continue;
        if (!QFile::copy(sample, copy))
            return {};
        // An installed file may be read-only; the copy is the user's to save.
        QFile::setPermissions(copy, QFile::permissions(copy) | QFile::WriteOwner);
        return copy;
    }
    return {};
}

} // namespace

void TForm1::openSample(const QString &folder)
{
    const unsigned char language = m_state.Language;
    const QString sample =
        findDataFile(m_platform.programFolder(), QStringLiteral("examples/CDI.asm"));
    if (sample.isEmpty()) {
        m_platform.showWarning(
            this, windowText(WindowText::SampleMissing, language)
                      .arg(dataFolders(m_platform.programFolder()).join(QStringLiteral(", "))));
        return;
    }
    const QString copy = QDir().mkpath(folder) ? copySample(sample, QDir(folder)) : QString();
    if (copy.isEmpty()) {
        m_platform.showWarning(this, windowText(WindowText::SampleNotCopied, language)
                                         .arg(QDir(folder).filePath(QFileInfo(sample).fileName())));
        return;
    }
    openChosen(copy);
    // Kept unsaved changes (the user cancelled): the copy is not wanted.
    if (document().FirmwarePath != copy)
        QFile::remove(copy);
}
