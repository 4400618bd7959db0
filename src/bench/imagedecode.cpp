// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#include "bench/imagedecode.h"

#include "bench/intelhex.h"
#include "domain/language.h"

#include <string>

namespace {

using Words = std::vector<std::uint16_t>;

// Instruction words. LDI Rd,K: 1110 KKKK dddd KKKK and CPI Rd,K: 0011 KKKK dddd KKKK with
// Rd = R16 + dddd; SBI/CBI A,b: 1001 1010/1000 AAAA Abbb.
constexpr std::uint16_t kImmediateMask = 0xF0F0;
constexpr std::uint16_t kCpiR21 = 0x3050;
constexpr std::uint16_t kSbciR20Zero = 0x4040; // sbci R20, 0
constexpr std::uint16_t kLdiR16 = 0xE000;
constexpr std::uint16_t kLdiR23 = 0xE070;
constexpr std::uint16_t kLdiR30 = 0xE0E0;
constexpr std::uint16_t kStXPlusR16 = 0x930D;      // st X+, R16: 1001 001r rrrr 1101
constexpr std::uint16_t kSbiAdenOfAdcsra = 0x9A37; // ADCSRA is I/O 0x06, ADEN bit 7
constexpr std::uint16_t kCbi = 0x9800;
constexpr std::uint16_t kSbi = 0x9A00;
constexpr std::uint16_t kPortC0 = (0x15 << 3) | 0; // PORTC is I/O 0x15
constexpr std::uint16_t kPortD6 = (0x12 << 3) | 6; // PORTD is I/O 0x12

int immediate(std::uint16_t word)
{
    return ((word >> 4) & 0xF0) | (word & 0x0F);
}

bool hasImmediate(std::uint16_t word, std::uint16_t opcodeAndRegister)
{
    return (word & kImmediateMask) == opcodeAndRegister;
}

Words wordsOf(const std::vector<std::uint8_t> &flash)
{
    Words words((flash.size() + 1) / 2);
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::uint8_t high = 2 * i + 1 < flash.size() ? flash[2 * i + 1] : 0xFF;
        words[i] = std::uint16_t(flash[2 * i] | (high << 8));
    }
    return words;
}

// Length of the run of (first, second) pairs at word i: first matched by `isFirst`, second
// equal to `second`.
template <typename IsFirst>
std::size_t pairRun(const Words &words, std::size_t i, IsFirst isFirst, std::uint16_t second)
{
    std::size_t count = 0;
    while (i + 1 < words.size() && isFirst(words[i]) && words[i + 1] == second) {
        ++count;
        i += 2;
    }
    return count;
}

bool findCompares(const Words &words, Calibration &calibration)
{
    const auto isCpi = [](std::uint16_t w) { return hasImmediate(w, kCpiR21); };
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::size_t run = pairRun(words, i, isCpi, kSbciR20Zero);
        if (run == std::size_t(kCompareCount)) {
            for (int k = 0; k < kCompareCount; ++k)
                calibration.compareConstant(kPointCount - k) = immediate(words[i + 2 * k]);
            return true;
        }
        if (run > 0)
            i += 2 * run - 1; // a run of another length is no row search
    }
    return false;
}

bool findTables(const Words &words, Calibration &calibration)
{
    const auto isLdi = [](std::uint16_t w) { return hasImmediate(w, kLdiR16); };
    std::vector<int> codes;
    for (std::size_t i = 0; i < words.size() && codes.size() < 3 * kPointCount; ++i) {
        const std::size_t run = pairRun(words, i, isLdi, kStXPlusR16);
        if (run == 0)
            continue;
        // Only whole tables: a run of another length is other code that stores bytes.
        if (run % kPointCount == 0) {
            for (std::size_t k = 0; k < run && codes.size() < 3 * kPointCount; ++k)
                codes.push_back(immediate(words[i + 2 * k]));
        }
        i += 2 * run - 1;
    }
    if (codes.size() != std::size_t(kTableCount * kPointCount))
        return false;
    for (int table = 1; table <= kTableCount; ++table) {
        for (int point = 1; point <= kPointCount; ++point)
            calibration.code(table, point) =
                QString::number(codes[std::size_t((table - 1) * kPointCount + point - 1)]);
    }
    return true;
}

