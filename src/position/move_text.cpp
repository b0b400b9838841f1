#include "position/move_text.h"

namespace vestrel {
namespace {

void appendSquare(std::string& out, Square s) {
    out.push_back(fileLetter(fileOf(s)));
    out.push_back(rankDigit(rankOf(s)));
}

PieceType typeFromLetter(char c) { return typeOf(pieceFromLetter(c)); }

// "+" when the move gives check, "#" when it mates.
std::string_view checkMark(const Position& position, Move move) {
    const Position next = afterMove(position, move);
    if (!inCheck(next)) return {};
    MoveList replies;
    generateLegalMoves(next, replies);
    return replies.size == 0 ? "#" : "+";
}

// The file, rank or both that tell the move from the other legal moves of the same piece
// type to the same square.
void appendDisambiguation(std::string& out, const Position& position, Move move) {
    const Square from = move.from();
    const Piece piece = position.pieceOn(from);
    MoveList list;
    generateLegalMoves(position, list);
    bool rival = false;
    bool sameFile = false;
    bool sameRank = false;
    for (Move other : list) {
        if (other.to() != move.to() || other.from() == from ||
            position.pieceOn(other.from()) != piece) {
            continue;
        }
        rival = true;
        sameFile = sameFile || fileOf(other.from()) == fileOf(from);
        sameRank = sameRank || rankOf(other.from()) == rankOf(from);
    }
    if (!rival) return;
    if (!sameFile) {
        out.push_back(fileLetter(fileOf(from)));
    } else if (!sameRank) {
        out.push_back(rankDigit(rankOf(from)));
    } else {
        appendSquare(out, from);
    }
}

// What a SAN text says about its move; unset parts are free.
struct SanParts {
    PieceType piece = PieceType::Pawn;
    PieceType promotion = PieceType::None;
    Square to = kNoSquare;
    int fromFile = -1;
    int fromRank = -1;
};

bool parseSan(std::string_view text, SanParts& parts) {
    if (!text.empty() && std::string_view("NBRQK").find(text[0]) != std::string_view::npos) {
        parts.piece = typeFromLetter(text[0]);
        text.remove_prefix(1);
    }
    // The square ends in a digit, so a letter after it names a promotion, with or without "=".
    if (text.size() >= 3 && !(text.back() >= '1' && text.back() <= '8')) {
        parts.promotion = typeFromLetter(char(text.back() & ~0x20));
        if (parts.promotion == PieceType::None || parts.promotion == PieceType::Pawn ||
            parts.promotion == PieceType::King) {
            return false;
        }
        text.remove_suffix(1);
        if (text.back() == '=') text.remove_suffix(1);
    }
    if (text.size() < 2) return false;
    const std::optional<Square> to = squareFromName(text.substr(text.size() - 2));
    if (!to) return false;
    parts.to = *to;
    for (char c : text.substr(0, text.size() - 2)) {
        if (c >= 'a' && c <= 'h') {
            parts.fromFile = c - 'a';
        } else if (c >= '1' && c <= '8') {
            parts.fromRank = c - '1';
        } else if (c != 'x' && c != ':' && c != '-') {
            return false;
        }
    }
    return true;
}

bool fits(const Position& position, Move m, const SanParts& parts) {
    return m.kind() != MoveKind::Castling && m.to() == parts.to &&
           typeOf(position.pieceOn(m.from())) == parts.piece && m.promotion() == parts.promotion &&
           (parts.fromFile < 0 || fileOf(m.from()) == parts.fromFile) &&
           (parts.fromRank < 0 || rankOf(m.from()) == parts.fromRank);
}

}  // namespace

std::string moveToUci(Move move) {
    std::string out;
    appendSquare(out, move.from());
    appendSquare(out, move.to());
    if (move.kind() == MoveKind::Promotion) {
        out.push_back(char(typeLetter(move.promotion()) | 0x20));
    }
    return out;
}

std::optional<Move> moveFromUci(const Position& position, std::string_view text) {
    MoveList list;
    generateLegalMoves(position, list);
    for (Move m : list) {
        if (moveToUci(m) == text) return m;
    }
    return std::nullopt;
}

std::string moveToSan(const Position& position, Move move) {
    std::string out;
    const Square from = move.from();
    const Square to = move.to();
    const PieceType type = typeOf(position.pieceOn(from));
    if (move.kind() == MoveKind::Castling) {
        out = fileOf(to) == kFileG ? "O-O" : "O-O-O";
    } else if (type == PieceType::Pawn) {
        if (fileOf(from) != fileOf(to)) {
            out.push_back(fileLetter(fileOf(from)));
            out.push_back('x');
        }
        appendSquare(out, to);
        if (move.kind() == MoveKind::Promotion) {
            out.push_back('=');
            out.push_back(typeLetter(move.promotion()));
        }
    } else {
        out.push_back(typeLetter(type));
        appendDisambiguation(out, position, move);
        if (position.pieceOn(to) != Piece::None) out.push_back('x');
        appendSquare(out, to);
    }
    out.append(checkMark(position, move));
    return out;
}

std::optional<Move> moveFromSan(const Position& position, std::string_view text) {
    while (!text.empty() && std::string_view("+#!?").find(text.back()) != std::string_view::npos) {
        text.remove_suffix(1);
    }
    MoveList list;
    generateLegalMoves(position, list);
    const bool shortCastling = text == "O-O" || text == "0-0";
    const bool longCastling = text == "O-O-O" || text == "0-0-0";
    std::optional<Move> found;
    if (shortCastling || longCastling) {
        for (Move m : list) {
            if (m.kind() == MoveKind::Castling && (fileOf(m.to()) == kFileG) == shortCastling) {
                found = m;
            }
        }
        return found;
    }
    SanParts parts;
    if (!parseSan(text, parts)) return std::nullopt;
    for (Move m : list) {
        if (!fits(position, m, parts)) continue;
        if (found) return std::nullopt;  // more than one move fits
        found = m;
    }
    return found;
}

}  // namespace vestrel
