#include "solver/move_tests.h"

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
    Bitboard snipers = (rookAttacks(king, 0) & (p.pieces(us, PieceType::Rook) | queens)) |
                       (bishopAttacks(king, 0) & (p.pieces(us, PieceType::Bishop) | queens));
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
        if ((attackersTo(p, popLowest(to), withoutKing) & p.pieces(~us)) == 0) return true;
    }
    MoveList list;
    generateLegalMoves(p, list);
    return list.size != 0;
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
