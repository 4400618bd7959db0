// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#include "session/sourcesave.h"

#include "session/savetable.h"
#include "session/writer.h"

namespace {

SaveOutcome stopped(SaveOutcome outcome, SaveStop stop, std::optional<MessageId> message = {})
{
    outcome.stop = stop;
    outcome.message = message;
    return outcome;
}

} // namespace

SaveOutcome saveCalibration(const SourceText &text, const Calibration &calibration,
                            const WriteOptions &options,
                            const QList<UnorderedBreakpoint> &unordered, const SaveRequest &request)
{
    SaveOutcome outcome;
    outcome.unordered = unordered;
    const auto answered = [&](SaveQuestion question) {
        return request.answered.contains(question);
    };
    if (request.unordered == SaveCheck::Refuse && !unordered.isEmpty()) {
        outcome.text = text;
        return stopped(std::move(outcome), SaveStop::Unordered);
    }

    WriteResult written = write(text, calibration, options);
    outcome.text = std::move(written.text);
    if (written.stop) {
        outcome.stopLine = written.stopLine;
        if (const auto *error = std::get_if<ConversionError>(&*written.stop)) {
            outcome.unreadable = *error;
            return stopped(std::move(outcome), SaveStop::Rewrite);
        }
        return stopped(std::move(outcome), SaveStop::Rewrite, std::get<MessageId>(*written.stop));
    }
    if (request.path.isEmpty())
        return outcome;

    outcome.bytes = outcome.text.toFileBytes();
    if (options.stopBefore || !readsBack(outcome.text, outcome.bytes, calibration, options))
        return stopped(std::move(outcome), SaveStop::ReadBack, MessageId::MissingData);
    if (request.readBytes && outcome.bytes == *request.readBytes)
        return stopped(std::move(outcome), SaveStop::Unchanged);

    // Another program may have written or removed the file since it was read: its change is not
    // overwritten with a save made from the text read before it, unless the user says so.
    const auto diskChange = [&] {
        return request.readStamp ? diskChangeSince(*request.readStamp, request.path)
                                 : DiskChange::Changed;
    };
    if (request.diskChange == SaveCheck::Refuse) {
        if (const DiskChange onDisk = diskChange(); onDisk != DiskChange::None)
            return stopped(std::move(outcome), onDisk == DiskChange::Deleted
                                                   ? SaveStop::DeletedFromDisk
                                                   : SaveStop::ChangedOnDisk);
    }
    if (request.interruptedBackup)
        return stopped(std::move(outcome), SaveStop::InterruptedSave);

    try {
        // A target that cannot be written is refused before anyone is asked about writing it.
        checkSaveTarget(request.path);
        if (request.unordered == SaveCheck::Ask && !unordered.isEmpty() &&
            !answered(SaveQuestion::UnorderedBreakpoints)) {
            outcome.question = SaveQuestion::UnorderedBreakpoints;
            return stopped(std::move(outcome), SaveStop::Question);
        }
        if (request.diskChange == SaveCheck::Ask && !answered(SaveQuestion::OverwriteChanged) &&
            !answered(SaveQuestion::CreateDeleted)) {
            if (const DiskChange onDisk = diskChange(); onDisk != DiskChange::None) {
                outcome.question = onDisk == DiskChange::Deleted ? SaveQuestion::CreateDeleted
                                                                 : SaveQuestion::OverwriteChanged;
                return stopped(std::move(outcome), SaveStop::Question);
            }
        }
        writeSourceFile(request.path, outcome.bytes, request.writeChunk);
    } catch (const FileWriteError &error) {
        outcome.writeError = error;
        return stopped(std::move(outcome), SaveStop::WriteFailed);
    }
    outcome.stamp = stampOfWritten(request.path, outcome.bytes);
    return outcome;
}

SaveOutcome saveDocument(Document &document, ChartSeries &series, const SaveRequest &request)
{
    SaveOutcome outcome;
    try {
        if (const auto stop = saveToTable(document, series)) {
            outcome.text = document.text;
            return stopped(std::move(outcome), SaveStop::TableStore, *stop);
        }
    } catch (const ConversionError &error) {
        outcome.text = document.text;
        outcome.unreadable = error;
        return stopped(std::move(outcome), SaveStop::TableStore);
    }
    // The grid belongs to the text only after a load that read all of it.
    if (!request.path.isEmpty() && (!document.loaded || document.text.isEmpty())) {
        outcome.text = document.text;
        return stopped(std::move(outcome), SaveStop::NotLoaded, MessageId::MissingData);
    }
    const WindowCalibration window = calibrationForWrite(document);
    outcome = saveCalibration(document.text, window.calibration, window.options,
                              unorderedBreakpoints(document), request);
    document.text = outcome.text;
    return outcome;
}

std::optional<MessageId> saveSource(Document &document, const QString &path,
                                    const ChunkWriter &writeChunk)
{
    SaveRequest request;
    request.path = path;
    request.writeChunk = writeChunk;
    const WindowCalibration window = calibrationForWrite(document);
    SaveOutcome outcome =
        saveCalibration(document.text, window.calibration, window.options, {}, request);
    document.text = std::move(outcome.text);
    if (outcome.unreadable)
        throw *outcome.unreadable;
    if (outcome.writeError)
        throw *outcome.writeError;
    return outcome.message;
}
