#include "solver/move_tests.h"

#include "solver/mate_in_one.h"

namespace vestrel {

CheckInfo checkInfo(const Position& p) {
    CheckInfo info;
    const Color us = p.sideToMove;
    const Color them = ~us;
    const Square king = p.kingSquare(them);
    const Bitboard occupied = p.occupied();
    info.king = king;
    info.squares[index(PieceType::Pawn)] = pawnAttacks(them, king);
    info.squares[index(PieceType::Knight)] = knightAttacks(king);
    info.squares[index(PieceType::Bishop)] = bishopAttacks(king, occupied);
    info.squares[index(PieceType::Rook)] = rookAttacks(king, occupied);
    info.squares[index(PieceType::Queen)] =
        info.squares[index(PieceType::Bishop)] | info.squares[index(PieceType::Rook)];
    const Bitboard queens = p.pieces(us, PieceType::Queen);
    Bitboard snipers = (kLines.straight[king] & (p.pieces(us, PieceType::Rook) | queens)) |
                       (kLines.diagonal[king] & (p.pieces(us, PieceType::Bishop) | queens));
    while (snipers != 0) {
        const Bitboard between = betweenBits(king, popLowest(snipers)) & occupied;
        if (between != 0 && !hasMoreThanOne(between)) info.discoverers |= between & p.pieces(us);
    }
    return info;
}

bool givesCheck(const Position& p, Move move, const CheckInfo& info) {
    // Castling, en passant and promotion move or clear more than one square: play them.
    if (move.kind() != MoveKind::Normal) return inCheck(afterMove(p, move));
    const Square from = move.from();
    const Square to = move.to();
    if ((info.squares[index(typeOf(p.pieceOn(from)))] & squareBit(to)) != 0) return true;
    return (info.discoverers & squareBit(from)) != 0 && !aligned(info.king, from, to);
}

bool hasLegalMove(const Position& p) {
    const Color us = p.sideToMove;
    const Square king = p.kingSquare(us);
    const Bitboard withoutKing = p.occupied() ^ squareBit(king);
    for (Bitboard to = kingAttacks(king) & ~p.pieces(us); to != 0;) {
        if (!isAttacked(p, popLowest(to), p.pieces(~us), withoutKing)) return true;
    }
    MoveList list;
    generateLegalMoves(p, list);
    return list.size != 0;
}

bool isAttacked(const Position& p, Square s, Bitboard them, Bitboard occupied) {
    const Bitboard white = p.pieces(Color::White);
    if ((knightAttacks(s) & them & p.types[index(PieceType::Knight)]) != 0) return true;
    if ((kingAttacks(s) & them & p.types[index(PieceType::King)]) != 0) return true;
    const Bitboard pawns = them & p.types[index(PieceType::Pawn)];
    if ((pawnAttacks(Color::Black, s) & pawns & white) != 0) return true;
    if ((pawnAttacks(Color::White, s) & pawns & ~white) != 0) return true;
    const Bitboard queens = p.types[index(PieceType::Queen)];
    const Bitboard diagonal = them & (p.types[index(PieceType::Bishop)] | queens);
    const Bitboard straight = them & (p.types[index(PieceType::Rook)] | queens);
    // Empty-board lines first: most squares see no slider at all.
    if ((diagonal & kLines.diagonal[s]) != 0 && (bishopAttacks(s, occupied) & diagonal) != 0) {
        return true;
    }
    return (straight & kLines.straight[s]) != 0 && (rookAttacks(s, occupied) & straight) != 0;
}

namespace {

// The squares the piece on `from` may move to by its kind of move, before pins and checks.
Bitboard reachable(const Position& p, Square from) {
    const Color us = p.sideToMove;
    const Bitboard occupied = p.occupied();
    switch (typeOf(p.pieceOn(from))) {
        case PieceType::Pawn: {
            Bitboard to = pawnAttacks(us, from) & p.pieces(~us);
            const Square one = pawnPush(us, from);
            if ((occupied & squareBit(one)) == 0) {
                to |= squareBit(one);
                const Square two = pawnPush(us, one);
                if (rankOf(from) == relativeRank(us, kRank2) && (occupied & squareBit(two)) == 0) {
                    to |= squareBit(two);
                }
            }
            return to;
        }
        case PieceType::Knight:
            return knightAttacks(from);
        case PieceType::Bishop:
            return bishopAttacks(from, occupied);
        case PieceType::Rook:
            return rookAttacks(from, occupied);
        case PieceType::Queen:
            return bishopAttacks(from, occupied) | rookAttacks(from, occupied);
        default:
            return kingAttacks(from);
    }
}

}  // namespace

bool isLegalMove(const Position& p, Move move) {
    const Color us = p.sideToMove;
    const Square from = move.from();
    const Square to = move.to();
    const Piece piece = p.pieceOn(from);
    if (piece == Piece::None || colorOf(piece) != us || move.bits == 0) return false;
    if (move.kind() == MoveKind::Castling || move.kind() == MoveKind::EnPassant) return false;
    const bool promotes =
        typeOf(piece) == PieceType::Pawn && rankOf(to) == relativeRank(us, kRank8);
    if (promotes != (move.kind() == MoveKind::Promotion)) return false;
    if ((reachable(p, from) & ~p.pieces(us) & squareBit(to)) == 0) return false;
    if (typeOf(p.pieceOn(to)) == PieceType::King) return false;
    // The own king must not stand attacked afterwards; a taken piece attacks nothing.
    const Bitboard occupied = (p.occupied() ^ squareBit(from)) | squareBit(to);
    const Square king = typeOf(piece) == PieceType::King ? to : p.kingSquare(us);
    return !isAttacked(p, king, p.pieces(~us) & ~squareBit(to), occupied);
}

Bitboard attackersAmong(const Position& p, Square s, Bitboard by, Bitboard occupied) {
    const Bitboard white = p.pieces(Color::White);
    const Bitboard pawns = by & p.types[index(PieceType::Pawn)];
    Bitboard found = (knightAttacks(s) & by & p.types[index(PieceType::Knight)]) |
                     (kingAttacks(s) & by & p.types[index(PieceType::King)]) |
                     (pawnAttacks(Color::Black, s) & pawns & white) |
                     (pawnAttacks(Color::White, s) & pawns & ~white);
    const Bitboard queens = p.types[index(PieceType::Queen)];
    const Bitboard diagonal = by & (p.types[index(PieceType::Bishop)] | queens);
    const Bitboard straight = by & (p.types[index(PieceType::Rook)] | queens);
    if ((diagonal & kLines.diagonal[s]) != 0) found |= bishopAttacks(s, occupied) & diagonal;
    if ((straight & kLines.straight[s]) != 0) found |= rookAttacks(s, occupied) & straight;
    return found;
}

bool goalReached(const Position& p, Goal goal) {
    if (goal == Goal::Mate) return inCheck(p) && !hasEvasion(p);
    return !inCheck(p) && !hasLegalMove(p);
}

void preferMoves(MoveList& list, const Move* preferred, int preferredCount) {
    int front = 0;
    for (int k = 0; k < preferredCount; ++k) {
        const Move move = preferred[k];
        if (move.bits == 0) continue;
        for (int i = front; i < list.size; ++i) {
            if (list.moves[i] == move) {
                for (int j = i; j > front; --j) list.moves[j] = list.moves[j - 1];
                list.moves[front++] = move;
                break;
            }
        }
    }
}

namespace {

constexpr std::array<int, 7> kPieceValues = {0, 1, 3, 3, 5, 9, 0};

int moveScore(const Position& p, Move move, const Move* preferred, int preferredCount,
              const CheckInfo* checks) {
    for (int i = 0; i < preferredCount; ++i) {
        if (preferred[i] == move && move.bits != 0) return 1000 - i;
    }
    int score = 0;
    if (checks != nullptr && givesCheck(p, move, *checks)) score += 500;
    const Piece victim = p.pieceOn(move.to());
    if (victim != Piece::None) score += 100 + 10 * kPieceValues[index(typeOf(victim))];
    if (move.kind() == MoveKind::Promotion) score += 50 + kPieceValues[index(move.promotion())];
    return score;
}

}  // namespace

void orderMoves(const Position& p, MoveList& list, const Move* preferred, int preferredCount,
                const CheckInfo* checks) {
    short scores[256];
    for (int i = 0; i < list.size; ++i) {
        scores[i] = short(moveScore(p, list.moves[i], preferred, preferredCount, checks));
    }
    // Insertion sort, stable: equal scores keep the generation order.
    for (int i = 1; i < list.size; ++i) {
        const Move move = list.moves[i];
        const short score = scores[i];
        int j = i;
        for (; j > 0 && scores[j - 1] < score; --j) {
            list.moves[j] = list.moves[j - 1];
            scores[j] = scores[j - 1];
        }
        list.moves[j] = move;
        scores[j] = score;
    }
}

bool listsBefore(Move a, Move b) {
    if (a.to() != b.to()) return a.to() > b.to();
    if (a.from() != b.from()) return a.from() > b.from();
    return a.promotion() > b.promotion();
}

}  // namespace vestrel
