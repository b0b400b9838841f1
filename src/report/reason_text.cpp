#include "report/reason_text.h"

#include <algorithm>
#include <optional>

#include "position/game_breach.h"
#include "position/move_text.h"
#include "position/rule_breach.h"
#include "report/html_text.h"
#include "text/text.h"

namespace vestrel {

namespace {

// The static test's rule, as the reader should know it.
std::string_view ruleText(PositionRule rule) {
    switch (rule) {
        case PositionRule::Legal:
            break;
        case PositionRule::Placement:
            return "The placement must be exactly 8 ranks of 8 squares, of piece letters and the "
                   "digits 1 to 8.";
        case PositionRule::PieceCounts:
            return "Each side must have exactly one king, at most 16 pieces and at most 8 pawns.";
        case PositionRule::Promotions:
            return "Every piece beyond the initial set (1 queen, 2 rooks, 2 bishops, 2 knights) "
                   "stands for a promoted pawn: pawns and such pieces may add up to 8 at most.";
        case PositionRule::PawnOnEdge:
            return "No pawn may stand on the first or the eighth rank.";
        case PositionRule::SideToMove:
            return "The side to move must be &quot;w&quot; or &quot;b&quot;.";
        case PositionRule::CastlingField:
            return "The castling field must hold 1 to 4 characters and be followed by the "
                   "en-passant field.";
        case PositionRule::CastlingRight:
            return "A castling right needs its king and rook on their home squares: K e1 and h1, "
                   "Q e1 and a1, k e8 and h8, q e8 and a8.";
        case PositionRule::EnPassant:
            return "The en-passant field must be &quot;-&quot; or the square just passed by a pawn "
                   "of the side that has just moved it two squares, that square and the one the "
                   "pawn came from empty.";
    }
    return "";
}

// The full test's rules beyond the static ones.
std::string_view ruleText(GameRule rule) {
    switch (rule) {
        case GameRule::Legal:
            break;
        case GameRule::OppositeCheck:
            return "The side that has just moved cannot have left its own king in check: the "
                   "side not to move must not be in check.";
        case GameRule::TripleCheck:
            return "No move gives check with more than two men at once.";
        case GameRule::ImpossibleDoubleCheck:
            return "Two checks need one last move that gives both: a man that gives check and "
                   "uncovers a line, a castling or a capture en passant. No such move gives "
                   "these two.";
        case GameRule::ImpossibleEnPassant:
            return "The en-passant square says that the last move was a pawn's double step: "
                   "before it, the side to move cannot have stood in check.";
        case GameRule::BishopColours:
            return "Every piece beyond the initial set (1 queen, 2 rooks, 2 knights, 1 bishop on "
                   "each colour of squares) stands for a promoted pawn: pawns and such pieces may "
                   "add up to 8 at most.";
        case GameRule::PawnCaptures:
            return "A pawn leaves its file only by capturing, one file per capture: a side's "
                   "pawns cannot need more captures than the other side has lost men.";
    }
    return "";
}

std::string_view sideName(int side) { return side > 0 ? "White" : "Black"; }
std::string_view sideName(Color side) { return side == Color::White ? "White" : "Black"; }

void appendSquare(std::string& out, Square square) {
    out.push_back(fileLetter(fileOf(square)));
    out.push_back(rankDigit(rankOf(square)));
}

// " Marked: a8, b7." for the squares of the placement order (a8 = 0 ... h1 = 63).
void appendSquareNames(std::string& out, std::uint64_t squares) {
    bool first = true;
    for (int square = 0; square < 64; ++square) {
        if ((squares >> square & 1) == 0) continue;
        out.append(first ? " Marked: " : ", ");
        out.push_back(char('a' + square % 8));
        out.push_back(char('8' - square / 8));
        first = false;
    }
    if (!first) out.push_back('.');
}

// What the position shows against the static rule.
void appendBreach(std::string& out, const RuleBreach& breach) {
    switch (breach.breach) {
        case Breach::KingCount:
            out.append(sideName(breach.side));
            out.append(breach.count == 0 ? " has no king." : " has ");
            if (breach.count != 0) {
                appendNumber(out, breach.count);
                out.append(" kings.");
            }
            break;
        case Breach::PieceTotal:
        case Breach::PawnTotal:
            out.append(sideName(breach.side));
            out.append(" has ");
            appendNumber(out, breach.count);
            out.append(breach.breach == Breach::PawnTotal ? " pawns." : " pieces.");
            break;
        case Breach::PromotedPieces:
            out.append(sideName(breach.side));
            out.append(": pawns and pieces beyond the initial set add up to ");
            appendNumber(out, breach.count);
            out.push_back('.');
            break;
        case Breach::CastlingLetter:
        case Breach::CastlingPieces:
            out.append("&quot;");
            appendEscaped(out, std::string_view(&breach.letter, 1));
            out.append(breach.breach == Breach::CastlingLetter
                           ? "&quot; is no castling right."
                           : "&quot; lacks its king or rook at home.");
            break;
        case Breach::EnPassantSquare:
            out.append("The field names no square on rank 3 or 6.");
            break;
        default:
            break;
    }
    appendSquareNames(out, breach.squares);
}

constexpr std::string_view pieceName(PieceType type) {
    constexpr std::string_view kNames[] = {"", "pawn", "knight", "bishop", "rook", "queen", "king"};
    return kNames[index(type)];
}

// "the white rook on e1"
void appendMan(std::string& out, const Position& p, Square square) {
    const Piece piece = p.pieceOn(square);
    out.append(colorOf(piece) == Color::White ? "the white " : "the black ");
    out.append(pieceName(typeOf(piece)));
    out.append(" on ");
    appendSquare(out, square);
}

// "the white rook on e1, the white knight on d6 and the white bishop on a4"
void appendMen(std::string& out, const Position& p, Bitboard men) {
    for (int n = popCount(men), i = 0; men != 0; ++i) {
        if (i > 0) out.append(i + 1 == n ? " and " : ", ");
        appendMan(out, p, popLowest(men));
    }
}

// What the position shows against a rule of the full test.
void appendGameBreach(std::string& out, const Position& p, const GameBreach& breach) {
    switch (breach.rule) {
        case GameRule::Legal:
            return;
        case GameRule::OppositeCheck:
        case GameRule::TripleCheck:
        case GameRule::ImpossibleDoubleCheck:
            out.append(breach.side == Color::White ? "The white king on " : "The black king on ");
            appendSquare(out, breach.king);
            out.append(" is in check from ");
            appendMen(out, p, breach.checkers);
            out.append(", ");
            out.append(sideName(p.sideToMove));
            out.append(" to move.");
            break;
        case GameRule::ImpossibleEnPassant:
            out.append("Before ");
            out.append(sideName(~breach.side));
            out.append("'s pawn went from ");
            appendSquare(out, breach.from);
            out.append(" to ");
            appendSquare(out, breach.pawn);
            out.append(breach.side == Color::White ? ", the white king on "
                                                   : ", the black king on ");
            appendSquare(out, breach.king);
            out.append(" stood in check from ");
            if ((breach.checkers & squareBit(breach.from)) != 0) {
                out.append("that pawn");
                if (hasMoreThanOne(breach.checkers)) out.append(" and ");
            }
            appendMen(out, p, breach.checkers & ~squareBit(breach.from));
            out.push_back('.');
            break;
        case GameRule::BishopColours:
            out.append(sideName(breach.side));
            out.append(": pawns and pieces beyond the initial set add up to ");
            appendNumber(out, breach.count);
            out.push_back('.');
            break;
        case GameRule::PawnCaptures:
            out.append(sideName(breach.side));
            if (breach.count == 0) {
                out.append("'s pawns need at least one capture, but ");
                out.append(sideName(~breach.side));
                out.append(" has lost no men.");
                break;
            }
            out.append("'s pawns need more captures than the ");
            appendNumber(out, breach.count);
            out.append(breach.count == 1 ? " man " : " men ");
            out.append(sideName(~breach.side));
            out.append(" has lost.");
            break;
    }
    appendSquareNames(out, placementSquares(breach.squares));
}

}  // namespace

ReasonText explainIllegal(std::string_view fields, std::string_view reason) {
    ReasonText text;
    const RuleBreach breach = explainPosition(fields);
    if (breach.rule != PositionRule::Legal) {
        text.html.append("</p><p>Rule: ");
        text.html.append(ruleText(breach.rule));
        if (breach.breach != Breach::None && breach.breach != Breach::NotABoard) {
            text.html.append(" Here: ");
            appendBreach(text.html, breach);
        }
        text.squares = breach.squares;
        return text;
    }
    if (reason.empty()) {
        text.html.append("</p><p>The static test finds no fault in this position.");
        return text;
    }
    const std::optional<Position> position = positionFromFields(fields);
    if (!position) return text;
    const GameBreach game = explainGameRules(*position);
    if (game.rule == GameRule::Legal || ruleReason(game.rule) != reason) return text;
    text.html.append("</p><p>Rule: ");
    text.html.append(ruleText(game.rule));
    text.html.append(" Here: ");
    appendGameBreach(text.html, *position, game);
    text.squares = placementSquares(game.squares);
    return text;
}

std::string_view uncheckedInWords(std::string_view detail) {
    struct Reason {
        std::string_view detail, words;
    };
    constexpr Reason kReasons[] = {
        {"no stipulation", "The record states no stipulation."},
        {"unknown stipulation", "The solver does not take this kind of stipulation."},
        {"over the limit", "It is longer than the --verify limit."},
        {"node budget", "The search reached the --verify-nodes budget."},
        {"illegal", "The position is illegal."},
    };
    const std::string_view word = detail.substr(0, detail.find(':'));
    for (const Reason& reason : kReasons) {
        if (reason.detail == word) return reason.words;
    }
    return {};
}

std::uint64_t keySquares(std::string_view fields, std::string_view solutions) {
    const std::optional<Position> position = positionFromFields(fields);
    if (!position) return 0;
    Bitboard squares = 0;
    while (!solutions.empty()) {
        const std::size_t comma = solutions.find(", ");
        std::string_view solution = solutions.substr(0, comma);
        solutions.remove_prefix(comma == std::string_view::npos ? solutions.size() : comma + 2);
        // The first word that is a legal move: past a shorter stipulation ("#1") and a move
        // number ("1.").
        while (!solution.empty()) {
            std::string_view word = cutField(solution);
            word.remove_prefix(std::min(word.find_first_not_of("0123456789."), word.size()));
            const std::optional<Move> move = moveFromSan(*position, word);
            if (!move) continue;
            squares |= squareBit(move->from()) | squareBit(move->to());
            break;
        }
    }
    return placementSquares(squares);
}

}  // namespace vestrel
