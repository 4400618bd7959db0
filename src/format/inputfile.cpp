// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#include "format/inputfile.h"

#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// What a file of that kind and size is to a read; Read for a regular file within the limit.
InputFileRead::Outcome outcomeOf(const struct stat &status)
{
    if (S_ISDIR(status.st_mode))
        return InputFileRead::Directory;
    if (!S_ISREG(status.st_mode))
        return InputFileRead::NotRegular;
    if (status.st_size > kLargestInput)
        return InputFileRead::TooLarge;
    return InputFileRead::Read;
}

} // namespace

InputFileRead readInputFile(const QString &path)
{
    InputFileRead read;
    const QByteArray name = QFile::encodeName(path);
    struct stat status
    {};
    if (path.isEmpty() || ::stat(name.constData(), &status) != 0)
        return read;
    if ((read.outcome = outcomeOf(status)) != InputFileRead::Read)
        return read;
    // The name may have been swapped since: opened without blocking on a FIFO, then the opened
    // file is what is checked.
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        read.outcome = InputFileRead::CannotOpen;
        return read;
    }
    QFile file;
    if (::fstat(fd, &status) != 0) {
        ::close(fd);
        read.outcome = InputFileRead::CannotOpen;
        return read;
    }
    if ((read.outcome = outcomeOf(status)) != InputFileRead::Read) {
        ::close(fd);
        return read;
    }
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        read.outcome = InputFileRead::CannotOpen;
        return read;
    }
    // A file that grew since the check is cut off one byte past the limit and refused.
    read.bytes = file.read(kLargestInput + 1);
    if (read.bytes.size() > kLargestInput || file.error() != QFileDevice::NoError) {
        read.outcome =
            read.bytes.size() > kLargestInput ? InputFileRead::TooLarge : InputFileRead::CannotOpen;
        read.bytes.clear();
        return read;
    }
    read.modifiedNs = qint64(status.st_mtim.tv_sec) * 1000000000 + status.st_mtim.tv_nsec;
    return read;
}

MessageId refusalMessage(InputFileRead::Outcome outcome)
{
    switch (outcome) {
    case InputFileRead::Directory:
        return MessageId::NotAFile;
    case InputFileRead::NotRegular:
        return MessageId::NotRegularFile;
    case InputFileRead::TooLarge:
        return MessageId::FileTooLarge;
    default:
        return MessageId::FileAccess;
    }
}
