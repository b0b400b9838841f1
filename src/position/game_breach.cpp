#include "position/game_breach.h"

#include "position/movegen.h"
#include "text/text.h"

namespace vestrel {
namespace {

// The pieces of `c` beyond the initial set, each standing for a promoted pawn: queens past
// one, rooks and knights past two, bishops past one on each square colour.
Bitboard promotedPieces(const Position& p, Color c) {
    Bitboard extra = 0;
    const auto beyond = [&extra](Bitboard pieces, int initial) {
        if (popCount(pieces) > initial) extra |= pieces;
    };
    beyond(p.pieces(c, PieceType::Queen), 1);
    beyond(p.pieces(c, PieceType::Rook), 2);
    beyond(p.pieces(c, PieceType::Knight), 2);
    beyond(p.pieces(c, PieceType::Bishop) & kLightSquares, 1);
    beyond(p.pieces(c, PieceType::Bishop) & ~kLightSquares, 1);
    return extra;
}

// Pawns and promoted pieces past eight; with nine men or fewer nothing fails.
bool promotionsFail(const Position& p, Color c) {
    return popCount(p.pieces(c)) > 9 &&
           promotedPieceCount(p, c) + popCount(p.pieces(c, PieceType::Pawn)) > 8;
}

void explainChecks(const Position& p, GameBreach& out) {
    const Color us = p.sideToMove;
    out.side = out.rule == GameRule::OppositeCheck ? ~us : us;
    out.king = p.kingSquare(out.side);
    out.checkers = attackersTo(p, out.king, ~out.side);
    out.squares = out.checkers | squareBit(out.king);
}

// The double step taken back: the pawn on the square it came from, and who gave check then.
void explainEnPassant(const Position& p, GameBreach& out) {
    const Color us = p.sideToMove;
    const Color them = ~us;
    out.side = us;
    out.pawn = pawnPush(them, p.enPassant);
    out.from = pawnPush(us, p.enPassant);
    Position before = p;
    before.remove(out.pawn);
    before.put(makePiece(them, PieceType::Pawn), out.from);
    out.king = p.kingSquare(us);
    out.checkers = attackersTo(before, out.king, them);
    out.squares = out.checkers | squareBit(out.king) | squareBit(out.pawn) |
                  squareBit(p.enPassant) | squareBit(out.from);
}

}  // namespace

GameBreach explainGameRules(const Position& p) {
    GameBreach out;
    out.rule = checkGameRules(p);
    switch (out.rule) {
        case GameRule::Legal:
            break;
        case GameRule::OppositeCheck:
        case GameRule::TripleCheck:
        case GameRule::ImpossibleDoubleCheck:
            explainChecks(p, out);
            break;
        case GameRule::ImpossibleEnPassant:
            explainEnPassant(p, out);
            break;
        case GameRule::BishopColours: {
            // The first side with too many promotions, in the order the test looks.
            const Color c = promotionsFail(p, Color::White) ? Color::White : Color::Black;
            out.side = c;
            out.count = promotedPieceCount(p, c) + popCount(p.pieces(c, PieceType::Pawn));
            out.squares = promotedPieces(p, c) | p.pieces(c, PieceType::Pawn);
            break;
        }
        case GameRule::PawnCaptures:
            out.side = pawnCapturesFail(p, Color::White) ? Color::White : Color::Black;
            out.count = 16 - popCount(p.pieces(~out.side));
            out.squares = p.pieces(out.side, PieceType::Pawn);
            break;
    }
    return out;
}

}  // namespace vestrel
