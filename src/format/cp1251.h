// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#pragma once

#include <QByteArray>
#include <QString>

// The firmware sources are single-byte Windows Cyrillic (code page 1251) text. Qt's own codecs
// do not cover it without ICU, so the mapping is kept here as a table.

// Bytes 0x00-0x7F map to themselves; the undefined byte 0x98 maps to U+FFFD.
QString fromCp1251(QByteArrayView bytes);

// Characters without a 1251 byte become '?'.
QByteArray toCp1251(QStringView text);
