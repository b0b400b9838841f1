#include "position/legality.h"

#include <algorithm>
#include <array>
#include <bit>
#include <utility>

#include "position/movegen.h"
#include "text/text.h"

namespace vestrel {
namespace {

constexpr int kNoWay = 99;  // more captures than any game can hold

// ---- The last move -------------------------------------------------------------------------

// The side to move in the position before a move of the other side: its king must not have
// been attacked there.
bool kingWasSafe(const Position& before) {
    const Color us = before.sideToMove;
    return attackersTo(before, before.kingSquare(us), ~us) == 0;
}

// The position with the piece on `to` taken back to `from` as `before`; with `uncapture` a
// man of the side to move stands on `to` again. Which man it was does not matter here: it
// can only block lines to its own king.
bool safeBefore(const Position& p, Square to, Square from, Piece before, bool uncapture) {
    Position pre = p;
    pre.remove(to);
    pre.put(before, from);
    if (uncapture) pre.put(makePiece(p.sideToMove, PieceType::Knight), to);
    return kingWasSafe(pre);
}

// A pawn's last move taken back: one or two squares straight, a capture, or en passant.
bool pawnMoveFits(const Position& p, Square to, bool canUncapture) {
    const Color us = p.sideToMove;
    const Color them = ~us;
    const Piece pawn = makePiece(them, PieceType::Pawn);
    const Bitboard empty = ~p.occupied();
    const Rank rank = relativeRank(them, rankOf(to));
    if (rank < kRank3) return false;  // a pawn on its first rank has not moved
    const Square back = pawnPush(us, to);
    if ((empty & squareBit(back)) != 0) {
        if (safeBefore(p, to, back, pawn, false)) return true;
        const Square start = pawnPush(us, back);
        if (rank == kRank4 && (empty & squareBit(start)) != 0 &&
            safeBefore(p, to, start, pawn, false)) {
            return true;
        }
    }
    for (Bitboard from = pawnAttacks(us, to) & empty; from != 0;) {
        const Square f = popLowest(from);
        if (canUncapture && safeBefore(p, to, f, pawn, true)) return true;
        // En passant: the taken pawn stood behind `to`, which was empty.
        if (canUncapture && rank == kRank6 && (empty & squareBit(back)) != 0) {
            Position pre = p;
            pre.remove(to);
            pre.put(pawn, f);
            pre.put(makePiece(us, PieceType::Pawn), back);
            if (kingWasSafe(pre)) return true;
        }
    }
    return false;
}

// A castling taken back: king and rook home again.
bool castlingFits(const Position& p, Square king) {
    const Color them = ~p.sideToMove;
    const Rank home = relativeRank(them, kRank1);
    if (rankOf(king) != home) return false;
    const Bitboard empty = ~p.occupied();
    const Square e = makeSquare(kFileE, home);
    const bool isShort = fileOf(king) == kFileG;
    if (!isShort && fileOf(king) != kFileC) return false;
    const Square rookNow = makeSquare(isShort ? kFileF : kFileD, home);
    const Square rookHome = makeSquare(isShort ? kFileH : kFileA, home);
    const Piece rook = makePiece(them, PieceType::Rook);
    if (p.pieceOn(rookNow) != rook || (empty & squareBit(e)) == 0 ||
        (empty & squareBit(rookHome)) == 0) {
        return false;
    }
    Position pre = p;
    pre.remove(rookNow);
    pre.put(rook, rookHome);
    pre.remove(king);
    pre.put(makePiece(them, PieceType::King), e);
    return kingWasSafe(pre);
}

// The moves of one non-pawn piece taken back, a promotion among them.
bool pieceMoveFits(const Position& p, Square to, bool canUncapture) {
    const Color us = p.sideToMove;
    const Piece piece = p.pieceOn(to);
    const PieceType type = typeOf(piece);
    const Bitboard empty = ~p.occupied();
    for (Bitboard from = pieceAttacks(type, to, p.occupied()) & empty; from != 0;) {
        if (safeBefore(p, to, popLowest(from), piece, canUncapture)) return true;
    }
    if (type == PieceType::King) return castlingFits(p, to);
    if (relativeRank(~us, rankOf(to)) != kRank8) return false;
    const Piece pawn = makePiece(~us, PieceType::Pawn);
    const Square straight = pawnPush(us, to);
    if ((empty & squareBit(straight)) != 0 && safeBefore(p, to, straight, pawn, false)) {
        return true;
    }
    for (Bitboard from = pawnAttacks(us, to) & empty; canUncapture && from != 0;) {
        if (safeBefore(p, to, popLowest(from), pawn, true)) return true;
    }
    return false;
}

// True when some move of the side that has just moved can have given the two checks the side
// to move stands in: before it, the side to move was not in check. A capture is taken back
// whenever the side to move has lost a man; what else the game allows is not asked, so no
// position a game can reach is refused.
bool checksHaveALastMove(const Position& p, Bitboard checking) {
    const Color them = ~p.sideToMove;
    const bool canUncapture = popCount(p.pieces(p.sideToMove)) < 16;
    // Two checks uncovered through the one square a piece left would share a line, so the
    // piece that moved gives one of them, unless it is the king (castling) or a pawn that
    // took en passant and cleared two squares.
    const Bitboard movers =
        checking | p.pieces(them, PieceType::King) |
        (p.pieces(them, PieceType::Pawn) & rankBits(relativeRank(them, kRank6)));
    for (Bitboard pieces = movers; pieces != 0;) {
        const Square s = popLowest(pieces);
        const bool fits = typeOf(p.pieceOn(s)) == PieceType::Pawn
                              ? pawnMoveFits(p, s, canUncapture)
                              : pieceMoveFits(p, s, canUncapture);
        if (fits) return true;
    }
    return false;
}

// With an en-passant square, the last move was the double step behind it: taken back, the
// side to move must not have been in check.
bool enPassantFits(const Position& p) {
    const Color them = ~p.sideToMove;
    const Square passed = p.enPassant;
    Position pre = p;
    pre.remove(pawnPush(them, passed));
    pre.put(makePiece(them, PieceType::Pawn), pawnPush(p.sideToMove, passed));
    return kingWasSafe(pre);
}

// ---- Material ------------------------------------------------------------------------------

// A pawn and how far it may have left its file: one file per capture, one capture per rank
// it has advanced.
struct PawnReach {
    int file;
    int reach;
};

int distance(int a, int b) { return a > b ? a - b : b - a; }

// The fewest captures that bring the pawns, in file order, to distinct free starting files
// kept in the same order: `bound.first` without reaches, exact then (kNoWay when no order
// fits), `bound.second` with every pawn within its reach, an upper bound then. The rows are
// updated in place, without branches: the files and reaches of random positions would send
// half the branches the wrong way.
std::pair<int, int> inOrderCaptures(const PawnReach* pawns, int n, unsigned freeFiles) {
    // Index j: the pawns so far on starting files below j.
    std::array<int, 9> free{};
    std::array<int, 9> reached{};
    for (int i = 0; i < n; ++i) {
        int oldFree = free[0];
        int oldReached = reached[0];
        free[0] = reached[0] = kNoWay;
        for (int j = 1; j <= 8; ++j) {
            const int cost = distance(pawns[i].file, j - 1);
            const bool open = ((freeFiles >> (j - 1)) & 1) != 0;
            const bool within = open && cost <= pawns[i].reach;
            const int f = std::min(free[std::size_t(j - 1)], open ? oldFree + cost : kNoWay);
            const int r =
                std::min(reached[std::size_t(j - 1)], within ? oldReached + cost : kNoWay);
            oldFree = free[std::size_t(j)];
            oldReached = reached[std::size_t(j)];
            free[std::size_t(j)] = f;
            reached[std::size_t(j)] = r;
        }
    }
    return {free[8], reached[8]};
}

// The exact fewest captures with reaches, over every choice of free starting files.
int exactCaptures(const PawnReach* pawns, int n, unsigned freeFiles) {
    std::array<int, 256> best;
    best.fill(kNoWay);
    const unsigned taken = ~freeFiles & 255u;
    best[taken] = 0;
    int result = kNoWay;
    for (unsigned used = taken; used < 256; ++used) {
        if (best[used] >= kNoWay || (used & taken) != taken) continue;
        const int i = popCount(used & freeFiles);
        if (i == n) {
            result = std::min(result, best[used]);
            continue;
        }
        for (int s = 0; s < 8; ++s) {
            const int cost = distance(pawns[i].file, s);
            if (((used >> s) & 1) != 0 || cost > pawns[i].reach) continue;
            int& to = best[used | (1u << s)];
            to = std::min(to, best[used] + cost);
        }
    }
    return result;
}

// The files a set of squares covers, as the bits of a byte.
constexpr unsigned filesOf(Bitboard b) {
    b |= b >> 32;
    b |= b >> 16;
    b |= b >> 8;
    return unsigned(b & 0xFF);
}

// The bits set in each byte.
constexpr std::array<std::uint8_t, 256> kByteBits = [] {
    std::array<std::uint8_t, 256> bits{};
    for (std::size_t i = 1; i < 256; ++i) bits[i] = std::uint8_t(bits[i / 2] + (i & 1));
    return bits;
}();

// The captures of one way to bring the pawns of `c` back to distinct starting files, each
// within its reach, an upper bound of the fewest: a pawn on its second rank keeps its file,
// the others take in turn the nearest file still free. kNoWay when a pawn finds none. Most
// positions with doubled pawns have lost men enough for it, and need no search for the fewest.
int nearestFilesCaptures(Bitboard pawns, Color c) {
    const Bitboard home = pawns & rankBits(relativeRank(c, kRank2));
    unsigned taken = filesOf(home);
    int total = 0;
    for (Bitboard movers = pawns ^ home; movers != 0;) {
        const Square s = popLowest(movers);
        const int file = fileOf(s);
        const int reach = relativeRank(c, rankOf(s)) - kRank2;
        const unsigned upTo = (2u << std::min(file + reach, 7)) - 1;
        const unsigned from = (1u << std::max(file - reach, 0)) - 1;
        const unsigned open = upTo & ~from & ~taken;
        if (open == 0) return kNoWay;
        const unsigned below = open & ((2u << file) - 1);  // this file and those left of it
        const unsigned above = open & ~below;
        const int left = below != 0 ? std::bit_width(below) - 1 : -kNoWay;
        const int right = above != 0 ? std::countr_zero(above) : kNoWay;
        const int to = file - left <= right - file ? left : right;
        total += distance(file, to);
        taken |= 1u << to;
    }
    return total;
}

// The pawns of `c` (`count` of them) against the men the other side has lost. A pawn on its
// second rank has never moved and keeps its file; the others are matched to the files left,
// first by quick bounds, and only when they disagree exactly. Without the bounds
// "bench.epd --legal" takes 23.4% more instructions (bench/instructions.sh) and make bench's
// 1M lines 0.59 s CPU instead of 0.38 s; without the own-file test 6.9% more instructions.
bool capturesFail(Bitboard pawns, int count, int lost, Color c) {
    if (kByteBits[filesOf(pawns)] == count) return false;  // each pawn on its own file
    if (nearestFilesCaptures(pawns, c) <= lost) return false;
    std::array<PawnReach, 8> movers{};
    int n = 0;
    unsigned freeFiles = 255;
    for (int f = kFileA; f <= kFileH; ++f) {
        for (Bitboard b = pawns & fileBits(File(f)); b != 0;) {
            const int reach = relativeRank(c, rankOf(popLowest(b))) - kRank2;
            if (reach == 0) {
                freeFiles &= ~(1u << f);
            } else {
                movers[std::size_t(n++)] = {f, reach};
            }
        }
    }
    const auto [fewest, fitting] = inOrderCaptures(movers.data(), n, freeFiles);
    if (fitting <= lost) return false;
    if (fewest > lost) return true;
    return exactCaptures(movers.data(), n, freeFiles) > lost;
}

// ---- The rules read from a scanned board ---------------------------------------------------

// The men of a scanned board: the squares of each piece type, of black, and of both sides.
// Eight sets of types (not twelve of pieces) are cleared with four vector stores, where
// g++ 12 clears twelve or sixteen with "rep stos" and its slow start.
struct Men {
    std::array<Bitboard, 8> types{};  // by PieceType
    Bitboard black = 0;
    Bitboard occupied = 0;

