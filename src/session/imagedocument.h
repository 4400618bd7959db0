// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#pragma once

#include "domain/calibration.h"
#include "session/document.h"

#include <QByteArray>
#include <QString>

// A firmware image as a document to look at: the settings and tables decoded from it, shown
// read-only. The image holds no sensor angle; the angles count from the window's, and the active
// table stays the window's.

// The document of the image at `path` (its text the HEX as read), with `calibration` decoded from
// it and the sensor angle and active table of `boxes`. Throws ConversionError for a sensor angle
// or active table that is no whole number.
Document imageDocument(const Calibration &calibration, const QString &path,
                       const QByteArray &hexBytes, const DocumentSettings &boxes,
                       unsigned char language);

// Whether a path names a firmware image rather than a source: its name ends in ".hex".
bool isImagePath(const QString &path);
