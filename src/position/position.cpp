#include "position/position.h"

#include <array>

#include "position/movegen.h"
#include "position/placement.h"

namespace vestrel {
namespace {

// Zobrist keys drawn from splitmix64 when the program is compiled: one per piece and square,
// one per castling-rights set, one per en-passant file and one for black to move.
struct ZobristKeys {
    std::array<std::array<std::uint64_t, 64>, 16> pieces{};  // by Piece, then Square
    std::array<std::uint64_t, 16> castling{};
    std::array<std::uint64_t, 8> enPassantFile{};
    std::uint64_t blackToMove = 0;
};

constexpr std::uint64_t splitmix(std::uint64_t& state) {
    std::uint64_t z = (state += 0x9e3779b97f4a7c15ULL);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
}

constexpr ZobristKeys kZobrist = [] {
    ZobristKeys keys;
    std::uint64_t state = 0x5665737472656cULL;
    for (auto& squares : keys.pieces) {
        for (std::uint64_t& key : squares) key = splitmix(state);
    }
    for (std::uint64_t& key : keys.castling) key = splitmix(state);
    for (std::uint64_t& key : keys.enPassantFile) key = splitmix(state);
    keys.blackToMove = splitmix(state);
    return keys;
}();

constexpr std::uint8_t castlingBit(char letter) {
    switch (letter) {
        case 'K':
            return kWhiteShort;
        case 'Q':
            return kWhiteLong;
        case 'k':
            return kBlackShort;
        case 'q':
            return kBlackLong;
        default:
            return kNoCastling;
    }
}

}  // namespace

bool operator==(const Position& a, const Position& b) {
    return a.squares == b.squares && a.sideToMove == b.sideToMove && a.castling == b.castling &&
           a.enPassant == b.enPassant;
}

Position positionFromScan(const BoardScan& scan, std::string_view fields) {
    Position p;
    for (std::size_t i = 0; i < scan.pieceCount; ++i) {
        const PieceOn& on = scan.pieces[i];
        p.put(pieceFromLetter(on.letter), flipRank(Square(on.square)));
    }
    // The fields passed the static test: a side letter and one byte after it, a castling
    // field ended by a space, then "-" or a square name.
    std::size_t at = scan.length + 1;
    p.sideToMove = fields[at] == 'w' ? Color::White : Color::Black;
    for (at += 2; fields[at] != ' '; ++at) p.castling |= castlingBit(fields[at]);
    const std::optional<Square> square = squareFromName(fields.substr(at + 1, 2));
    p.enPassant = square ? *square : kNoSquare;
    return p;
}

PositionRule readPosition(std::string_view fields, Position& out) {
    BoardScan scan;
    scanBoard(fields, scan);
    const PositionRule rule = validatePosition(scan, fields);
    if (rule == PositionRule::Legal) out = positionFromScan(scan, fields);
    return rule;
}

std::optional<Position> positionFromFields(std::string_view fields) {
    Position p;
    if (readPosition(fields, p) != PositionRule::Legal) return std::nullopt;
    return p;
}

void appendFields(const Position& p, std::string& out) {
    for (int r = kRank8; r >= kRank1; --r) {
        int run = 0;
        for (int f = kFileA; f <= kFileH; ++f) {
            const Piece piece = p.pieceOn(makeSquare(File(f), Rank(r)));
            if (piece == Piece::None) {
                ++run;
                continue;
            }
            if (run > 0) out.push_back(char('0' + run));
            run = 0;
            out.push_back(pieceLetter(piece));
        }
        if (run > 0) out.push_back(char('0' + run));
        if (r > kRank1) out.push_back('/');
    }
    out.append(p.sideToMove == Color::White ? " w " : " b ");
    constexpr std::string_view kLetters = "KQkq";
    const std::size_t before = out.size();
    for (std::size_t i = 0; i < 4; ++i) {
        if ((p.castling >> i) & 1) out.push_back(kLetters[i]);
    }
    if (out.size() == before) out.push_back('-');
    out.push_back(' ');
    if (p.enPassant == kNoSquare) {
        out.push_back('-');
    } else {
        out.push_back(fileLetter(fileOf(p.enPassant)));
        out.push_back(rankDigit(rankOf(p.enPassant)));
    }
}

std::string positionToFields(const Position& p) {
    std::string out;
    appendFields(p, out);
    return out;
}

std::uint64_t zobristHash(const Position& p) {
    std::uint64_t h = kZobrist.castling[p.castling];
    for (Bitboard b = p.occupied(); b != 0;) {
        const Square s = popLowest(b);
        h ^= kZobrist.pieces[index(p.pieceOn(s))][s];
    }
    if (p.sideToMove == Color::Black) h ^= kZobrist.blackToMove;
    if (canTakeEnPassant(p)) h ^= kZobrist.enPassantFile[fileOf(p.enPassant)];
    return h;
}

Position initialPosition() {
    return *positionFromFields("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -");
}

}  // namespace vestrel
