// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The ATmega8's program memory.
inline constexpr std::uint32_t kFlashBytes = 8 * 1024;

// A program image read from Intel HEX text: the bytes from address 0 up to the highest address
// written, 0xFF where nothing was written.
struct FlashImage
{
    std::vector<std::uint8_t> bytes;
    std::string error; // empty when the text was read whole
};

// Reads data (00), end (01), extended segment (02: address = segment * 16 + offset) and extended
// linear (04: address = upper 16 bits) address records; start address records (03, 05) are
// checked and skipped. Text after the end record is ignored. An error names the line: a line
// that is no record, bad hex digits, a record whose length disagrees with its byte count, a wrong
// checksum, an unknown record type, data that runs past the end of its 64 KiB segment or past
// `capacity` bytes, or a byte written twice with different values; also text without an end
// record or without data.
FlashImage parseIntelHex(const std::string &text, std::uint32_t capacity = kFlashBytes);

// The checksum byte of a record's bytes (count, address, type, data): the two's complement of
// their sum.
std::uint8_t intelHexChecksum(const std::vector<std::uint8_t> &recordBytes);
