#pragma once
// The verification of one record: its stipulation read from the "bm" opcode, its position
// checked and solved, and the verdict with the words the log's id tag shows.

#include <cstdint>
#include <string>
#include <string_view>

#include "solver/solver.h"

namespace vestrel {

enum class Verdict { Sound, Cooked, Short, Unsound, Unchecked };
inline constexpr int kVerdictKinds = 5;

struct RecordVerdict {
    Verdict verdict = Verdict::Unchecked;
    // "sound", "cooked: Qh8#, Qb7#", "short: #1 Ra8#", "unsound", "unchecked: illegal", ...
    std::string text;
    std::uint64_t nodes = 0;
};

struct VerifyLimits {
    int maxMoves = 3;              // longer stipulations are not solved
    std::uint64_t nodeBudget = 0;  // positions one record may visit
};

// The verdict word of each kind, in Verdict order: "sound", "cooked", ...
std::string_view verdictName(Verdict verdict);

// Verifies the stipulation of a record (its four position fields and its opcode text).
RecordVerdict verifyRecord(std::string_view positionFields, std::string_view opcodeText,
                           const VerifyLimits& limits, SolverState& state);

// The solutions of a result as text: keys in SAN ("Qh8#, Qb7#"), helpmate lines with move
// numbers ("1.Kg8 Kh6 2.Kh8 Rxf8#"), and " and N more" past the listed ones.
std::string solutionsText(const Position& position, const Stipulation& stipulation,
                          const SolveResult& result);

}  // namespace vestrel
