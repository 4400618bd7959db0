// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include <optional>

// The properties the fuzz targets check on every input. The regression test runs the same
// checks on stored inputs. Each check returns an empty string when every property holds,
// otherwise a description of the first one that failed.

// The load of arbitrary file bytes: the reader's line count and text positions agree with the
// bytes, and the scan ends with a result, a message or a conversion error; a completed one fills
// every row. (What a save then does with the text, an unedited one included, checkSave checks.)
QString checkLoad(QByteArrayView bytes);

// The file a save writes to, in a scratch folder in the temporary folder (scripts/fuzz.sh puts
// that on tmpfs and removes it, also after a crash). It remembers what the last completed save
// wrote, so that a stopped save can be seen to write nothing without the file being reset
// before every input.
class SaveScratchFile
{
public:
    SaveScratchFile();
    bool isValid() const { return m_dir.isValid(); }
    QString path() const { return m_path; }

    // The file's bytes, or nothing while it does not exist.
    std::optional<QByteArray> read() const;
    const std::optional<QByteArray> &expected() const { return m_expected; }
    void setExpected(const QByteArray &bytes) { m_expected = bytes; }

private:
    QTemporaryDir m_dir;
    QString m_path;
    std::optional<QByteArray> m_expected;
};

// The input of the save check: a header that edits the loaded settings and cells, then the
// source's file bytes.
//   byte 0     flags: bits 0-1 active table (3 counts as 1), bit 2 "Save to table" first,
//              bit 3 spark output item, bit 4 replace the sensor angle, bit 5 replace the
//              second pulse
//   byte 1     sensor angle text (an index into a fixed list)
//   byte 2     second pulse text (an index into a fixed list)
//   byte 3     number of cell edits n (0-15)
//   3 n bytes  per edit: column (bits 0-2, modulo 5; bit 3 picks an odd text), row, value
inline constexpr qsizetype kSaveHeaderSize = 4;

// Loads the source, applies the header's edits and saves to the scratch file:
// - the save never changes the number of lines;
// - a save that stops (a message or a conversion error) leaves the file as it was, and when
//   "Save to table" stops, the text too;
// - a completed save wrote exactly the text's file bytes, changed a line's break only with its
//   text and turned no comment line into code, and loading them gives back the
//   codes of columns 1-3, the settings and the RPM breakpoints as their compare constants
//   give them; saving them again with the same cells changes nothing.
// A header without edits that keeps the source's spark output is an unedited save.
QString checkSave(QByteArrayView input, SaveScratchFile &file);
