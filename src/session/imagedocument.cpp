// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#include "session/imagedocument.h"

#include "session/loadscan.h"

Document imageDocument(const Calibration &calibration, const QString &path,
                       const QByteArray &hexBytes, const DocumentSettings &boxes,
                       unsigned char language)
{
    Document document = Document::atStart(language);
    document.FirmwarePath = path;
    document.text = SourceText::fromFileBytes(hexBytes);
    document.image = true;
    // As a completed scan of a source would hand them over.
    ScanResult scanned;
    scanned.calibration = calibration;
    scanned.calibration.sensorAngle.reset();
    scanned.compareRead = kCompareCount;
    scanned.compareConverted = kCompareCount;
    scanned.trimmerRead = true;
    scanned.tableLabels = {QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")};
    scanned.labelsRead = kTableCount;
    scanned.codesRead = {kPointCount, kPointCount, kPointCount};
    showScan(scanned, document, language);
    document.settings.sensorAngle = boxes.sensorAngle;
    document.settings.activeTable = boxes.activeTable;
    // The codes are what the image holds: a new sensor angle moves the angles, never the codes.
    document.settings.keepCodes = true;
    fillAngleColumn(document);
    return document;
}

bool isImagePath(const QString &path)
{
    return path.endsWith(QLatin1String(".hex"), Qt::CaseInsensitive);
}
