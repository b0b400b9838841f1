#include "position/bitboard.h"

namespace vestrel {
namespace {

struct Step {
    int file;
    int rank;
};

// The eight directions in the order of the ray table.
constexpr std::array<Step, 8> kDirections = {{
    {0, 1},
    {1, 1},
    {1, 0},
    {-1, 1},
    {0, -1},
    {-1, -1},
    {-1, 0},
    {1, -1},
}};

constexpr Bitboard stepTargets(Square s, const Step* steps, std::size_t count) {
    Bitboard b = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const int f = fileOf(s) + steps[i].file;
        const int r = rankOf(s) + steps[i].rank;
        if (f >= 0 && f < 8 && r >= 0 && r < 8) b |= squareBit(makeSquare(File(f), Rank(r)));
    }
    return b;
}

constexpr Bitboard rayFrom(Square s, Step d) {
    Bitboard b = 0;
    int f = fileOf(s) + d.file;
    int r = rankOf(s) + d.rank;
    for (; f >= 0 && f < 8 && r >= 0 && r < 8; f += d.file, r += d.rank) {
        b |= squareBit(makeSquare(File(f), Rank(r)));
    }
    return b;
}

constexpr AttackTables makeTables() {
    constexpr Step knight[] = {{1, 2},   {2, 1},   {2, -1}, {1, -2},
                               {-1, -2}, {-2, -1}, {-2, 1}, {-1, 2}};
    constexpr Step whitePawn[] = {{-1, 1}, {1, 1}};
    constexpr Step blackPawn[] = {{-1, -1}, {1, -1}};
    AttackTables t;
    for (int i = 0; i < 64; ++i) {
        const Square s = Square(i);
        t.knight[s] = stepTargets(s, knight, 8);
        t.king[s] = stepTargets(s, kDirections.data(), 8);
        t.pawn[0][s] = stepTargets(s, whitePawn, 2);
        t.pawn[1][s] = stepTargets(s, blackPawn, 2);
        for (std::size_t d = 0; d < 8; ++d) t.rays[d][s] = rayFrom(s, kDirections[d]);
        for (std::size_t d = 0; d < 8; d += 2) t.rookLines[s] |= t.rays[d][s];
        for (std::size_t d = 1; d < 8; d += 2) t.bishopLines[s] |= t.rays[d][s];
    }
    for (int a = 0; a < 64; ++a) {
        for (std::size_t d = 0; d < 8; ++d) {
            const Bitboard ray = t.rays[d][std::size_t(a)];
            const Bitboard whole = ray | t.rays[(d + 4) % 8][std::size_t(a)] | squareBit(Square(a));
            for (Bitboard rest = ray; rest != 0;) {
                const Square b = popLowest(rest);
                t.line[std::size_t(a)][b] = whole;
                t.between[std::size_t(a)][b] = ray & t.rays[(d + 4) % 8][b];
            }
        }
    }
    return t;
}

}  // namespace

constexpr AttackTables kAttacks = makeTables();

}  // namespace vestrel
