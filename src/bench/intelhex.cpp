// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#include "bench/intelhex.h"

#include <array>
#include <cstdio>

namespace {

// The value of each hexadecimal digit, -1 for every other character.
constexpr std::array<std::int8_t, 256> kHexDigits = [] {
    std::array<std::int8_t, 256> digits{};
    for (int c = 0; c < 256; ++c)
        digits[std::size_t(c)] = std::int8_t(c >= '0' && c <= '9'   ? c - '0'
                                             : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                             : c >= 'a' && c <= 'f' ? c - 'a' + 10
                                                                    : -1);
    return digits;
}();

int hexDigit(char c)
{
    return kHexDigits[static_cast<unsigned char>(c)];
}

std::string hexNumber(std::uint64_t value)
{
    char text[24];
    std::snprintf(text, sizeof text, "0x%04llX", static_cast<unsigned long long>(value));
    return text;
}

} // namespace

std::uint8_t intelHexChecksum(const std::vector<std::uint8_t> &recordBytes)
{
    std::uint8_t sum = 0;
    for (const std::uint8_t byte : recordBytes)
        sum = std::uint8_t(sum + byte);
    return std::uint8_t(-sum);
}

FlashImage parseIntelHex(const std::string &text, std::uint32_t capacity)
{
    FlashImage image;
    // Each byte of the program memory up to the highest written: its value, or -1 while no
    // record wrote it.
    std::vector<std::int16_t> written;
    std::uint64_t size = 0;
    std::uint64_t base = 0;
    bool ended = false;
    std::size_t lineNumber = 0;
    std::size_t pos = 0;
    std::vector<std::uint8_t> record;
    const auto fail = [&](const std::string &what) {
        image.error = "line " + std::to_string(lineNumber) + ": " + what;
        return image;
    };
    while (pos < text.size() && !ended) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string::npos)
            end = text.size();
        std::size_t first = pos;
        std::size_t last = end;
        pos = end + 1;
        ++lineNumber;
        while (last > first &&
               (text[last - 1] == '\r' || text[last - 1] == ' ' || text[last - 1] == '\t'))
            --last;
        if (last == first)
            continue;
        const std::size_t length = last - first;
        if (text[first] != ':' || length % 2 != 1 || length < 11)
            return fail("not an Intel HEX record");
        record.clear();
        for (std::size_t i = first + 1; i + 1 < last; i += 2) {
            const int high = hexDigit(text[i]);
            const int low = hexDigit(text[i + 1]);
            if (high < 0 || low < 0)
                return fail("not a hexadecimal digit");
            record.push_back(std::uint8_t(high * 16 + low));
        }
        const std::size_t count = record[0];
        if (record.size() != count + 5)
            return fail("record length does not match its byte count");
        const std::uint8_t checksum = record.back();
        record.pop_back();
        if (intelHexChecksum(record) != checksum)
            return fail("checksum mismatch");
        const std::uint32_t offset = (std::uint32_t(record[1]) << 8) | record[2];
        const std::uint8_t type = record[3];
        switch (type) {
        case 0: {
            if (offset + count > 0x10000)
                return fail("the data at offset " + hexNumber(offset) +
                            " runs past the end of its 64 KiB segment");
            const std::uint64_t start = base + offset;
            if (start + count > capacity)
                return fail("data at " + hexNumber(start) + " lies past the end of the " +
                            std::to_string(capacity) + " bytes of program memory");
            if (written.size() < start + count)
                written.resize(std::size_t(start + count), -1);
            for (std::size_t i = 0; i < count; ++i) {
                std::int16_t &cell = written[std::size_t(start + i)];
                if (cell >= 0 && cell != record[4 + i])
                    return fail("the byte at " + hexNumber(start + i) +
                                " is written twice with different values");
                cell = record[4 + i];
            }
            if (count > 0 && start + count > size)
                size = start + count;
            break;
        }
        case 1:
            if (count != 0)
                return fail("bad end record");
            ended = true;
            break;
        case 2:
        case 4:
            if (count != 2)
                return fail("bad address record");
            base = (std::uint64_t(record[4]) << 8) | record[5];
            base <<= type == 2 ? 4 : 16;
            break;
        case 3:
        case 5:
            if (count != 4)
                return fail("bad start address record");
            break;
        default:
            return fail("unknown record type " + std::to_string(type));
        }
    }
    if (!ended) {
        image.error = "no end record";
        return image;
    }
    if (size == 0) {
        image.error = "no data records";
        return image;
    }
    image.bytes.assign(std::size_t(size), 0xFF);
    for (std::size_t address = 0; address < size; ++address)
        if (written[address] >= 0)
            image.bytes[address] = std::uint8_t(written[address]);
    return image;
}
