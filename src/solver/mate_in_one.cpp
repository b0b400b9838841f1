#include "solver/mate_in_one.h"

#include <array>

#include "solver/move_tests.h"

namespace vestrel {

namespace {

// The pieces of `us` that stand alone between their king and an enemy slider.
Bitboard pinnedPieces(const Position& p, Color us) {
    const Color them = ~us;
    const Square king = p.kingSquare(us);
    const Bitboard queens = p.pieces(them, PieceType::Queen);
    Bitboard snipers = (kLines.straight[king] & (p.pieces(them, PieceType::Rook) | queens)) |
                       (kLines.diagonal[king] & (p.pieces(them, PieceType::Bishop) | queens));
    const Bitboard occupied = p.occupied();
    Bitboard pinned = 0;
    while (snipers != 0) {
        const Bitboard between = betweenBits(king, popLowest(snipers)) & occupied;
        if (between != 0 && !hasMoreThanOne(between)) pinned |= between & p.pieces(us);
    }
    return pinned;
}

// Whether the king of `us` stands in check, and when not, its pinned pieces: one look along
// the lines through the king for both, rather than an attack test and then the pins (2% of
// the mates in 3's instructions).
struct KingSafety {
    bool inCheck = false;
    Bitboard pinned = 0;
};

KingSafety kingSafety(const Position& p, Color us) {
    const Color them = ~us;
    const Square king = p.kingSquare(us);
    if ((knightAttacks(king) & p.pieces(them, PieceType::Knight)) != 0 ||
        (pawnAttacks(us, king) & p.pieces(them, PieceType::Pawn)) != 0 ||
        (kingAttacks(king) & p.pieces(them, PieceType::King)) != 0) {
        return {true, 0};
    }
    const Bitboard queens = p.pieces(them, PieceType::Queen);
    Bitboard snipers = (kLines.straight[king] & (p.pieces(them, PieceType::Rook) | queens)) |
                       (kLines.diagonal[king] & (p.pieces(them, PieceType::Bishop) | queens));
    const Bitboard occupied = p.occupied();
    KingSafety safety;
    while (snipers != 0) {
        const Bitboard between = betweenBits(king, popLowest(snipers)) & occupied;
        if (between == 0) return {true, 0};
        if (!hasMoreThanOne(between)) safety.pinned |= between & p.pieces(us);
    }
    return safety;
}

// The defender's pieces other than the king, unpinned, that can move to the empty square s.
bool canReachEmpty(const Position& p, Color us, Square s, Bitboard movers) {
    const Bitboard occupied = p.occupied();
    const Bitboard queens = p.pieces(us, PieceType::Queen);
    if ((knightAttacks(s) & p.pieces(us, PieceType::Knight) & movers) != 0) return true;
    if ((bishopAttacks(s, occupied) & (p.pieces(us, PieceType::Bishop) | queens) & movers) != 0) {
        return true;
    }
    if ((rookAttacks(s, occupied) & (p.pieces(us, PieceType::Rook) | queens) & movers) != 0) {
        return true;
    }
    // Pawn pushes onto s: one step, or two from the home rank over an empty square.
    const Bitboard pawns = p.pieces(us, PieceType::Pawn) & movers;
    const int back = us == Color::White ? -8 : 8;
    const int one = int(s) + back;
    if (one < 0 || one > 63) return false;
    if ((pawns & squareBit(Square(one))) != 0) return true;
    const int two = one + back;
    const Rank fourth = relativeRank(us, kRank4);
    return rankOf(s) == fourth && (occupied & squareBit(Square(one))) == 0 &&
           (pawns & squareBit(Square(two))) != 0;
}

// True when the side to move, in check, has a legal move other than a step of its king: a
// piece other than the king takes the checker or steps between.
bool hasCaptureOrBlock(const Position& p) {
    const Color us = p.sideToMove;
    const Color them = ~us;
    const Square king = p.kingSquare(us);
    const Bitboard occupied = p.occupied();
    const Bitboard checking = attackersAmong(p, king, p.pieces(them), occupied);
    if (hasMoreThanOne(checking)) return false;
    // En passant may take the checker or block its line: leave that to the generator.
    if (p.enPassant != kNoSquare) return hasLegalMove(p);
    const Square checker = lowestSquare(checking);
    const Bitboard movers = p.pieces(us) & ~squareBit(king) & ~pinnedPieces(p, us);
    if (attackersAmong(p, checker, movers, occupied) != 0) return true;
    for (Bitboard between = betweenBits(king, checker); between != 0;) {
        if (canReachEmpty(p, us, popLowest(between), movers)) return true;
    }
    return false;
}

}  // namespace

bool hasEvasion(const Position& p) { return kingCanStep(p) || hasCaptureOrBlock(p); }

namespace {

struct MateSearch {
    MateSearch(const Position& position, MoveList& found, bool first, std::uint64_t& count)
        : p(position),
          mates(found),
          firstOnly(first),
          nodes(count),
          ownKing(position.kingSquare(position.sideToMove)),
          info(checkInfo(position)) {}

