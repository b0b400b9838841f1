#pragma once
// Random legal games for tests: a small deterministic generator and a walk that hands every
// position of every game to a visitor.

#include <cstdint>

#include "position/movegen.h"
#include "position/position.h"

namespace vestrel {

// xorshift64*: the same numbers from the same seed on every platform.
struct TestRandom {
    std::uint64_t state;
    std::uint64_t next() {
        state ^= state >> 12;
        state ^= state << 25;
        state ^= state >> 27;
        return state * 0x2545F4914F6CDD1DULL;
    }
    int below(int n) { return int((next() >> 33) % std::uint64_t(n)); }
};

// Plays `games` games of at most `plies` random legal moves from the initial position and
// calls visit(position) for every position reached, the initial one included.
template <typename Visit>
void playRandomGames(std::uint64_t seed, int games, int plies, Visit visit) {
    TestRandom random{seed};
    for (int g = 0; g < games; ++g) {
        Position p = initialPosition();
        visit(p);
        for (int ply = 0; ply < plies; ++ply) {
            MoveList list;
            generateLegalMoves(p, list);
            if (list.size == 0) break;
            p = afterMove(p, list.moves[random.below(list.size)]);
            visit(p);
        }
    }
}

}  // namespace vestrel
