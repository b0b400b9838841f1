#include "report/collection_stats.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

#include "text/text.h"

namespace vestrel {
namespace {

constexpr std::uint64_t kNoBm = 0;
constexpr std::uint64_t kOtherBm = 1;
constexpr std::size_t kMaxGenreLetters = 4;
constexpr std::size_t kMaxStipulations = 192;

// A code holds the genre letters in bits 24..55 (the first letter highest), the mark in bits
// 16..23 and the move count in bits 0..15, so comparing codes orders by genre, mark, moves.

constexpr std::array<std::uint8_t, 256> kPieceLetter = [] {
    std::array<std::uint8_t, 256> table{};
    for (char c : std::string_view("PNBRQKpnbrqk")) table[std::uint8_t(c)] = 1;
    return table;
}();

constexpr std::uint64_t kOnes = 0x0101010101010101ull;
constexpr std::uint64_t kHighBits = 0x8080808080808080ull;
constexpr bool kLittleEndian = std::endian::native == std::endian::little;

std::uint64_t eightBytes(const char* p) {
    std::uint64_t v;
    std::memcpy(&v, p, 8);
    return v;
}

// The high bit of each byte of `w` that equals `c`; only the lowest one is sure, which is all
// the caller reads.
std::uint64_t bytesEqual(std::uint64_t w, char c) {
    const std::uint64_t x = w ^ (kOnes * std::uint8_t(c));
    return (x - kOnes) & ~x & kHighBits;
}

// Up to eight bytes at `at`, to the next ";" or blank or the end of the text (see
// rawStipulation).
std::uint64_t rawTextAt(std::string_view opcodes, std::size_t at) {
    constexpr std::uint64_t kTop = std::uint64_t{1} << 63;
    if (kLittleEndian && at + 9 <= opcodes.size()) {
        const std::uint64_t w = eightBytes(opcodes.data() + at);
        const std::uint64_t stop = bytesEqual(w, ';') | bytesEqual(w, ' ');
        if (stop != 0) {
            const int length = std::countr_zero(stop) / 8;
            return kTop | (w & ((std::uint64_t{1} << (8 * length)) - 1));
        }
        const char next = opcodes[at + 8];
        return next == ';' || next == ' ' ? kTop | w : kRawLong;
    }
    std::uint64_t raw = kTop;
    for (std::size_t i = 0;; ++i) {
        if (at + i == opcodes.size() || opcodes[at + i] == ';' || opcodes[at + i] == ' ')
            return raw;
        if (i == 8) return kRawLong;
        raw |= std::uint64_t(std::uint8_t(opcodes[at + i])) << (8 * i);
    }
}

std::uint64_t rawStipulationOf(std::string_view opcodes) {
    if (opcodes.starts_with("bm ")) return rawTextAt(opcodes, 3);
    const std::size_t at = opcodes.find(" bm ");
    return at == std::string_view::npos ? kRawNoBm : rawTextAt(opcodes, at + 4);
}

int pieceCount(std::string_view fields) {
    const std::string_view placement = fields.substr(0, fields.find(' '));
    int count = 0;
    for (char c : placement) count += kPieceLetter[std::uint8_t(c)];
    return count;
}

}  // namespace

std::uint64_t stipulationCode(std::string_view opcodes) {
    std::size_t at = 3;
    if (!opcodes.starts_with("bm ")) {
        at = opcodes.find(" bm ");
        if (at == std::string_view::npos) return kNoBm;
        at += 4;
    }
    const char* p = opcodes.data() + at;
    const char* const end = opcodes.data() + opcodes.size();
    std::uint64_t genre = 0;
    std::size_t letters = 0;
    for (; p < end && isLowerLetter(*p); ++p) {
        if (++letters > kMaxGenreLetters) return kOtherBm;
        genre = genre << 8 | std::uint8_t(*p);
    }
    if (p == end || (*p != '#' && *p != '=')) return kOtherBm;
    const char mark = *p++;
    unsigned moves = 0;
    int digits = 0;
    for (; p < end && isDigit(*p); ++p) {
        if (++digits > 3) return kOtherBm;
        moves = moves * 10 + unsigned(*p - '0');
    }
    if (digits == 0 || (p < end && *p != ';' && *p != ' ')) return kOtherBm;
    // The first genre letter highest, so that codes sort by genre.
    genre <<= 8 * (kMaxGenreLetters - letters);
    return genre << 24 | std::uint64_t(std::uint8_t(mark)) << 16 | moves;
}

std::string stipulationText(std::uint64_t code) {
    if (code == kNoBm) return "no bm";
    if (code == kOtherBm) return "other bm";
    std::string text;
    for (int i = int(kMaxGenreLetters) - 1; i >= 0; --i) {
        const char c = char(code >> (24 + 8 * i) & 0xFF);
        if (c != 0) text.push_back(c);
    }
    text.push_back(char(code >> 16 & 0xFF));
    appendDecimal(text, static_cast<long long>(code & 0xFFFF));
    return text;
}

std::uint64_t rawStipulation(std::string_view opcodes) { return rawStipulationOf(opcodes); }

std::vector<std::pair<std::uint64_t, std::int64_t>> sortedStipulations(
    const CollectionStats& stats) {
    // Read each counted text as a stipulation; texts that read alike ("#2", "#02") add up.
    std::vector<std::pair<std::uint64_t, std::int64_t>> sorted;
    for (std::size_t i = 0; i < kStipulationSlots; ++i) {
        const std::uint64_t raw = stats.stipulationTexts[i];
        if (raw == 0) continue;
        std::uint64_t code = kOtherBm;
        if (raw == kRawNoBm) {
            code = kNoBm;
        } else if (raw != kRawLong) {
            std::string text = "bm ";
            for (int b = 0; b < 8 && (raw >> (8 * b) & 0x7F) != 0; ++b) {
                text.push_back(char(raw >> (8 * b) & 0xFF));
            }
            code = stipulationCode(text);
        }
        const auto same = std::find_if(sorted.begin(), sorted.end(),
                                       [code](const auto& p) { return p.first == code; });
        if (same == sorted.end()) {
            sorted.emplace_back(code, stats.stipulationCounts[i]);
        } else {
            same->second += stats.stipulationCounts[i];
        }
    }
    // No bm and the other shapes (codes 0 and 1) go last.
    std::sort(sorted.begin(), sorted.end(), [](const auto& a, const auto& b) {
        const bool aPlain = a.first > kOtherBm;
        const bool bPlain = b.first > kOtherBm;
        if (aPlain != bPlain) return aPlain;
        return aPlain ? a.first < b.first : a.first > b.first;
    });
    return sorted;
}

namespace {

// The class of a time by its minutes: under a minute (the seconds decide then), 1 to 9, 10 to
// 59, an hour or more.
constexpr std::array<std::uint8_t, 100> kMinuteClass = [] {
    std::array<std::uint8_t, 100> table{};
    for (std::size_t m = 0; m < table.size(); ++m) {
        TimeClass c = TimeClass::Seconds;
        if (m >= 1) c = TimeClass::Minutes;
        if (m >= 10) c = TimeClass::TenMinutes;
        if (m >= 60) c = TimeClass::Hours;
        table[m] = std::uint8_t(c);
    }
    return table;
}();

// 1 for an ASCII digit, else 0, to be combined with &: no branch.
unsigned isDigitByte(char c) { return std::uint8_t(c - '0') < 10; }

// The first "mm:ss" field; "--:--" is a problem not solved. Worked out by arithmetic rather
// than branches: times and their classes follow each other at random.
TimeClass timeClassOf(std::string_view opcodes) {
    const std::size_t n = opcodes.size();
    if (n < 5) return TimeClass::None;  // no room for a time
    const std::size_t colon = opcodes.find(':');
    // Two bytes before the colon and two after it; else the bytes looked at are the first five.
    const bool room = (colon != std::string_view::npos) & (colon >= 2) & (colon + 2 < n);
    const char* t = opcodes.data() + (room ? colon - 2 : 0);
    const bool digits =
        (isDigitByte(t[0]) & isDigitByte(t[1]) & isDigitByte(t[3]) & isDigitByte(t[4])) != 0;
    const bool unsolved = (t[0] == '-') & (t[1] == '-') & (t[3] == '-') & (t[4] == '-');
    const unsigned minutes = digits ? unsigned(t[0] - '0') * 10 + unsigned(t[1] - '0') : 0;
    const unsigned seconds = unsigned(t[3] - '0') * 10 + unsigned(t[4] - '0');
    // "h:mm:ss" has a second colon right after the seconds.
    const std::size_t after = room && colon + 3 < n ? colon + 3 : 0;
    const bool hourMark = (after != 0) & (opcodes[after] == ':');
    unsigned c = kMinuteClass[minutes] + unsigned((minutes == 0) & (seconds >= 10));
    c = hourMark ? unsigned(TimeClass::Hours) : c;
    c = digits ? c : unsigned(TimeClass::None);
    c = unsolved ? unsigned(TimeClass::Unsolved) : c;
    return room ? TimeClass(c) : TimeClass::None;
}

}  // namespace

TimeClass timeClass(std::string_view opcodes) { return timeClassOf(opcodes); }

std::string_view timeClassText(TimeClass c) {
    constexpr std::string_view kTexts[kTimeClasses] = {"under 10 s",   "10 to 59 s",  "1 to 9 min",
                                                       "10 to 59 min", "1 h or more", "not solved",
                                                       "no time"};
    return kTexts[std::size_t(c)];
}

void countRecord(CollectionStats& stats, std::string_view fields, std::string_view opcodes,
                 int pieces) {
    ++stats.records;
    std::uint64_t raw = rawStipulationOf(opcodes);
    // Open addressing; once the table is three quarters full, new texts count as "other".
    for (int round = 0; round < 2; ++round) {
        std::size_t slot = std::size_t(raw * 0x9E3779B97F4A7C15ull >> 56);
        while (stats.stipulationTexts[slot] != 0 && stats.stipulationTexts[slot] != raw) {
            slot = (slot + 1) % kStipulationSlots;
        }
        if (stats.stipulationTexts[slot] != 0) {
            ++stats.stipulationCounts[slot];
            break;
        }
        if (stats.stipulationsUsed < kMaxStipulations || raw == kRawLong) {
            stats.stipulationTexts[slot] = raw;
            stats.stipulationCounts[slot] = 1;
            ++stats.stipulationsUsed;
            break;
        }
        raw = kRawLong;
    }
    if (pieces < 0) pieces = pieceCount(fields);
    ++stats.pieces[std::size_t(pieces < int(kPieceClasses) - 1 ? pieces : int(kPieceClasses) - 1)];
    ++stats.times[std::size_t(timeClassOf(opcodes))];
}

}  // namespace vestrel
