#pragma once
// Counts over the records a run writes, for the report's plots: stipulations, piece counts
// and recorded solution times. Cheap enough to take for every record.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vestrel {

// Solution-time classes, in the order the plot shows them.
enum class TimeClass { Seconds, TenSeconds, Minutes, TenMinutes, Hours, Unsolved, None };
inline constexpr std::size_t kTimeClasses = 7;
inline constexpr std::size_t kPieceClasses = 34;  // 0 to 32 pieces, then "more"

inline constexpr std::size_t kStipulationSlots = 256;

struct CollectionStats {
    std::int64_t records = 0;
    // The stipulation texts after "bm " as they stand (see rawStipulation), hashed, counted;
    // read as stipulations only when the plot is drawn. A slot holds 0 when free.
    std::array<std::uint64_t, kStipulationSlots> stipulationTexts{};
    std::array<std::int64_t, kStipulationSlots> stipulationCounts{};
    std::size_t stipulationsUsed = 0;
    std::array<std::int64_t, kPieceClasses> pieces{};
    std::array<std::int64_t, kTimeClasses> times{};
};

// Counts one record by its position fields and opcode text; `pieces` is the placement's piece
// count when already known, else -1.
void countRecord(CollectionStats& stats, std::string_view fields, std::string_view opcodes,
                 int pieces = -1);

// Up to eight bytes after "bm ", to the next ";" or blank, packed in a number with its top
// bit set; kRawNoBm without a bm opcode, kRawLong when the text is longer.
inline constexpr std::uint64_t kRawNoBm = 1;
inline constexpr std::uint64_t kRawLong = 2;
std::uint64_t rawStipulation(std::string_view opcodes);

// The stipulation after "bm " packed in a number: up to four genre letters, the mark "#" or
// "=" and a move count up to 999 ("h#2", "#3", "=2", "s#12"); 0 when the record has no bm
// opcode, 1 when it has one of another shape.
std::uint64_t stipulationCode(std::string_view opcodes);
// The text of a stipulation code ("h#2", "no bm", "other bm").
std::string stipulationText(std::uint64_t code);
// Stipulation counts in reading order: genre, then mark, then move count; no bm and the
// other shapes last.
std::vector<std::pair<std::uint64_t, std::int64_t>> sortedStipulations(
    const CollectionStats& stats);

TimeClass timeClass(std::string_view opcodes);
std::string_view timeClassText(TimeClass c);

}  // namespace vestrel
