#pragma once
// The stipulation of a problem record, read from its "bm" opcode: "#n" (direct mate), "h#n"
// (helpmate), "s#n" (selfmate) and the stalemate forms "=n", "h=n", "s=n".

#include <string>
#include <string_view>

namespace vestrel {

enum class Goal { Mate, Stalemate };
enum class Play { Direct, Help, Self };

struct Stipulation {
    Play play = Play::Direct;
    Goal goal = Goal::Mate;
    int moves = 0;  // 1 or more
};

enum class StipulationRead {
    Ok,
    Missing,  // no "bm" opcode, or one that names a move ("bm Qe4")
    Unknown,  // a stipulation of another kind or with no usable length ("r#2", "#0", "#x")
    TooLong,  // a length over the given limit
};

// Reads the first "bm" opcode of the opcode text. A stipulation is an operand whose "#" or "="
// stands first or after one letter, as the position key reads it.
StipulationRead readStipulation(std::string_view opcodeText, int maxMoves, Stipulation& out);

// "#3", "h=2", "s#1".
std::string stipulationText(const Stipulation& stipulation);

}  // namespace vestrel