    Bitboard of(Color c) const { return c == Color::White ? occupied ^ black : black; }
    Bitboard of(Color c, PieceType t) const { return of(c) & types[index(t)]; }
};

// A count of BoardScan's counts of one colour (a byte per type, in the order of kPieceKinds).
constexpr int countOf(std::uint64_t counts, PieceType t) {
    return int(std::uint8_t(counts >> (8 * (index(t) - 1))));
}
// All men of the colour: the bytes summed in the top byte of the product.
constexpr int menOf(std::uint64_t counts) { return int((counts * 0x0101010101010101ULL) >> 56); }

// The squares of a small set, counted without the library call a build without POPCNT makes.
constexpr int fewBits(Bitboard b) {
    int n = 0;
    for (; b != 0; b &= b - 1) ++n;
    return n;
}

// The men of `by` that attack the square.
Bitboard attackersOf(const Men& men, Color by, Square s) {
    const Bitboard own = men.of(by);
    const Bitboard queens = men.types[index(PieceType::Queen)];
    const auto of = [&](PieceType t) { return men.types[index(t)]; };
    return own &
           ((pawnAttacks(~by, s) & of(PieceType::Pawn)) |
            (knightAttacks(s) & of(PieceType::Knight)) | (kingAttacks(s) & of(PieceType::King)) |
            (bishopAttacks(s, men.occupied) & (of(PieceType::Bishop) | queens)) |
            (rookAttacks(s, men.occupied) & (of(PieceType::Rook) | queens)));
}

// promotedPieceCount plus the pawns beyond 8, from the counts and the bishops' squares. With nine
// men or fewer nothing fails, and with one bishop or none the static test has said it all.
bool bishopColoursFail(std::uint64_t counts, Bitboard bishops) {
    const int all = countOf(counts, PieceType::Bishop);
    if (all < 2 || menOf(counts) <= 9) return false;
    const int light = fewBits(bishops & kLightSquares);
    const int promoted = maxOf(countOf(counts, PieceType::Queen) - 1, 0) +
                         maxOf(countOf(counts, PieceType::Rook) - 2, 0) +
                         maxOf(countOf(counts, PieceType::Knight) - 2, 0) + maxOf(light - 1, 0) +
                         maxOf(all - light - 1, 0);
    return promoted + countOf(counts, PieceType::Pawn) > 8;
}

// checkGameRules on the board a scan has read, without building the position for the many
// that need no move taken back: only two checks and an en-passant square ask for the full
// test. Building the position for every record cost --legal a quarter of its time.
GameRule scannedGameRules(const BoardScan& scan, std::string_view fields) {
    std::size_t at = scan.length + 1;
    const Color us = fields[at] == 'w' ? Color::White : Color::Black;
    const Color them = ~us;
    for (at += 2; fields[at] != ' '; ++at) {
    }
    if (fields[at + 1] != '-') return checkGameRules(positionFromScan(scan, fields));
    Men men;
    // The two sets every man goes into are kept in registers, not in `men`.
    Bitboard black = 0;
    Bitboard occupied = 0;
    for (std::size_t i = 0; i < scan.pieceCount; ++i) {
        const PieceOn& on = scan.pieces[i];
        const Piece piece = pieceFromLetter(on.letter);
        const Bitboard bit = squareBit(squareAtPlacementIndex(on.square));
        men.types[index(typeOf(piece))] |= bit;
        black |= bit & (Bitboard{0} - index(colorOf(piece)));
        occupied |= bit;
    }
    men.black = black;
    men.occupied = occupied;
    const auto kingOf = [&](Color c) { return lowestSquare(men.of(c, PieceType::King)); };
    if (attackersOf(men, us, kingOf(them)) != 0) return GameRule::OppositeCheck;
    const Bitboard checking = attackersOf(men, them, kingOf(us));
    if (hasMoreThanOne(checking)) {
        if (hasMoreThanOne(checking & (checking - 1))) return GameRule::TripleCheck;
        // One of two checks is uncovered, and only a bishop, rook or queen is: two checks by
        // knights and pawns have no last move (a king never gives check here).
        const Bitboard sliders = men.types[index(PieceType::Bishop)] |
                                 men.types[index(PieceType::Rook)] |
                                 men.types[index(PieceType::Queen)];
        if ((checking & sliders) == 0) return GameRule::ImpossibleDoubleCheck;
        return checkGameRules(positionFromScan(scan, fields));
    }
    const std::uint64_t whites = scan.whiteCounts;
    const std::uint64_t blacks = scan.blackCounts;
    if (bishopColoursFail(whites, men.of(Color::White, PieceType::Bishop)) ||
        bishopColoursFail(blacks, men.of(Color::Black, PieceType::Bishop))) {
        return GameRule::BishopColours;
    }
    if (capturesFail(men.of(Color::White, PieceType::Pawn), countOf(whites, PieceType::Pawn),
                     16 - menOf(blacks), Color::White) ||
        capturesFail(men.of(Color::Black, PieceType::Pawn), countOf(blacks, PieceType::Pawn),
                     16 - menOf(whites), Color::Black)) {
        return GameRule::PawnCaptures;
    }
    return GameRule::Legal;
}

}  // namespace

int promotedPieceCount(const Position& p, Color c) {
    const Bitboard bishops = p.pieces(c, PieceType::Bishop);
    return maxOf(popCount(p.pieces(c, PieceType::Queen)) - 1, 0) +
           maxOf(popCount(p.pieces(c, PieceType::Rook)) - 2, 0) +
           maxOf(popCount(p.pieces(c, PieceType::Knight)) - 2, 0) +
           maxOf(popCount(bishops & kLightSquares) - 1, 0) +
           maxOf(popCount(bishops & ~kLightSquares) - 1, 0);
}

// True when the pawns of `c` need more captures than the other side has lost men.
bool pawnCapturesFail(const Position& p, Color c) {
    const Bitboard pawns = p.pieces(c, PieceType::Pawn);
    return capturesFail(pawns, popCount(pawns), 16 - popCount(p.pieces(~c)), c);
}

GameRule checkGameRules(const Position& p) {
    const Color us = p.sideToMove;
    if (attackersTo(p, p.kingSquare(~us), us) != 0) return GameRule::OppositeCheck;
    const Bitboard checking = checkers(p);
    if (popCount(checking) > 2) return GameRule::TripleCheck;
    if (popCount(checking) == 2 && !checksHaveALastMove(p, checking)) {
        return GameRule::ImpossibleDoubleCheck;
    }
    if (p.enPassant != kNoSquare && !enPassantFits(p)) return GameRule::ImpossibleEnPassant;
    for (Color c : {Color::White, Color::Black}) {
        // At most every piece but the king is promoted: with nine men or fewer nothing fails
        // (asking anyway costs 2.6% more instructions on "bench.epd --legal").
        if (popCount(p.pieces(c)) > 9 &&
            promotedPieceCount(p, c) + popCount(p.pieces(c, PieceType::Pawn)) > 8) {
            return GameRule::BishopColours;
        }
    }
    if (pawnCapturesFail(p, Color::White) || pawnCapturesFail(p, Color::Black)) {
        return GameRule::PawnCaptures;
    }
    return GameRule::Legal;
}

std::string_view ruleReason(PositionRule rule) {
    switch (rule) {
        case PositionRule::Legal:
            break;
        case PositionRule::Placement:
            return "placement";
        case PositionRule::PieceCounts:
            return "piece count";
        case PositionRule::Promotions:
            return "promoted pieces";
        case PositionRule::PawnOnEdge:
            return "pawn on edge rank";
        case PositionRule::SideToMove:
            return "side to move";
        case PositionRule::CastlingField:
            return "castling field";
        case PositionRule::CastlingRight:
            return "castling rights";
        case PositionRule::EnPassant:
            return "en passant";
    }
    return {};
}

std::string_view ruleReason(GameRule rule) {
    switch (rule) {
        case GameRule::Legal:
            break;
        case GameRule::OppositeCheck:
            return "opposite check";
        case GameRule::TripleCheck:
            return "triple check";
        case GameRule::ImpossibleDoubleCheck:
            return "impossible double check";
        case GameRule::ImpossibleEnPassant:
            return "impossible en passant";
        case GameRule::BishopColours:
            return "bishop colours";
        case GameRule::PawnCaptures:
            return "pawn captures";
    }
    return {};
}

std::string_view illegalReason(const BoardScan& scan, std::string_view fields) {
    const PositionRule rule = validatePosition(scan, fields);
    if (rule != PositionRule::Legal) return ruleReason(rule);
    return ruleReason(scannedGameRules(scan, fields));
}

}  // namespace vestrel
