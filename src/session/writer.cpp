// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#include "session/writer.h"

#include "domain/anglecode.h"
#include "domain/numbers.h"

#include <algorithm>

namespace {

const QString kAuto = QStringLiteral("auto");

// The angle the table comments start from: the highest row of the angle column that holds one.
long double lastAngleOfColumn(const Document &document)
{
    for (int row = Document::kLastPoint; row >= Document::kFirstPoint; --row) {
        const QString &text = document.cell(Document::kAngleColumn, row);
        if (text != kNoAngleMark)
            return strToFloat(text);
    }
    return 0;
}

std::optional<SparkOutput> sparkOutput(int item)
{
    if (item == DocumentSettings::kPortC0)
        return SparkOutput::PortC0;
    if (item == DocumentSettings::kPortD6)
        return SparkOutput::PortD6;
    return std::nullopt;
}

// A rounded step count as the writer holds it; anything beyond 0..255 is refused anyway.
qint64 stepCount(long double steps)
{
    constexpr long double limit = 9.0e18L;
    return qint64(std::max(-limit, std::min(limit, steps)));
}

std::optional<MessageId> finish(const WriteResult &written, QString *stopLine)
{
    if (stopLine)
        *stopLine = written.stop ? written.stopLine : QString();
    if (!written.stop)
        return std::nullopt;
    if (const auto *error = std::get_if<ConversionError>(&*written.stop))
        throw *error;
    return std::get<MessageId>(*written.stop);
}

template <typename Convert> bool convert(WriteOptions &options, int step, Convert &&work)
{
    try {
        work();
        return true;
    } catch (const ConversionError &error) {
        options.stopBefore = WriteOptions::PlannedStop{step, error};
        return false;
    }
}

std::optional<MessageId> readBack(const SourceText &text, const QByteArray &bytes,
                                  const WindowCalibration &window)
{
    if (window.options.stopBefore || !readsBack(text, bytes, window.calibration, window.options))
        return MessageId::MissingData;
    return std::nullopt;
}

} // namespace

long double secondPulseSteps(const QString &pulseText)
{
    return roundHalfEven(static_cast<long double>(strToFloat(pulseText)) / kAngleStep);
}

WindowCalibration calibrationForWrite(const Document &document)
{
    const DocumentSettings &settings = document.settings;
    WindowCalibration window;
    Calibration &calibration = window.calibration;
    WriteOptions &options = window.options;
    calibration.sensorAngle = settings.sensorAngle;
    calibration.sparkOutput = sparkOutput(settings.sparkOutput);
    for (int table = 1; table <= kTableCount; ++table) {
        for (int point = 1; point <= kPointCount; ++point)
            calibration.code(table, point) = document.cell(table, point);
    }

    const QString &pulse = settings.secondPulse;
    calibration.secondPulse.automatic = pulse == kAuto;
    if (pulse != kAuto && !convert(options, writestep::kSecondPulse, [&] {
            calibration.secondPulse.steps =
                stepCount(roundHalfEven(static_cast<long double>(strToFloat(pulse)) / kAngleStep));
        }))
        return window;

    for (int point = kPointCount; point > 1; --point) {
        int rpm = 0;
        const int step = writestep::compareLine(point);
        if (!convert(options, step,
                     [&] { rpm = strToInt(document.cell(Document::kRpmColumn, point)); }))
            return window;
        if (rpm < kLowestRpm || rpm > kHighestRpm) {
            options.stopBefore = WriteOptions::PlannedStop{
                step, rpm < kLowestRpm ? MessageId::RpmTooLow : MessageId::RpmTooHigh};
            return window;
        }
        calibration.compareConstant(point) = compareConstantForRpm(rpm);
    }

    convert(options, writestep::tableEntry(1, 1),
            [&] { options.firstCommentAngle = lastAngleOfColumn(document); });
    return window;
}

std::optional<MessageId> rewriteSource(Document &document, QString *stopLine)
{
    const WindowCalibration window = calibrationForWrite(document);
    WriteResult written = write(document.text, window.calibration, window.options);
    document.text = std::move(written.text);
    return finish(written, stopLine);
}

std::optional<MessageId> verifyReadBack(const Document &document)
{
    return readBack(document.text, document.text.toFileBytes(), calibrationForWrite(document));
}