    const Position& p;
    MoveList& mates;
    bool firstOnly;
    std::uint64_t& nodes;
    Square ownKing;
    Bitboard pinned = 0;
    CheckInfo info;
    Bitboard flights = 0;  // the enemy king's squares that no piece of ours attacks now
};

// The enemy king's free squares: those next to it that hold no enemy piece and that no piece
// of ours attacks, the king's own square counted as empty (it steps off a check line). One
// sweep over our pieces, and after a check only the lines through the square it left looked
// at (below), rather than an attack test per square: 7% of the mates in 3's instructions.
Bitboard flightSquares(const Position& p, Square king) {
    const Color us = p.sideToMove;
    const Bitboard ours = p.pieces(us);
    // The steppers, the pawns of one colour and the one king at once (1% of the mates in 3),
    // then every slider, its attacks taken whole. Asking first whether a line of it passes a
    // free square missed the branch so often that the attacks it spared cost less (4% of the
    // mate test's time, for 6% more instructions); so did stopping once no square was free
    // (1% more instructions and 2% more branch misses in the mate test than without), and
    // leaving out the sliders on no line through a square next to the king (6% fewer
    // instructions in the mate test, 13% more simulated branch misses, no less time).
    Bitboard hit =
        pawnAttackSpan(us, ours & p.types[index(PieceType::Pawn)]) | kingAttacks(p.kingSquare(us));
    for (Bitboard b = ours & p.types[index(PieceType::Knight)]; b != 0;) {
        hit |= knightAttacks(popLowest(b));
    }
    const Bitboard occupied = p.occupied() ^ squareBit(king);
    const Bitboard queens = p.types[index(PieceType::Queen)];
    for (Bitboard b = ours & (p.types[index(PieceType::Bishop)] | queens); b != 0;) {
        hit |= bishopAttacks(popLowest(b), occupied);
    }
    for (Bitboard b = ours & (p.types[index(PieceType::Rook)] | queens); b != 0;) {
        hit |= rookAttacks(popLowest(b), occupied);
    }
    return kingAttacks(king) & ~p.pieces(~us) & ~hit;
}

// True when one of our sliders other than the one on `from` attacks the free square `flight`
// through the square `from` left: the only way a free square stops being free apart from the
// moved piece's own attack, as no other square was emptied.
bool discoveredOn(const MateSearch& m, Square from, Square flight, Bitboard occupied) {
    const Position& p = m.p;
    const Bitboard line = lineBits(from, flight);
    if (line == 0) return false;
    const Bitboard ours = m.p.pieces(p.sideToMove) & ~squareBit(from);
    const Bitboard queens = p.types[index(PieceType::Queen)];
    if ((kLines.diagonal[flight] & squareBit(from)) != 0) {
        return (bishopAttacks(flight, occupied) & line & ours &
                (p.types[index(PieceType::Bishop)] | queens)) != 0;
    }
    return (rookAttacks(flight, occupied) & line & ours &
            (p.types[index(PieceType::Rook)] | queens)) != 0;
}

// True when the enemy king has a square to go to after the checking move, read from the
// position before it. A free square stays free unless the moved piece or a line through the
// square it left takes it; the other squares next to the king, the checking piece's own
// among them, are looked at afresh. Saves playing most checks out: five in six of those the
// free squares alone could not settle (3% of the mates in 3's instructions).
bool kingEscapes(MateSearch& m, Move move, Bitboard occupied, Bitboard covered) {
    const Position& p = m.p;
    const Color us = p.sideToMove;
    const Square from = move.from();
    const Square to = move.to();
    const Bitboard flights = m.flights & ~squareBit(to);
    for (Bitboard open = flights & ~covered; open != 0;) {
        if (!discoveredOn(m, from, popLowest(open), occupied)) return true;
    }
    const Bitboard enemies = p.pieces(~us) & ~squareBit(to);
    // The other squares, one at a time: the king escapes by the first one free (1.5%).
    const Bitboard others = p.pieces(us) & ~squareBit(from);
    for (Bitboard rest = kingAttacks(m.info.king) & ~enemies & ~flights & ~covered; rest != 0;) {
        if (!isAttacked(p, popLowest(rest), us, others, occupied)) return true;
    }
    return false;
}

// Plays a checking move that is legal and notes it when it mates; true to stop. `occupied`
// holds the occupied squares after it, the enemy king's left out, and `covered` the squares
// the moved piece attacks from its new one. When kingEscapes has found no square for the
// king, the king's steps need no second look: 2% of the mates in 3's instructions.
bool tryCheckCovering(MateSearch& m, Move move, Bitboard occupied, Bitboard covered) {
    ++m.nodes;
    const bool stepsKnown = move.kind() != MoveKind::Castling && move.kind() != MoveKind::EnPassant;
    if (stepsKnown && kingEscapes(m, move, occupied, covered)) return false;
    const Position after = afterMove(m.p, move);
    if (stepsKnown ? hasCaptureOrBlock(after) : hasEvasion(after)) return false;
    m.mates.add(move);
    return m.firstOnly;
}

// The occupied squares after a move, the enemy king's square left out.
Bitboard occupiedAfter(const MateSearch& m, Square from, Square to) {
    return ((m.p.occupied() ^ squareBit(from)) | squareBit(to)) & ~squareBit(m.info.king);
}

// True when the piece that moves from `from` to `to`, next to the enemy king, stands there
// unguarded, so that the king takes it: one of the escapes kingEscapes looks for, found before
// the piece's attacks are. A quarter of the checks tried end so (2% of the mates in 3).
bool takenByKing(const MateSearch& m, Square from, Square to, Bitboard occupied) {
    if ((kingAttacks(m.info.king) & squareBit(to)) == 0) return false;
    const Color us = m.p.sideToMove;
    return !isAttacked(m.p, to, us, m.p.pieces(us) & ~squareBit(from), occupied);
}

bool tryCheck(MateSearch& m, Move move) {
    const Square from = move.from();
    const Square to = move.to();
    const PieceType arriving =
        move.kind() == MoveKind::Promotion ? move.promotion() : typeOf(m.p.pieceOn(from));
    const Bitboard occupied = occupiedAfter(m, from, to);
    if (move.kind() != MoveKind::Castling && move.kind() != MoveKind::EnPassant &&
        takenByKing(m, from, to, occupied)) {
        ++m.nodes;
        return false;
    }
    const Bitboard covered = arriving == PieceType::Pawn ? pawnAttacks(m.p.sideToMove, to)
                                                         : pieceAttacks(arriving, to, occupied);
    return tryCheckCovering(m, move, occupied, covered);
}

// The same for a knight, bishop, rook or queen of type T, whose attacks are known when
// compiled (0.5%).
template <PieceType T>
bool tryPieceCheck(MateSearch& m, Square from, Square to) {
    const Bitboard occupied = occupiedAfter(m, from, to);
    if (T != PieceType::Knight && takenByKing(m, from, to, occupied)) {
        ++m.nodes;
        return false;
    }
    return tryCheckCovering(m, Move::make(from, to), occupied, pieceAttacks(T, to, occupied));
}

// The squares a knight, bishop, rook or queen on each square attacks on an empty board: those
// from which it would attack the square, too. A table rather than a switch: 3% of the mates
// in 3's instructions.
struct Reach {
    std::array<std::array<Bitboard, 64>, 7> squares{};  // by PieceType, then Square
};

constexpr Reach kReach = [] {
    Reach reach;
    constexpr int kJumps[8][2] = {{1, 2},   {2, 1},   {2, -1}, {1, -2},
                                  {-1, -2}, {-2, -1}, {-2, 1}, {-1, 2}};
    for (std::size_t s = 0; s < 64; ++s) {
        for (const auto& jump : kJumps) {
            const int f = int(s % 8) + jump[0];
            const int r = int(s / 8) + jump[1];
            if (f >= 0 && f < 8 && r >= 0 && r < 8) {
                reach.squares[index(PieceType::Knight)][s] |= Bitboard{1} << (r * 8 + f);
            }
        }
        reach.squares[index(PieceType::Bishop)][s] = kLines.diagonal[s];
        reach.squares[index(PieceType::Rook)][s] = kLines.straight[s];
        reach.squares[index(PieceType::Queen)][s] = kLines.diagonal[s] | kLines.straight[s];
    }
    return reach;
}();

constexpr Bitboard emptyBoardReach(PieceType type, Square s) {
    return kReach.squares[index(type)][s];
}

// The free squares of the king that a piece leaving `from` must attack itself to mate. A
// mating move takes every free square of the king, and apart from the moved piece only a
// line through the square it leaves can take one. (Standing on such a square, the piece
// could be taken.)
Bitboard flightsToTake(const MateSearch& m, Square from) {
    return m.flights & ~emptyBoardReach(PieceType::Queen, from);
}

// The squares the piece on `from` may check from and still mate: those from which it attacks
// each of flightsToTake, on an empty board at least. Most checks end here, unmade: 10% of the
// mates in 3's instructions.
Bitboard matingTargets(MateSearch& m, PieceType type, Square from) {
    Bitboard targets = ~Bitboard{0};
    for (Bitboard f = flightsToTake(m, from); f != 0;) {
        targets &= emptyBoardReach(type, popLowest(f));
    }
    return targets;
}

// The same for a knight, bishop or rook among its check squares `targets`, reached on the
// board as well: square by square, as such a piece has one or two check squares, fewer than
// the king has free squares, and without the piece's attacks. 4% of the mate test's time
// (2% of its instructions, a tenth of its branch misses).
template <PieceType T>
Bitboard matingChecks(const MateSearch& m, Square from, Bitboard targets, Bitboard occupied) {
    const Bitboard toTake = flightsToTake(m, from);
    Bitboard kept = 0;
    for (Bitboard t = targets; t != 0;) {
        const Square to = popLowest(t);
        if ((toTake & ~emptyBoardReach(T, to)) == 0 &&
            (T == PieceType::Knight || (betweenBits(from, to) & occupied) == 0)) {
            kept |= squareBit(to);
        }
    }
    return kept;
}

// Checks by the piece of type T on `from` (not a pawn or king) going to any of `targets`.
template <PieceType T>
bool checksFrom(MateSearch& m, Square from, Bitboard targets) {
    const bool discovers = (m.info.discoverers & squareBit(from)) != 0;
    if (!discovers) targets &= m.info.squares[index(T)];
    if ((m.pinned & squareBit(from)) != 0) targets &= lineBits(m.ownKing, from);
    while (targets != 0) {
        const Square to = popLowest(targets);
        if (discovers && !aligned(m.info.king, from, to)) {
            if (tryPieceCheck<T>(m, from, to)) return true;
        } else if ((m.info.squares[index(T)] & squareBit(to)) != 0) {
            if (tryPieceCheck<T>(m, from, to)) return true;
        }
    }
    return false;
}

// For a king on each square, the squares from which a knight reaches a square it would check
// the king from.
constexpr std::array<Bitboard, 64> kKnightNear = [] {
    std::array<Bitboard, 64> near{};
    for (std::size_t k = 0; k < 64; ++k) {
        for (Bitboard c = emptyBoardReach(PieceType::Knight, Square(k)); c != 0;) {
            near[k] |= emptyBoardReach(PieceType::Knight, popLowest(c));
        }
    }
    return near;
}();

// Our pieces of type T that may give check: every rook and queen; a knight that can reach a
// square it would check from, on an empty board, and a bishop on the king's colour, or either
// when it uncovers a line. Sorted out at once rather than one by one by checksOfType (four in
// five knights and three in five bishops fail its test): 3% of the mate test's time.
template <PieceType T>
Bitboard mayCheck(const MateSearch& m) {
    const Bitboard pieces = m.p.pieces(m.p.sideToMove, T);
    if (T == PieceType::Knight) return pieces & (kKnightNear[m.info.king] | m.info.discoverers);
    if (T != PieceType::Bishop) return pieces;
    const bool light = (kLightSquares & squareBit(m.info.king)) != 0;
    return pieces & ((light ? kLightSquares : ~kLightSquares) | m.info.discoverers);
}

// Checks by the pieces of type T (a knight, bishop, rook or queen); true to stop. One copy
// per type, so that the type's attacks need no switch (1% of the mates in 3).
template <PieceType T>
bool checksOfType(MateSearch& m, Bitboard free, Bitboard occupied) {
    for (Bitboard b = mayCheck<T>(m); b != 0;) {
        const Square from = popLowest(b);
        Bitboard targets = free;
        if ((m.info.discoverers & squareBit(from)) == 0) {
            targets &= m.info.squares[index(T)] & emptyBoardReach(T, from);
            if (targets == 0) continue;
            if (T != PieceType::Queen) {
                // A queen has more check squares: for her, the free squares first.
                targets = matingChecks<T>(m, from, targets, occupied);
                if (targets != 0 && checksFrom<T>(m, from, targets)) return true;
                continue;
            }
        }
        targets &= matingTargets(m, T, from);
        if (targets == 0) continue;
        if (checksFrom<T>(m, from, pieceAttacks(T, from, occupied) & targets)) return true;
    }
    return false;
}

// Checks by the queens, rooks, bishops and knights, in that order; true to stop.
bool pieceChecks(MateSearch& m) {
    const Bitboard occupied = m.p.occupied();
    const Bitboard free = ~m.p.pieces(m.p.sideToMove);
    return checksOfType<PieceType::Queen>(m, free, occupied) ||
           checksOfType<PieceType::Rook>(m, free, occupied) ||
           checksOfType<PieceType::Bishop>(m, free, occupied) ||
           checksOfType<PieceType::Knight>(m, free, occupied);
}

// A pawn's move to `to`, with each promotion that gives check.
bool pawnMoveChecks(MateSearch& m, Square from, Square to) {
    const Color us = m.p.sideToMove;
    const bool discovers =
        (m.info.discoverers & squareBit(from)) != 0 && !aligned(m.info.king, from, to);
    // Only checks that take the king's free squares are played, as for the pieces (2% of the
    // mate test's time). The others still count a node each: node counts, and so the node
    // budget's verdicts, do not depend on this shortcut.
    const Bitboard toTake = flightsToTake(m, from);
    if (rankOf(to) != relativeRank(us, kRank8)) {
        if (!discovers && (m.info.squares[index(PieceType::Pawn)] & squareBit(to)) == 0) {
            return false;
        }
        if ((toTake & ~pawnAttacks(us, to)) != 0) {
            ++m.nodes;
            return false;
        }
        return tryCheck(m, Move::make(from, to));
    }
    const Bitboard occupied = (m.p.occupied() ^ squareBit(from)) | squareBit(to);
    for (PieceType t : {PieceType::Queen, PieceType::Rook, PieceType::Bishop, PieceType::Knight}) {
        if (!discovers && (pieceAttacks(t, to, occupied) & squareBit(m.info.king)) == 0) continue;
        if ((toTake & ~emptyBoardReach(t, to)) != 0) {
            ++m.nodes;
            continue;
        }
        if (tryCheck(m, Move::make(from, to, MoveKind::Promotion, t))) return true;
    }
    return false;
}

// The pawns that may give check: those that can take or step onto a square they would check
// from, those that promote and those that would uncover a check. (The mates in 3 spend 5%
// more when every pawn is asked; only those that can move there, and only to such a square,
// save 2% of the mate test's instructions and time.)
Bitboard checkingPawns(const MateSearch& m) {
    const Color us = m.p.sideToMove;
    const Bitboard squares = m.info.squares[index(PieceType::Pawn)];
    const Bitboard empty = ~m.p.occupied();
    // Takes of an enemy piece on a check square, steps to an empty one, and double steps over
    // an empty square.
    Bitboard near = pawnAttackSpan(~us, squares & m.p.pieces(~us));
    const Bitboard steps = squares & empty;
    near |= us == Color::White ? (steps >> 8) | ((((steps & rankBits(kRank4)) >> 8) & empty) >> 8)
                               : (steps << 8) | ((((steps & rankBits(kRank5)) << 8) & empty) << 8);
    const Bitboard promoting = rankBits(relativeRank(us, kRank7));
    return m.p.pieces(us, PieceType::Pawn) & (near | promoting | m.info.discoverers);
}

bool pawnChecks(MateSearch& m) {
    const Position& p = m.p;
    const Color us = p.sideToMove;
    const Bitboard occupied = p.occupied();
    const Rank start = relativeRank(us, kRank2);
    const Bitboard promoting = rankBits(relativeRank(us, kRank7));
    for (Bitboard pawns = checkingPawns(m); pawns != 0;) {
        const Square from = popLowest(pawns);
        Bitboard to = pawnAttacks(us, from) & p.pieces(~us);
        const Square one = pawnPush(us, from);
        if ((occupied & squareBit(one)) == 0) {
            to |= squareBit(one);
            const Square two = pawnPush(us, one);
            if (rankOf(from) == start && (occupied & squareBit(two)) == 0) to |= squareBit(two);
        }
        if ((m.pinned & squareBit(from)) != 0) to &= lineBits(m.ownKing, from);
        // A pawn that neither promotes nor uncovers a line checks only from a check square.
        if ((squareBit(from) & (m.info.discoverers | promoting)) == 0) {
            to &= m.info.squares[index(PieceType::Pawn)];
        }
        while (to != 0) {
            if (pawnMoveChecks(m, from, popLowest(to))) return true;
        }
    }
    return false;
}

// Discovered checks by the king itself, to squares the enemy does not attack.
bool kingChecks(MateSearch& m) {
    const Position& p = m.p;
    const Square from = m.ownKing;
    if ((m.info.discoverers & squareBit(from)) == 0) return false;
    const Bitboard withoutKing = p.occupied() ^ squareBit(from);
    for (Bitboard to = kingAttacks(from) & ~p.pieces(p.sideToMove); to != 0;) {
        const Square s = popLowest(to);
        if (aligned(m.info.king, from, s)) continue;
        if (isAttacked(p, s, ~p.sideToMove, p.pieces(~p.sideToMove), withoutKing)) continue;
        if (tryCheck(m, Move::make(from, s))) return true;
    }
    return false;
}

// The slow way, for a side in check and for castling and en passant: every legal move.
int findMatesByList(MateSearch& m, bool specialsOnly) {
    MoveList list;
    generateLegalMoves(m.p, list);
    for (Move move : list) {
        if (specialsOnly &&
            (move.kind() == MoveKind::Normal || move.kind() == MoveKind::Promotion)) {
            continue;
        }
        if (!givesCheck(m.p, move, m.info)) continue;
        if (tryCheck(m, move)) break;
    }
    return m.mates.size;
}

// True unless castling and en passant surely give no check; the move list finds those that
// do. Castling checks with the rook from the f- or d-file square of the back rank, or by the
// king's leaving a line; taking en passant only when a pawn of ours can. Positions from games
// keep their castling rights long: without this test the move list costs the mates in 3 2%.
bool specialMayCheck(const MateSearch& m) {
    const Position& p = m.p;
    const Color us = p.sideToMove;
    if (p.enPassant != kNoSquare &&
        (pawnAttacks(~us, p.enPassant) & p.pieces(us, PieceType::Pawn)) != 0) {
        return true;
    }
    // Only a castling whose squares between king and rook are empty: the others cannot be
    // played (the move list for them cost the mates in 3 0.6%).
    const Rank back = relativeRank(us, kRank1);
    const Bitboard occupied = p.occupied();
    const auto at = [back](File f) { return squareBit(makeSquare(f, back)); };
    const bool shortOpen = (p.castling & (us == Color::White ? kWhiteShort : kBlackShort)) != 0 &&
                           (occupied & (at(kFileF) | at(kFileG))) == 0;
    const bool longOpen = (p.castling & (us == Color::White ? kWhiteLong : kBlackLong)) != 0 &&
                          (occupied & (at(kFileB) | at(kFileC) | at(kFileD))) == 0;
    if (!shortOpen && !longOpen) return false;
    if ((m.info.discoverers & squareBit(m.ownKing)) != 0) return true;
    const Bitboard rookLanding = (shortOpen ? rookLines(makeSquare(kFileF, back)) : 0) |
                                 (longOpen ? rookLines(makeSquare(kFileD, back)) : 0);
    return (rookLanding & squareBit(m.info.king)) != 0;
}

}  // namespace

int findMates(const Position& p, MoveList& mates, bool firstOnly, std::uint64_t& nodes) {
    mates.size = 0;
    const Color us = p.sideToMove;
    MateSearch m(p, mates, firstOnly, nodes);
    // Found at once rather than when first asked for: nearly every test asks, and the asking
    // cost the mates in 3 2% of their instructions.
    m.flights = flightSquares(p, m.info.king);
    const KingSafety safety = kingSafety(p, us);
    if (safety.inCheck) return findMatesByList(m, false);
    m.pinned = safety.pinned;
    if (pieceChecks(m) || pawnChecks(m) || kingChecks(m)) return mates.size;
    if (specialMayCheck(m)) findMatesByList(m, true);
    return mates.size;
}

}  // namespace vestrel
