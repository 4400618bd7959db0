// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#include "format/inputfile.h"

#include <QFile>

#ifdef _WIN32
#include <QDateTime>
#include <QFileInfo>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

// Reads the opened file into read.bytes; false, with the outcome set and no bytes, when it is
// more than the limit (a file that grew since the check is cut off one byte past it) or the read
// fails.
bool readWhole(QFile &file, InputFileRead &read)
{
    read.bytes = file.read(kLargestInput + 1);
    if (read.bytes.size() <= kLargestInput && file.error() == QFileDevice::NoError)
        return true;
    read.outcome =
        read.bytes.size() > kLargestInput ? InputFileRead::TooLarge : InputFileRead::CannotOpen;
    read.bytes.clear();
    return false;
}

#ifdef _WIN32

// What a file of that kind and size is to a read. Windows has no FIFOs among files; a device
// name such as "NUL" or "COM1" is not a file to QFileInfo.
InputFileRead::Outcome outcomeOf(const QFileInfo &info)
{
    if (info.isDir())
        return InputFileRead::Directory;
    if (!info.isFile())
        return info.exists() ? InputFileRead::NotRegular : InputFileRead::CannotOpen;
    if (info.size() > kLargestInput)
        return InputFileRead::TooLarge;
    return InputFileRead::Read;
}

} // namespace

InputFileRead readInputFile(const QString &path)
{
    InputFileRead read;
    if (path.isEmpty())
        return read;
    const QFileInfo info(path);
    if ((read.outcome = outcomeOf(info)) != InputFileRead::Read)
        return read;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        read.outcome = InputFileRead::CannotOpen;
        return read;
    }
    if (!readWhole(file, read))
        return read;
    read.modifiedNs = QFileInfo(path).lastModified().toMSecsSinceEpoch() * 1000000;
    return read;
}

#else

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
    if (!readWhole(file, read))
        return read;
    read.modifiedNs = qint64(status.st_mtim.tv_sec) * 1000000000 + status.st_mtim.tv_nsec;
    return read;
}

#endif

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
