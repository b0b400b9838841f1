#include "report/collection_stats.h"

#include <algorithm>
#include <array>

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

std::uint64_t rawStipulation(std::string_view opcodes) {
    std::size_t at = 3;
    if (!opcodes.starts_with("bm ")) {
        at = opcodes.find(" bm ");
        if (at == std::string_view::npos) return kRawNoBm;
        at += 4;
    }
    std::uint64_t raw = std::uint64_t{1} << 63;
    for (std::size_t i = 0;; ++i) {
        if (at + i == opcodes.size() || opcodes[at + i] == ';' || opcodes[at + i] == ' ')
            return raw;
        if (i == 8) return kRawLong;
        raw |= std::uint64_t(std::uint8_t(opcodes[at + i])) << (8 * i);
    }
}

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

// The class of the time whose colon stands at `colon` (two bytes in, at least two after).
TimeClass timeAt(std::string_view opcodes, std::size_t colon) {
    const std::string_view t = opcodes.substr(colon - 2, 5);
    if (t == "--:--") return TimeClass::Unsolved;
    if (!isDigit(t[0]) || !isDigit(t[1]) || !isDigit(t[3]) || !isDigit(t[4])) {
        return TimeClass::None;
    }
    if (colon + 3 < opcodes.size() && opcodes[colon + 3] == ':') return TimeClass::Hours;
    const int minutes = (t[0] - '0') * 10 + (t[1] - '0');
    const int seconds = (t[3] - '0') * 10 + (t[4] - '0');
    if (minutes >= 60) return TimeClass::Hours;
    if (minutes >= 10) return TimeClass::TenMinutes;
    if (minutes >= 1) return TimeClass::Minutes;
    return seconds >= 10 ? TimeClass::TenSeconds : TimeClass::Seconds;
}

}  // namespace

TimeClass timeClass(std::string_view opcodes) {
    // The first "mm:ss" field; "--:--" is a problem not solved.
    const std::size_t colon = opcodes.find(':');
    if (colon == std::string_view::npos || colon < 2 || colon + 2 >= opcodes.size()) {
        return TimeClass::None;
    }
    return timeAt(opcodes, colon);
}

std::string_view timeClassText(TimeClass c) {
    constexpr std::string_view kTexts[kTimeClasses] = {"under 10 s",   "10 to 59 s",  "1 to 9 min",
                                                       "10 to 59 min", "1 h or more", "not solved",
                                                       "no time"};
    return kTexts[std::size_t(c)];
}

void countRecord(CollectionStats& stats, std::string_view fields, std::string_view opcodes,
                 int pieces) {
    ++stats.records;
    std::uint64_t raw = rawStipulation(opcodes);
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
    ++stats.times[std::size_t(timeClass(opcodes))];
}

}  // namespace vestrel
