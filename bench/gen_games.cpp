// Plays games of a careless but not aimless player from the initial position and prints their
// positions as EPD position fields, one a line: candidates for the mate benchmark, which keeps
// those Stockfish proves to be short mates. The player takes material and gives check more
// often than chance would, so that games reach open kings and lopsided material as real games
// between weak players do. A fixed seed makes every run print the same positions.
//
//     gen_games <games> [seed]

#include <cstdio>
#include <cstdlib>
#include <string>

#include "position/movegen.h"
#include "position/position.h"

namespace {

using namespace vestrel;

struct Random {
    std::uint64_t state;
    std::uint64_t next() {
        std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    int below(int n) { return int(next() % std::uint64_t(n)); }
};

constexpr int kValues[7] = {0, 1, 3, 3, 5, 9, 0};

// A weight for each move: captures by their gain, checks and promotions well above quiet moves.
int weight(const Position& p, Move m) {
    int w = 4;
    const Piece victim = p.pieceOn(m.to());
    if (victim != Piece::None) {
        w += 6 * kValues[int(typeOf(victim))];
        // Taking a defended piece with a more valuable one is less tempting.
        const Bitboard defenders = attackersTo(p, m.to(), ~p.sideToMove);
        if (defenders != 0) w -= 3 * kValues[int(typeOf(p.pieceOn(m.from())))];
    }
    if (m.kind() == MoveKind::Promotion) w += 10;
    if (inCheck(afterMove(p, m))) w += 8;
    return w < 1 ? 1 : w;
}

Move pickMove(const Position& p, const MoveList& list, Random& random) {
    int weights[256];
    int total = 0;
    for (int i = 0; i < list.size; ++i) total += weights[i] = weight(p, list.moves[i]);
    int r = random.below(total);
    for (int i = 0; i < list.size; ++i) {
        if ((r -= weights[i]) < 0) return list.moves[i];
    }
    return list.moves[list.size - 1];
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: gen_games <games> [seed]\n");
        return 2;
    }
    const long games = std::atol(argv[1]);
    Random random{argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 20240607};
    std::string out;
    for (long g = 0; g < games; ++g) {
        Position p = initialPosition();
        for (int ply = 0; ply < 160; ++ply) {
            MoveList list;
            generateLegalMoves(p, list);
            if (list.size == 0 || popCount(p.occupied()) <= 3) break;
            // The opening is left out: short mates come once pieces have been traded.
            if (ply >= 20) {
                out.clear();
                appendFields(p, out);
                out.push_back('\n');
                std::fwrite(out.data(), 1, out.size(), stdout);
            }
            p = afterMove(p, pickMove(p, list, random));
        }
    }
    return 0;
}
