#pragma once
// An exact solver for short stipulations: direct mates, helpmates and selfmates, with mate or
// stalemate as the goal. A function of a position and a stipulation; threads live in the
// caller, each with its own SolverState.

#include <cstdint>
#include <vector>

#include "position/movegen.h"
#include "position/position.h"
#include "solver/stipulation.h"
#include "solver/transposition.h"

namespace vestrel {

// The longest stipulation the solver takes (helpmate depths must fit a table entry's bits).
inline constexpr int kMaxSolveMoves = 15;
// Solutions kept for the verdict text; the rest are only counted, up to kCountedSolutions.
inline constexpr std::size_t kListedSolutions = 10;
inline constexpr std::int64_t kCountedSolutions = 1000;

enum class SolveKind {
    Sound,       // exactly one key, or one helpmate solution
    Cooked,      // more than one
    Short,       // a direct mate or selfmate that works in fewer moves
    Unsound,     // no solution within the stipulated moves
    OutOfNodes,  // the node budget ran out first
};

struct SolveResult {
    SolveKind kind = SolveKind::Unsound;
    int moves = 0;  // the length the solutions have: the stipulation's, or less when Short
    // The keys (direct mates and selfmates, one move each) or the whole lines (helpmates) of
    // the first kListedSolutions solutions found, in listing order.
    std::vector<std::vector<Move>> solutions;
    std::int64_t count = 0;     // solutions found
    bool countStopped = false;  // counting stopped at kCountedSolutions
    std::uint64_t nodes = 0;    // positions visited
};

// What one solver thread keeps from record to record: the transposition tables.
struct SolverState {
    TranspositionTable table;
    // The defender's nodes one attacking move from the end have a table of their own, small
    // enough to stay in the processor's cache: they are many, and each is cheap to search
    // again. It catches the transpositions of two first moves (1.a b 2.c and 1.c b 2.a), which
    // saves a mate in 3 a fifth of its mate-in-one tests.
    LeafTable leaves;
    std::vector<MoveList> lists;  // the move lists of the search, by ply
};

// Allocates the solver state once, before its first record.
void prepareSolver(SolverState& state);

// Solves the stipulation for the position's side to move; the position must be legal (one
// king a side, the side not to move not in check). Stops after `nodeBudget` positions.
SolveResult solve(const Position& position, const Stipulation& stipulation,
                  std::uint64_t nodeBudget, SolverState& state);

}  // namespace vestrel
