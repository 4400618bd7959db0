// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A program image read from Intel HEX text: the bytes from address 0 up to the highest address
// written, 0xFF where nothing was written.
struct FlashImage
{
    std::vector<std::uint8_t> bytes;
    std::string error; // empty when the text was read whole
};

// Reads data (00), end (01), extended segment (02) and extended linear (04) address records;
// start address records (03, 05) are skipped. A record with a bad length, bad hex digits or a
// wrong checksum, or text without an end record, gives an error naming the line.
FlashImage parseIntelHex(const std::string &text);

// The checksum byte of a record's bytes (count, address, type, data): the two's complement of
// their sum.
std::uint8_t intelHexChecksum(const std::vector<std::uint8_t> &recordBytes);
