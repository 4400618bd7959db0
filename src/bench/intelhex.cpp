// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#include "bench/intelhex.h"

#include <map>

namespace {

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

} // namespace

std::uint8_t intelHexChecksum(const std::vector<std::uint8_t> &recordBytes)
{
    std::uint8_t sum = 0;
    for (const std::uint8_t byte : recordBytes)
        sum = std::uint8_t(sum + byte);
    return std::uint8_t(-sum);
}

FlashImage parseIntelHex(const std::string &text)
{
    FlashImage image;
    std::map<std::uint32_t, std::uint8_t> written;
    std::uint32_t base = 0;
    bool ended = false;
    std::size_t lineNumber = 0;
    std::size_t pos = 0;
    while (pos < text.size() && !ended) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(pos, end - pos);
        pos = end + 1;
        ++lineNumber;
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t'))
            line.pop_back();
        if (line.empty())
            continue;
        const std::string where = "line " + std::to_string(lineNumber);
        if (line[0] != ':' || line.size() % 2 != 1 || line.size() < 11) {
            image.error = where + ": not an Intel HEX record";
            return image;
        }
        std::vector<std::uint8_t> record;
        for (std::size_t i = 1; i + 1 < line.size(); i += 2) {
            const int high = hexDigit(line[i]);
            const int low = hexDigit(line[i + 1]);
            if (high < 0 || low < 0) {
                image.error = where + ": not a hexadecimal digit";
                return image;
            }
            record.push_back(std::uint8_t(high * 16 + low));
        }
        const std::size_t count = record[0];
        if (record.size() != count + 5) {
            image.error = where + ": record length does not match its byte count";
            return image;
        }
        const std::uint8_t checksum = record.back();
        record.pop_back();
        if (intelHexChecksum(record) != checksum) {
            image.error = where + ": checksum mismatch";
            return image;
        }
        const std::uint32_t address = (std::uint32_t(record[1]) << 8) | record[2];
        switch (record[3]) {
        case 0:
            for (std::size_t i = 0; i < count; ++i)
                written[base + address + std::uint32_t(i)] = record[4 + i];
            break;
        case 1:
            ended = true;
            break;
        case 2:
        case 4:
            if (count != 2) {
                image.error = where + ": bad address record";
                return image;
            }
            base = (std::uint32_t(record[4]) << 8) | record[5];
            base <<= record[3] == 2 ? 4 : 16;
            break;
        default:
            break;
        }
    }
    if (!ended) {
        image.error = "no end record";
        return image;
    }
    if (written.empty()) {
        image.error = "no data records";
        return image;
    }
    image.bytes.assign(written.rbegin()->first + 1, 0xFF);
    for (const auto &[address, byte] : written)
        image.bytes[address] = byte;
    return image;
}
