#pragma once
// Sets of squares as 64-bit words (bit n is square n) and the attack tables of the pieces,
// computed when the program is compiled.

#include <array>
#include <cstdint>

#include "position/types.h"

namespace vestrel {

using Bitboard = std::uint64_t;

constexpr Bitboard squareBit(Square s) { return Bitboard{1} << s; }
constexpr Bitboard kFileABits = 0x0101010101010101ULL;
constexpr Bitboard kRank1Bits = 0xFFULL;
constexpr Bitboard fileBits(File f) { return kFileABits << f; }
constexpr Bitboard rankBits(Rank r) { return kRank1Bits << (8 * r); }
constexpr Bitboard kLightSquares = 0x55AA55AA55AA55AAULL;

// The squares in a set. Without the POPCNT instruction the builtin is a library call; an
// inlined bit-twiddled count saved only 0.8% of the instructions of "bench.epd --legal"
// (bench/instructions.sh).
constexpr int popCount(Bitboard b) { return __builtin_popcountll(b); }
// The lowest square of a non-empty set.
constexpr Square lowestSquare(Bitboard b) { return Square(__builtin_ctzll(b)); }
// The highest square of a non-empty set.
constexpr Square highestSquare(Bitboard b) { return Square(63 ^ __builtin_clzll(b)); }
// Removes the lowest square of a non-empty set and returns it.
constexpr Square popLowest(Bitboard& b) {
    const Square s = lowestSquare(b);
    b &= b - 1;
    return s;
}
constexpr bool hasMoreThanOne(Bitboard b) { return (b & (b - 1)) != 0; }

// The squares a pawn of the colour attacks from each square.
constexpr Bitboard pawnAttackSpan(Color c, Bitboard pawns) {
    constexpr Bitboard kNotA = ~kFileABits;
    constexpr Bitboard kNotH = ~(kFileABits << 7);
    return c == Color::White ? ((pawns & kNotA) << 7) | ((pawns & kNotH) << 9)
                             : ((pawns & kNotA) >> 9) | ((pawns & kNotH) >> 7);
}

// The fixed tables: step attacks, the rays of the eight directions, and for every two
// squares on one line the squares between them and the whole line through them.
struct AttackTables {
    std::array<Bitboard, 64> knight{};
    std::array<Bitboard, 64> king{};
    std::array<std::array<Bitboard, 64>, 2> pawn{};  // by colour
    // Directions 0..3 go up the board (N, NE, E... in square order), 4..7 down.
    std::array<std::array<Bitboard, 64>, 8> rays{};
    std::array<Bitboard, 64> rookLines{};                // a rook's reach on an empty board
    std::array<Bitboard, 64> bishopLines{};              // a bishop's reach on an empty board
    std::array<std::array<Bitboard, 64>, 64> between{};  // strictly between; empty off-line
    std::array<std::array<Bitboard, 64>, 64> line{};     // edge to edge; empty off-line
};

extern const AttackTables kAttacks;

// The ray from s in direction d, cut after its first occupied square. Without a branch: a
// blocker on the far corner (h8 up the board, a1 down), whose ray is empty, stands in when
// there is none. The branch went the wrong way often enough that its absence saves the
// solver's mates in 3 12% of their CPU time, for 6% more instructions.
// Directions: 0 north (+8), 1 north-east (+9), 2 east (+1), 3 north-west (+7), then their
// opposites 4 south, 5 south-west, 6 west, 7 south-east.
inline Bitboard rayAttacks(Square s, int d, Bitboard occupied) {
    const Bitboard ray = kAttacks.rays[std::size_t(d)][s];
    const Bitboard blockers = ray & occupied;
    const Square b = d < 4 ? lowestSquare(blockers | squareBit(kH8)) : highestSquare(blockers | 1);
    return ray ^ kAttacks.rays[std::size_t(d)][b];
}

inline Bitboard rookAttacks(Square s, Bitboard occupied) {
    return rayAttacks(s, 0, occupied) | rayAttacks(s, 2, occupied) | rayAttacks(s, 4, occupied) |
           rayAttacks(s, 6, occupied);
}

// A bishop's attacks from one square by "magic" multiplication: the occupied squares of its
// mask times the factor, shifted right, number the square's attack sets.
struct Magic {
    Bitboard mask = 0;  // the squares whose occupation can stop a ray: its reach less the edge
    Bitboard factor = 0;
    std::uint32_t offset = 0;  // where the square's attack sets begin in the table
    std::uint32_t shift = 0;   // 64 less the squares of the mask
};

constexpr std::size_t kBishopSlots = 5248;  // the sum over the squares of 2^(squares of mask)

struct MagicTables {
    std::array<Magic, 64> bishop{};
    std::array<Bitboard, kBishopSlots> bishopAttacks{};
};

extern const MagicTables kMagics;

// One multiply and one look-up: the solver's mates in 3 and 4 take 3-4% less CPU time than
// with the four rays. A rook's table (800 KB against 41 KB) saved nothing on top.
inline Bitboard bishopAttacks(Square s, Bitboard occupied) {
    const Magic& m = kMagics.bishop[s];
    return kMagics
        .bishopAttacks[m.offset + std::size_t(((occupied & m.mask) * m.factor) >> m.shift)];
}
inline Bitboard knightAttacks(Square s) { return kAttacks.knight[s]; }
inline Bitboard kingAttacks(Square s) { return kAttacks.king[s]; }
inline Bitboard pawnAttacks(Color c, Square s) { return kAttacks.pawn[index(c)][s]; }
inline Bitboard rookLines(Square s) { return kAttacks.rookLines[s]; }
inline Bitboard bishopLines(Square s) { return kAttacks.bishopLines[s]; }
inline Bitboard betweenBits(Square a, Square b) { return kAttacks.between[a][b]; }
inline Bitboard lineBits(Square a, Square b) { return kAttacks.line[a][b]; }
inline bool aligned(Square a, Square b, Square c) { return (lineBits(a, b) & squareBit(c)) != 0; }

// The squares a knight, bishop, rook, queen or king on s attacks, sliders stopped by
// `occupied`. The same squares are the ones such a piece can have come from.
inline Bitboard pieceAttacks(PieceType t, Square s, Bitboard occupied) {
    switch (t) {
        case PieceType::Knight:
            return knightAttacks(s);
        case PieceType::Bishop:
            return bishopAttacks(s, occupied);
        case PieceType::Rook:
            return rookAttacks(s, occupied);
        case PieceType::Queen:
            return bishopAttacks(s, occupied) | rookAttacks(s, occupied);
        default:
            return kingAttacks(s);
    }
}

}  // namespace vestrel