bool findSecondPulse(const Words &words, Calibration &calibration)
{
    for (std::size_t i = 0; i < words.size(); ++i) {
        if (!hasImmediate(words[i], kLdiR23))
            continue;
        for (std::size_t j = i + 1; j < words.size(); ++j) {
            if (hasImmediate(words[j], kLdiR30)) {
                calibration.secondPulse.steps = immediate(words[i]);
                calibration.secondPulse.automatic = (immediate(words[j]) & 0x02) != 0;
                return true;
            }
        }
        return false;
    }
    return false;
}

bool findSparkOutput(const Words &words, Calibration &calibration)
{
    bool portC = false;
    bool portD = false;
    for (const std::uint16_t word : words) {
        const std::uint16_t opcode = word & 0xFF00;
        if (opcode != kCbi && opcode != kSbi)
            continue;
        portC = portC || (word & 0xFF) == kPortC0;
        portD = portD || (word & 0xFF) == kPortD6;
    }
    if (!portC && !portD)
        return false;
    if (portC != portD)
        calibration.sparkOutput = portC ? SparkOutput::PortC0 : SparkOutput::PortD6;
    return true;
}

} // namespace

ImageDecode decodeImage(const std::vector<std::uint8_t> &flash)
{
    const Words words = wordsOf(flash);
    ImageDecode decode;
    Calibration calibration;
    if (!findCompares(words, calibration))
        decode.missing = ImagePart::RpmCompares;
    else if (!findTables(words, calibration))
        decode.missing = ImagePart::Tables;
    else if (!findSecondPulse(words, calibration))
        decode.missing = ImagePart::SecondPulse;
    else if (!findSparkOutput(words, calibration))
        decode.missing = ImagePart::SparkOutput;
    if (decode.missing)
        return decode;
    for (const std::uint16_t word : words)
        calibration.trimmerActive = calibration.trimmerActive || word == kSbiAdenOfAdcsra;
    decode.calibration = calibration;
    return decode;
}

ImageDecode decodeIntelHex(const QByteArray &hexText)
{
    const FlashImage image = parseIntelHex(hexText.toStdString());
    if (!image.error.empty()) {
        ImageDecode decode;
        decode.missing = ImagePart::IntelHex;
        decode.hexError = QString::fromStdString(image.error);
        return decode;
    }
    return decodeImage(image.bytes);
}

QString decodeFailureText(const ImageDecode &decode, unsigned char language)
{
    if (!decode.missing)
        return {};
    static const TextPair kNotBuilt = {
        u"Образ не собран из исходника этой разметки: в нём не найдены ",
        u"The image was not built from a source of this layout: not found in it: "};
    switch (*decode.missing) {
    case ImagePart::IntelHex:
        return inLanguage(language, u"Файл не является образом Intel HEX: ",
                          u"The file is not an Intel HEX image: ") +
               decode.hexError;
    case ImagePart::RpmCompares:
        return pick(kNotBuilt, language) +
               inLanguage(language,
                          u"31 команда сравнения оборотов (cpi R21, K, за каждой sbci R20, 0).",
                          u"the 31 RPM compare instructions (cpi R21, K, each followed by "
                          u"sbci R20, 0).");
    case ImagePart::Tables:
        return pick(kNotBuilt, language) +
               inLanguage(language, u"три таблицы по 32 кода (ldi R16, K, за каждой st X+, R16).",
                          u"the three tables of 32 codes (ldi R16, K, each followed by "
                          u"st X+, R16).");
    case ImagePart::SecondPulse:
        return pick(kNotBuilt, language) +
               inLanguage(language,
                          u"команды второго импульса датчика (ldi R23, K и за ней ldi R30, K).",
                          u"the second sensor pulse instructions (ldi R23, K and then "
                          u"ldi R30, K).");
    case ImagePart::SparkOutput:
        return pick(kNotBuilt, language) +
               inLanguage(language, u"команды выхода «искра» (cbi/sbi PortC,0 или PortD,6).",
                          u"the spark output instructions (cbi/sbi PortC,0 or PortD,6).");
    }
    return {};
}
