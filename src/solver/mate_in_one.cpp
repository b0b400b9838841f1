#include "solver/mate_in_one.h"

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

}  // namespace

bool hasEvasion(const Position& p) {
    const Color us = p.sideToMove;
    const Color them = ~us;
    const Square king = p.kingSquare(us);
    const Bitboard occupied = p.occupied();
    const Bitboard withoutKing = occupied ^ squareBit(king);
    for (Bitboard to = kingAttacks(king) & ~p.pieces(us); to != 0;) {
        if (!isAttacked(p, popLowest(to), p.pieces(them), withoutKing)) return true;
    }
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

namespace {

struct MateSearch {
    const Position& p;
    MoveList& mates;
    bool firstOnly;
    std::uint64_t& nodes;
    Square ownKing;
    Bitboard pinned;
    CheckInfo info;
    bool flightsKnown = false;
    Bitboard flights = 0;  // the enemy king's squares that no piece of ours attacks now
};

Bitboard attacksOf(PieceType type, Square s, Bitboard occupied) {
    switch (type) {
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

// True when the checking move surely leaves the enemy king a square to go to: one of its
// free squares stays unattacked with the moved piece on its new square. Saves playing most
// checks out. The king's own square counts as empty, as the king steps off the check line.
bool leavesFlight(MateSearch& m, Move move) {
    const Position& p = m.p;
    const Color us = p.sideToMove;
    if (!m.flightsKnown) {
        m.flightsKnown = true;
        const Bitboard throughKing = p.occupied() ^ squareBit(m.info.king);
        for (Bitboard b = kingAttacks(m.info.king) & ~p.pieces(~us); b != 0;) {
            const Square s = popLowest(b);
            if (!isAttacked(p, s, p.pieces(us), throughKing)) m.flights |= squareBit(s);
        }
    }
    const Square from = move.from();
    const Square to = move.to();
    // A checking piece next to the king may be taken: play such moves out.
    Bitboard open = m.flights & ~squareBit(to);
    if (open == 0) return false;
    const PieceType arriving =
        move.kind() == MoveKind::Promotion ? move.promotion() : typeOf(p.pieceOn(from));
    const Bitboard occupied =
        ((p.occupied() ^ squareBit(from)) | squareBit(to)) & ~squareBit(m.info.king);
    open &= arriving == PieceType::Pawn ? ~pawnAttacks(us, to) : ~attacksOf(arriving, to, occupied);
    const Bitboard others = p.pieces(us) & ~squareBit(from);
    while (open != 0) {
        if (!isAttacked(p, popLowest(open), others, occupied)) return true;
    }
    return false;
}

// Plays a checking move that is legal and notes it when it mates; true to stop.
bool tryCheck(MateSearch& m, Move move) {
    ++m.nodes;
    if (move.kind() != MoveKind::Castling && move.kind() != MoveKind::EnPassant &&
        leavesFlight(m, move)) {
        return false;
    }
    if (hasEvasion(afterMove(m.p, move))) return false;
    m.mates.add(move);
    return m.firstOnly;
}

// Checks by the piece on `from` (not a pawn or king) going to any of `targets`.
bool pieceChecks(MateSearch& m, Square from, Bitboard targets) {
    const PieceType type = typeOf(m.p.pieceOn(from));
    const bool discovers = (m.info.discoverers & squareBit(from)) != 0;
    if (!discovers) targets &= m.info.squares[index(type)];
    if ((m.pinned & squareBit(from)) != 0) targets &= lineBits(m.ownKing, from);
    while (targets != 0) {
        const Square to = popLowest(targets);
        if (discovers && !aligned(m.info.king, from, to)) {
            if (tryCheck(m, Move::make(from, to))) return true;
        } else if ((m.info.squares[index(type)] & squareBit(to)) != 0) {
            if (tryCheck(m, Move::make(from, to))) return true;
        }
    }
    return false;
}

// A pawn's move to `to`, with each promotion that gives check.
bool pawnMoveChecks(MateSearch& m, Square from, Square to) {
    const Color us = m.p.sideToMove;
    const bool discovers =
        (m.info.discoverers & squareBit(from)) != 0 && !aligned(m.info.king, from, to);
    if (rankOf(to) != relativeRank(us, kRank8)) {
        if (!discovers && (m.info.squares[index(PieceType::Pawn)] & squareBit(to)) == 0) {
            return false;
        }
        return tryCheck(m, Move::make(from, to));
    }
    const Bitboard occupied = (m.p.occupied() ^ squareBit(from)) | squareBit(to);
    for (PieceType t : {PieceType::Queen, PieceType::Rook, PieceType::Bishop, PieceType::Knight}) {
        if (!discovers && (attacksOf(t, to, occupied) & squareBit(m.info.king)) == 0) continue;
        if (tryCheck(m, Move::make(from, to, MoveKind::Promotion, t))) return true;
    }
    return false;
}

bool pawnChecks(MateSearch& m) {
    const Position& p = m.p;
    const Color us = p.sideToMove;
    const Bitboard occupied = p.occupied();
    const Rank start = relativeRank(us, kRank2);
    for (Bitboard pawns = p.pieces(us, PieceType::Pawn); pawns != 0;) {
        const Square from = popLowest(pawns);
        Bitboard to = pawnAttacks(us, from) & p.pieces(~us);
        const Square one = pawnPush(us, from);
        if ((occupied & squareBit(one)) == 0) {
            to |= squareBit(one);
            const Square two = pawnPush(us, one);
            if (rankOf(from) == start && (occupied & squareBit(two)) == 0) to |= squareBit(two);
        }
        if ((m.pinned & squareBit(from)) != 0) to &= lineBits(m.ownKing, from);
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
        if (isAttacked(p, s, p.pieces(~p.sideToMove), withoutKing)) continue;
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

}  // namespace

int findMates(const Position& p, MoveList& mates, bool firstOnly, std::uint64_t& nodes) {
    mates.size = 0;
    const Color us = p.sideToMove;
    MateSearch m{p, mates, firstOnly, nodes, p.kingSquare(us), 0, checkInfo(p)};
    if (isAttacked(p, m.ownKing, p.pieces(~us), p.occupied())) return findMatesByList(m, false);
    m.pinned = pinnedPieces(p, us);
    const Bitboard occupied = p.occupied();
    const Bitboard targets = ~p.pieces(us);
    for (PieceType t : {PieceType::Queen, PieceType::Rook, PieceType::Bishop, PieceType::Knight}) {
        for (Bitboard b = p.pieces(us, t); b != 0;) {
            const Square from = popLowest(b);
            if (pieceChecks(m, from, attacksOf(t, from, occupied) & targets)) return mates.size;
        }
    }
    if (pawnChecks(m) || kingChecks(m)) return mates.size;
    // Castling and en passant are rare: the move list finds them.
    const std::uint8_t rights =
        us == Color::White ? (kWhiteShort | kWhiteLong) : (kBlackShort | kBlackLong);
    if ((p.castling & rights) != 0 || p.enPassant != kNoSquare) findMatesByList(m, true);
    return mates.size;
}

}  // namespace vestrel
