#pragma once
// Random but legal-looking problem positions for the benchmarks: exactly one king per side,
// pawns off the first and last ranks, now and then castling rights or an en-passant square.
// Everything comes from a fixed-seed generator, so every run builds the same collections.

#include <array>
#include <cstdint>
#include <string>

namespace vestrel::bench {

// splitmix64: small, fast and the same on every platform.
struct Random {
    std::uint64_t state;

    explicit Random(std::uint64_t seed) : state(seed) {}

    std::uint64_t next() {
        std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }

    // A number from 0 to n - 1.
    int below(int n) { return static_cast<int>(next() % static_cast<std::uint64_t>(n)); }

    // True in `percent` out of a hundred calls, on average; fractions of a percent allowed.
    bool chance(double percent) {
        return static_cast<double>(next() >> 11) * 0x1.0p-53 * 100.0 < percent;
    }
};

// Square index 0 is a8, 7 is h8, 56 is a1, 63 is h1: the order in which a placement is written.
struct Position {
    std::array<char, 64> board{};  // 0 for an empty square, else the piece letter
    char side = 'w';
    std::string castling = "-";
    std::string enPassant = "-";
};

inline int squareOf(int file, int rank) { return (8 - rank) * 8 + file; }

inline std::string placementText(const Position& pos) {
    std::string out;
    out.reserve(72);
    for (int row = 0; row < 8; ++row) {
        int empty = 0;
        for (int file = 0; file < 8; ++file) {
            const char piece = pos.board[static_cast<std::size_t>(row * 8 + file)];
            if (piece == 0) {
                ++empty;
                continue;
            }
            if (empty != 0) out += static_cast<char>('0' + empty);
            empty = 0;
            out += piece;
        }
        if (empty != 0) out += static_cast<char>('0' + empty);
        if (row != 7) out += '/';
    }
    return out;
}

// Placement, side to move, castling rights and en-passant square.
inline std::string positionFields(const Position& pos) {
    std::string out = placementText(pos);
    out += ' ';
    out += pos.side;
    out += ' ';
    out += pos.castling;
    out += ' ';
    out += pos.enPassant;
    return out;
}

// The position reflected left to right: the a-file becomes the h-file. Castling rights do not
// survive the reflection; an en-passant square moves with its file.
inline Position mirrorFiles(const Position& pos) {
    Position out;
    for (int row = 0; row < 8; ++row)
        for (int file = 0; file < 8; ++file)
            out.board[static_cast<std::size_t>(row * 8 + 7 - file)] =
                pos.board[static_cast<std::size_t>(row * 8 + file)];
    out.side = pos.side;
    out.castling = "-";
    if (pos.enPassant != "-") {
        out.enPassant = pos.enPassant;
        out.enPassant[0] = static_cast<char>('a' + ('h' - pos.enPassant[0]));
    }
    return out;
}

namespace detail {

// Material weighted towards what problems use: queens and rooks for the attack, pawns and
// minor pieces everywhere.
inline constexpr char kMaterial[] = "QRRBBNNPPPPPqrrbbnnpppppp";

inline bool isFree(const Position& pos, int sq) {
    return pos.board[static_cast<std::size_t>(sq)] == 0;
}

inline void put(Position& pos, int sq, char piece) {
    pos.board[static_cast<std::size_t>(sq)] = piece;
}

inline bool kingsTouch(int a, int b) {
    const int dr = a / 8 - b / 8;
    const int df = a % 8 - b % 8;
    return dr >= -1 && dr <= 1 && df >= -1 && df <= 1;
}

inline int findPiece(const Position& pos, char piece) {
    for (int sq = 0; sq < 64; ++sq)
        if (pos.board[static_cast<std::size_t>(sq)] == piece) return sq;
    return -1;
}

// A free square, or -1 when none was found after a fair number of tries.
inline int freeSquare(Random& rng, const Position& pos, bool pawn) {
    for (int tries = 0; tries < 200; ++tries) {
        const int sq = pawn ? 8 + rng.below(48) : rng.below(64);
        if (isFree(pos, sq)) return sq;
    }
    return -1;
}

// Castling set-ups: kings on e1/e8 and rooks on their corners, rights to match.
inline void placeCastling(Random& rng, Position& pos) {
    std::string rights;
    put(pos, squareOf(4, 1), 'K');
    put(pos, squareOf(4, 8), 'k');
    const int shape = rng.below(8);
    if (shape != 1 && shape != 3) {
        put(pos, squareOf(7, 1), 'R');
        rights += 'K';
    }
    if (shape != 2) {
        put(pos, squareOf(0, 1), 'R');
        rights += 'Q';
    }
    if (shape < 5) {
        put(pos, squareOf(7, 8), 'r');
        rights += 'k';
    }
    if (shape != 4 && shape != 6) {
        put(pos, squareOf(0, 8), 'r');
        rights += 'q';
    }
    pos.castling = rights.empty() ? "-" : rights;
}

// A pawn that has just moved two squares, an enemy pawn beside it, the passed squares empty.
inline void placeEnPassant(Random& rng, Position& pos) {
    const int file = rng.below(8);
    const int beside = file == 0 ? 1 : file == 7 ? 6 : file + (rng.below(2) == 0 ? -1 : 1);
    if (pos.side == 'w') {
        put(pos, squareOf(file, 5), 'p');
        put(pos, squareOf(beside, 5), 'P');
        pos.enPassant = std::string{static_cast<char>('a' + file), '6'};
    } else {
        put(pos, squareOf(file, 4), 'P');
        put(pos, squareOf(beside, 4), 'p');
        pos.enPassant = std::string{static_cast<char>('a' + file), '3'};
    }
}

inline bool squareReserved(const Position& pos, int sq) {
    if (pos.enPassant == "-") return false;
    const int file = pos.enPassant[0] - 'a';
    if (pos.side == 'w') return sq == squareOf(file, 6) || sq == squareOf(file, 7);
    return sq == squareOf(file, 3) || sq == squareOf(file, 2);
}

}  // namespace detail

// A position with 3 to 20 pieces, most of them between 6 and 15, as in problem collections.
inline Position randomPosition(Random& rng, double castlingPercent = 4.0,
                               double enPassantPercent = 2.0) {
    using namespace detail;
    Position pos;
    pos.side = rng.chance(85.0) ? 'w' : 'b';
    int pieces = 3 + rng.below(6) + rng.below(6) + rng.below(6);
    if (rng.chance(10.0)) pieces += rng.below(3);

    if (rng.chance(castlingPercent)) placeCastling(rng, pos);
    if (rng.chance(enPassantPercent)) placeEnPassant(rng, pos);

    if (findPiece(pos, 'K') < 0) {
        int white = -1;
        while (white < 0 || squareReserved(pos, white)) white = freeSquare(rng, pos, false);
        put(pos, white, 'K');
        int black = -1;
        while (black < 0 || squareReserved(pos, black) || kingsTouch(white, black))
            black = freeSquare(rng, pos, false);
        put(pos, black, 'k');
    }

    int placed = 0;
    for (const char piece : pos.board) placed += piece != 0;
    int whitePawns = 0, blackPawns = 0;
    while (placed < pieces) {
        const char piece = kMaterial[rng.below(static_cast<int>(sizeof kMaterial) - 1)];
        const bool pawn = piece == 'P' || piece == 'p';
        if (piece == 'P' && whitePawns == 8) continue;
        if (piece == 'p' && blackPawns == 8) continue;
        const int sq = freeSquare(rng, pos, pawn);
        if (sq < 0) break;
        if (squareReserved(pos, sq)) continue;
        put(pos, sq, piece);
        whitePawns += piece == 'P';
        blackPawns += piece == 'p';
        ++placed;
    }
    return pos;
}

// Breaks a position the way real collections do: a second king, a pawn on the first or last
// rank, or the two kings side by side.
inline Position makeIllegal(Random& rng, Position pos) {
    using namespace detail;
    const int kind = rng.below(3);
    if (kind == 0) {
        const int sq = freeSquare(rng, pos, false);
        if (sq >= 0) put(pos, sq, rng.below(2) == 0 ? 'K' : 'k');
    } else if (kind == 1) {
        const int sq = rng.below(2) == 0 ? rng.below(8) : 56 + rng.below(8);
        put(pos, sq, rng.below(2) == 0 ? 'P' : 'p');
    } else {
        const int white = findPiece(pos, 'K');
        const int black = findPiece(pos, 'k');
        if (white >= 0 && black >= 0) {
            put(pos, black, 0);
            const int file = white % 8 == 7 ? 6 : white % 8 + 1;
            const int sq = (white / 8) * 8 + file;
            put(pos, sq, 'k');
        }
    }
    return pos;
}

}  // namespace vestrel::bench
