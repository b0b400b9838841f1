#pragma once
// The full legality test (--legal): the static rules of validatePosition, then rules that
// look at checks, at the last move and at what the material says about the game so far.

#include <string_view>

#include "position/board.h"
#include "position/placement.h"
#include "position/position.h"

namespace vestrel {

// The rules a position that passes the static test can still break, in the order they are
// checked; Legal when none.
enum class GameRule {
    Legal,
    OppositeCheck,          // the side not to move is in check
    TripleCheck,            // more than two pieces give check
    ImpossibleDoubleCheck,  // no single move of the side that moved gives both checks
    ImpossibleEnPassant,    // the double step the en-passant square claims cannot have been
                            // the last move: the check would have stood before it
    BishopColours,          // bishops of one square colour beyond what promotions explain
    PawnCaptures,           // the pawns' file changes need more captures than men are missing
};

// The first of these rules the position breaks.
GameRule checkGameRules(const Position& position);

// Pieces of `side` beyond the initial set, each standing for a promoted pawn; bishops are
// counted by square colour.
int promotedPieceCount(const Position& position, Color side);

// True when the pawns of `side` need more captures than the other side has lost men.
bool pawnCapturesFail(const Position& position, Color side);

// Short log texts, e.g. "opposite check".
std::string_view ruleReason(PositionRule rule);
std::string_view ruleReason(GameRule rule);

// Why the position (placement already scanned) fails the full test; empty when it passes.
std::string_view illegalReason(const BoardScan& scan, std::string_view fields);

}  // namespace vestrel
