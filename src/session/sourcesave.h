// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#pragma once

// The save of a firmware source, for the window's "Save to file", `cdi-tables import` and the
// timing check alike: every step that can refuse or ask is in sourcesave.cpp, in the order it is
// taken. The callers only ask the questions and word the outcome.

#include "domain/calibration.h"
#include "domain/messageid.h"
#include "format/filesave.h"
#include "format/sourcefile.h"
#include "format/sourcetext.h"
#include "format/write.h"
#include "session/document.h"

#include <optional>

class ChartSeries;

// What a save does about a check: leaves it out, asks (the outcome names the question until the
// request counts it as answered) or refuses.
enum class SaveCheck
{
    Skip,
    Ask,
    Refuse,
};

enum class SaveQuestion
{
    None,
    UnorderedBreakpoints, // write breakpoints the firmware does not count in order?
    OverwriteChanged,     // overwrite a file changed on disk since it was read?
    CreateDeleted,        // create again a file deleted from disk since it was read?
};

struct SaveRequest
{
    // The file to write. Empty for the timing check's rewrite of a copy: the text is rewritten
    // and nothing else is checked or written.
    QString path;
    // Breakpoints out of order: Refuse stops before the rewrite, Ask asks right before the write.
    SaveCheck unordered = SaveCheck::Skip;
    // A file changed or deleted on disk since `readStamp` (none: taken as changed): Refuse stops
    // after the read-back, Ask asks right before the write, after the breakpoints.
    SaveCheck diskChange = SaveCheck::Skip;
    std::optional<FileStamp> readStamp;
    // The bytes the file was read with: a save to the same bytes leaves the file untouched.
    std::optional<QByteArray> readBytes;
    // The copy of the old text when a save of the file did not finish: such a file is refused.
    std::optional<QString> interruptedBackup;
    // The questions the user has answered with yes.
    QList<SaveQuestion> answered;
    ChunkWriter writeChunk;
};

enum class SaveStop
{
    None,            // written; or, without a path, rewritten
    TableStore,      // "Save to table" stopped: `message` or `unreadable`
    NotLoaded,       // no completely loaded source to take the grid: `message` MissingData
    Unordered,       // breakpoints out of order, refused: `unordered`
    Rewrite,         // the rewrite stopped: `message` (with `stopLine`) or `unreadable`
    ReadBack,        // the written text would not read back: `message` MissingData
    Unchanged,       // the file already holds these bytes: nothing written
    ChangedOnDisk,   // refused: the file changed on disk since it was read
    DeletedFromDisk, // refused: the file was deleted since it was read
    InterruptedSave, // refused: a save of the file did not finish
    Question,        // `question` must be asked first; nothing written
    WriteFailed,     // `writeError`: the target was refused or the write failed
};

struct SaveOutcome
{
    SaveStop stop = SaveStop::None;
    std::optional<MessageId> message;
    std::optional<ConversionError> unreadable; // a text that is no number
    QString stopLine;                          // "<number>: <text>" of a rewrite stop, or empty
    QList<UnorderedBreakpoint> unordered;
    SaveQuestion question = SaveQuestion::None;
    std::optional<FileWriteError> writeError;
    SourceText text;                // the text with the lines rewritten so far
    QByteArray bytes;               // the file bytes, once the rewrite is complete
    std::optional<FileStamp> stamp; // of the written file, when it can be had

    bool written() const { return stop == SaveStop::None; }
};

// The save of a calibration into `text`, in this order: breakpoints out of order (Refuse), the
// rewrite, the read-back check, the unchanged bytes, the disk change (Refuse), an interrupted
// save, the save target, the questions (breakpoints, then disk change), the file write.
// `unordered` is the caller's list of breakpoints out of order.
SaveOutcome saveCalibration(const SourceText &text, const Calibration &calibration,
                            const WriteOptions &options,
                            const QList<UnorderedBreakpoint> &unordered,
                            const SaveRequest &request);

// The window's "Save to file": "Save to table" (which refreshes `series`), then, with a path, a
// completely loaded source, then saveCalibration of the document's settings and cells. The
// document keeps the codes stored and the lines rewritten so far, whatever the outcome.
SaveOutcome saveDocument(Document &document, ChartSeries &series, const SaveRequest &request);

// saveCalibration of the document's settings and cells to `path`, with no check asked or
// refused: the message of a stop before writing, nothing when written. Throws ConversionError for
// a text that is no number and FileWriteError when the file cannot be written (it stays as it
// was). The document keeps the lines rewritten so far.
std::optional<MessageId> saveSource(Document &document, const QString &path,
                                    const ChunkWriter &writeChunk = {});
