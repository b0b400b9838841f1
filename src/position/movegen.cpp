#include "position/movegen.h"

#include <array>

namespace vestrel {
namespace {

// One castling: the right, the king's and the rook's squares before and after, the squares
// that must be empty and those the king crosses, which must not be attacked.
struct Castling {
    std::uint8_t right;
    Square kingFrom, kingTo, rookFrom, rookTo;
    Bitboard empty;
    Bitboard safe;
};

constexpr std::array<Castling, 4> kCastlings = {{
    {kWhiteShort, kE1, kG1, kH1, kF1, squareBit(kF1) | squareBit(kG1),
     squareBit(kF1) | squareBit(kG1)},
    {kWhiteLong, kE1, kC1, kA1, kD1, squareBit(kB1) | squareBit(kC1) | squareBit(kD1),
     squareBit(kC1) | squareBit(kD1)},
    {kBlackShort, kE8, kG8, kH8, kF8, squareBit(kF8) | squareBit(kG8),
     squareBit(kF8) | squareBit(kG8)},
    {kBlackLong, kE8, kC8, kA8, kD8, squareBit(kB8) | squareBit(kC8) | squareBit(kD8),
     squareBit(kC8) | squareBit(kD8)},
}};

const Castling& castlingOf(Square kingTo) {
    for (const Castling& c : kCastlings) {
        if (c.kingTo == kingTo) return c;
    }
    return kCastlings[0];
}

constexpr std::array<PieceType, 4> kPromotions = {PieceType::Queen, PieceType::Rook,
                                                  PieceType::Bishop, PieceType::Knight};

// The pieces of `us` that stand alone between their king and an enemy slider. The sliders
// on the king's lines are looked at, not its rays: few stand there (0.3% of the mates in 3's
// instructions, 1% of their branch misses).
Bitboard pinnedPieces(const Position& p, Color us, Square king) {
    const Color them = ~us;
    const Bitboard queens = p.pieces(them, PieceType::Queen);
    Bitboard snipers = (rookLines(king) & (p.pieces(them, PieceType::Rook) | queens)) |
                       (bishopLines(king) & (p.pieces(them, PieceType::Bishop) | queens));
    const Bitboard occupied = p.occupied();
    Bitboard pinned = 0;
    while (snipers != 0) {
        const Bitboard between = betweenBits(king, popLowest(snipers)) & occupied;
        if (between != 0 && !hasMoreThanOne(between)) pinned |= between & p.pieces(us);
    }
    return pinned;
}

// What every generator of one position reads. With `checks` set, the checking moves go to the
// list and the others to `quiet`, each in generation order.
struct Generation {
    const Position& p;
    Color us;
    Square king;
    Bitboard targets;  // where a piece other than the king may go
    Bitboard pinned;
    MoveList& list;
    const CheckSquares* checks = nullptr;
    std::uint16_t* quiet = nullptr;  // plain bits, so that the buffer is not cleared first
    int quietCount = 0;

    // The squares a piece on `from` may reach: a pinned piece stays on its pin line.
    Bitboard allowed(Square from) const {
        return (pinned & squareBit(from)) != 0 ? targets & lineBits(king, from) : targets;
    }
    // Of the squares `to`, those where the piece of type t from `from` checks by a plain move.
    Bitboard checking(PieceType t, Square from, Bitboard to) const {
        Bitboard squares = checks->byType[index(t)];
        if ((checks->discoverers & squareBit(from)) != 0) {
            squares |= ~lineBits(checks->king, from);
        }
        return to & squares;
    }
    // A move that moves or clears more than one square, sorted by playing it.
    template <bool kSplit>
    void addPlayed(Move m) {
        if (!kSplit || inCheck(afterMove(p, m))) {
            list.add(m);
        } else {
            quiet[quietCount++] = m.bits;
        }
    }
    // Plain moves from `from`, those to `checkingTo` checks.
    template <bool kSplit>
    void addPlain(Square from, Bitboard to, Bitboard checkingTo) {
        if (!kSplit) {
            while (to != 0) list.add(Move::make(from, popLowest(to)));
            return;
        }
        for (Bitboard b = to & checkingTo; b != 0;) list.add(Move::make(from, popLowest(b)));
        for (Bitboard b = to & ~checkingTo; b != 0;) {
            quiet[quietCount++] = Move::make(from, popLowest(b)).bits;
        }
    }
};

template <bool kSplit>
void addPawnMoves(Square from, Bitboard to, Generation& g) {
    const Bitboard last = rankBits(relativeRank(g.us, kRank8));
    g.addPlain<kSplit>(from, to & ~last,
                       kSplit ? g.checking(PieceType::Pawn, from, to & ~last) : 0);
    for (Bitboard promoting = to & last; promoting != 0;) {
        const Square s = popLowest(promoting);
        for (PieceType t : kPromotions) {
            g.addPlayed<kSplit>(Move::make(from, s, MoveKind::Promotion, t));
        }
    }
}

// True when taking en passant from `from` leaves the own king unattacked.
bool enPassantIsLegal(const Position& p, Square from) {
    const Color us = p.sideToMove;
    const Square to = p.enPassant;
    const Square taken = Square(to ^ 8);
    const Bitboard occupied = (p.occupied() ^ squareBit(from) ^ squareBit(taken)) | squareBit(to);
    return (attackersTo(p, p.kingSquare(us), occupied) & p.pieces(~us) & ~squareBit(taken)) == 0;
}

template <bool kSplit>
void generatePawnMoves(Generation& g) {
    const Position& p = g.p;
    const Bitboard occupied = p.occupied();
    const Bitboard enemies = p.pieces(~g.us);
    const Rank start = relativeRank(g.us, kRank2);
    for (Bitboard pawns = p.pieces(g.us, PieceType::Pawn); pawns != 0;) {
        const Square from = popLowest(pawns);
        const Bitboard allowed = g.allowed(from);
        Bitboard to = pawnAttacks(g.us, from) & enemies;
        const Square one = pawnPush(g.us, from);
        if ((occupied & squareBit(one)) == 0) {
            to |= squareBit(one);
            const Square two = pawnPush(g.us, one);
            if (rankOf(from) == start && (occupied & squareBit(two)) == 0) to |= squareBit(two);
        }
        addPawnMoves<kSplit>(from, to & allowed, g);
        if (p.enPassant != kNoSquare && (pawnAttacks(g.us, from) & squareBit(p.enPassant)) != 0 &&
            enPassantIsLegal(p, from)) {
            g.addPlayed<kSplit>(Move::make(from, p.enPassant, MoveKind::EnPassant));
        }
    }
}

// The moves of the pieces of type T, whose attacks are known when compiled.
template <PieceType T, bool kSplit>
void generateMovesOf(Generation& g, Bitboard occupied) {
    for (Bitboard pieces = g.p.pieces(g.us, T); pieces != 0;) {
        const Square from = popLowest(pieces);
        const Bitboard to = pieceAttacks(T, from, occupied) & g.allowed(from);
        g.addPlain<kSplit>(from, to, kSplit ? g.checking(T, from, to) : 0);
    }
}

template <bool kSplit>
void generatePieceMoves(Generation& g) {
    const Bitboard occupied = g.p.occupied();
    generateMovesOf<PieceType::Knight, kSplit>(g, occupied);
    generateMovesOf<PieceType::Bishop, kSplit>(g, occupied);
    generateMovesOf<PieceType::Rook, kSplit>(g, occupied);
    generateMovesOf<PieceType::Queen, kSplit>(g, occupied);
}

// True when a piece of the colour `by` attacks the square, with `occupied` as the occupied
// squares. Only the sliders of that colour on the square's lines are followed, not both
// colours' (the king's steps cost the solver's mates in 3 1% more that way).
[[gnu::always_inline]] inline bool attackedBy(const Position& p, Square s, Color by,
                                              Bitboard occupied) {
    const Bitboard own = p.pieces(by);
    if ((knightAttacks(s) & own & p.types[index(PieceType::Knight)]) != 0 ||
        (kingAttacks(s) & own & p.types[index(PieceType::King)]) != 0 ||
        (pawnAttacks(~by, s) & own & p.types[index(PieceType::Pawn)]) != 0) {
        return true;
    }
    const Bitboard queens = p.types[index(PieceType::Queen)];
    Bitboard sliders = (own & (p.types[index(PieceType::Rook)] | queens) & rookLines(s)) |
                       (own & (p.types[index(PieceType::Bishop)] | queens) & bishopLines(s));
    while (sliders != 0) {
        if ((betweenBits(s, popLowest(sliders)) & occupied) == 0) return true;
    }
    return false;
}

template <bool kSplit>
void generateKingMoves(Generation& g) {
    const Position& p = g.p;
    const Color them = ~g.us;
    const Bitboard withoutKing = p.occupied() ^ squareBit(g.king);
    Bitboard safe = 0;
    for (Bitboard to = kingAttacks(g.king) & ~p.pieces(g.us); to != 0;) {
        const Square s = popLowest(to);
        if (!attackedBy(p, s, them, withoutKing)) safe |= squareBit(s);
    }
    g.addPlain<kSplit>(g.king, safe, kSplit ? g.checking(PieceType::King, g.king, safe) : 0);
}

template <bool kSplit>
void generateCastlings(Generation& g) {
    const Position& p = g.p;
    const Bitboard occupied = p.occupied();
    for (const Castling& c : kCastlings) {
        if ((p.castling & c.right) == 0 || c.kingFrom != g.king || (occupied & c.empty) != 0) {
            continue;
        }
        bool safe = true;
        for (Bitboard crossed = c.safe; crossed != 0 && safe;) {
            safe = attackersTo(p, popLowest(crossed), ~g.us) == 0;
        }
        if (safe) g.addPlayed<kSplit>(Move::make(c.kingFrom, c.kingTo, MoveKind::Castling));
    }
}

}  // namespace

bool MoveList::contains(Move m) const {
    for (Move own : *this) {
        if (own == m) return true;
    }
    return false;
}

Bitboard attackersTo(const Position& p, Square s, Bitboard occupied) {
    const Bitboard queens = p.types[index(PieceType::Queen)];
    Bitboard attackers = (pawnAttacks(Color::White, s) & p.pieces(Color::Black, PieceType::Pawn)) |
                         (pawnAttacks(Color::Black, s) & p.pieces(Color::White, PieceType::Pawn)) |
                         (knightAttacks(s) & p.types[index(PieceType::Knight)]) |
                         (kingAttacks(s) & p.types[index(PieceType::King)]);
    // A slider on one of the square's lines attacks it when nothing stands between them;
    // few sliders share a line with any one square, so this beats following the rays, which
    // costs 1.3% more instructions on "bench.epd --legal" (bench/instructions.sh).
    Bitboard sliders = ((p.types[index(PieceType::Rook)] | queens) & rookLines(s)) |
                       ((p.types[index(PieceType::Bishop)] | queens) & bishopLines(s));
    while (sliders != 0) {
        const Square from = popLowest(sliders);
        if ((betweenBits(s, from) & occupied) == 0) attackers |= squareBit(from);
    }
    return attackers;
}

namespace {

template <bool kSplit>
void generate(Generation& g) {
    const Position& p = g.p;
    const Bitboard checking = attackersTo(p, g.king, ~g.us);
    generateKingMoves<kSplit>(g);
    if (hasMoreThanOne(checking)) return;  // only the king can answer a double check
    if (checking != 0) {
        // Take the checking piece or step between it and the king.
        g.targets = betweenBits(g.king, lowestSquare(checking)) | checking;
    } else {
        generateCastlings<kSplit>(g);
    }
    generatePawnMoves<kSplit>(g);
    generatePieceMoves<kSplit>(g);
}

}  // namespace

void generateLegalMoves(const Position& p, MoveList& list) {
    list.size = 0;
    const Color us = p.sideToMove;
    const Square king = p.kingSquare(us);
    Generation g{p, us, king, ~p.pieces(us), pinnedPieces(p, us, king), list};
    generate<false>(g);
}

void generateChecksFirst(const Position& p, MoveList& list, const CheckSquares& checks) {
    list.size = 0;
    const Color us = p.sideToMove;
    const Square king = p.kingSquare(us);
    std::uint16_t quiet[256];
    Generation g{p, us, king, ~p.pieces(us), pinnedPieces(p, us, king), list, &checks, quiet};
    generate<true>(g);
    for (int i = 0; i < g.quietCount; ++i) list.add(Move{quiet[i]});
}

namespace {

// Plays a legal move on the position itself.
[[gnu::always_inline]] inline void playOn(Position& p, Move move) {
    const Square from = move.from();
    const Square to = move.to();
    const Piece moved = p.pieceOn(from);
    p.enPassant = kNoSquare;
    if (move.kind() == MoveKind::Castling) {
        const Castling& c = castlingOf(to);
        p.remove(c.rookFrom);
        p.remove(from);
        p.put(moved, to);
        p.put(p.sideToMove == Color::White ? Piece::WhiteRook : Piece::BlackRook, c.rookTo);
    } else if (move.kind() == MoveKind::Normal) {
        // The common move in a few bit flips: a solver plays millions of them (1% of the
        // instructions of its mates in 3).
        const Piece taken = p.pieceOn(to);
        if (taken != Piece::None) {
            p.colors[index(colorOf(taken))] ^= squareBit(to);
            p.types[index(typeOf(taken))] ^= squareBit(to);
        }
        p.colors[index(colorOf(moved))] ^= squareBit(from) | squareBit(to);
        p.types[index(typeOf(moved))] ^= squareBit(from) | squareBit(to);
        p.squares[from] = Piece::None;
        p.squares[to] = moved;
        if (typeOf(moved) == PieceType::Pawn && (from > to ? from - to : to - from) == 16) {
            p.enPassant = Square((from + to) / 2);
        }
    } else {
        if (move.kind() == MoveKind::EnPassant) {
            p.remove(Square(to ^ 8));
        } else if (p.pieceOn(to) != Piece::None) {
            p.remove(to);
        }
        p.remove(from);
        p.put(
            move.kind() == MoveKind::Promotion ? makePiece(p.sideToMove, move.promotion()) : moved,
            to);
    }
    p.castling &= castlingKept(from) & castlingKept(to);
    p.sideToMove = ~p.sideToMove;
}

}  // namespace

Position afterMove(const Position& position, Move move) {
    Position p = position;
    if (move.kind() != MoveKind::Normal) {
        playOn(p, move);
        return p;
    }
    // The common move reads the position before it and writes the copy only: reading back
    // what the copy has just stored waits for the store (1.4% of the mates in 3's time,
    // for 1.3% more instructions).
    const Square from = move.from();
    const Square to = move.to();
    const Piece moved = position.squares[from];
    const Piece taken = position.squares[to];
    const Bitboard toBit = squareBit(to);
    const Bitboard both = squareBit(from) | toBit;
    const Color us = position.sideToMove;
    const std::size_t movedType = index(typeOf(moved));
    const std::size_t takenType = index(typeOf(taken));  // 0 when none, an unused set
    Bitboard movedTypes = position.types[movedType];
    if (movedType == takenType) movedTypes &= ~toBit;
    p.colors[index(us)] = position.colors[index(us)] ^ both;
    p.colors[index(~us)] = position.colors[index(~us)] & ~toBit;
    p.types[takenType] = position.types[takenType] & ~toBit;
    p.types[movedType] = movedTypes ^ both;
    p.squares[from] = Piece::None;
    p.squares[to] = moved;
    p.enPassant = movedType == index(PieceType::Pawn) && (from > to ? from - to : to - from) == 16
                      ? Square((from + to) / 2)
                      : kNoSquare;
    p.castling = position.castling & castlingKept(from) & castlingKept(to);
    p.sideToMove = ~us;
    return p;
}

void makeMove(Position& position, Move move) { playOn(position, move); }

bool canTakeEnPassant(const Position& p) {
    if (p.enPassant == kNoSquare) return false;
    const Color us = p.sideToMove;
    for (Bitboard b = pawnAttacks(~us, p.enPassant) & p.pieces(us, PieceType::Pawn); b != 0;) {
        if (enPassantIsLegal(p, popLowest(b))) return true;
    }
    return false;
}

std::uint64_t perft(const Position& position, int depth) {
    if (depth == 0) return 1;
    MoveList list;
    generateLegalMoves(position, list);
    if (depth == 1) return std::uint64_t(list.size);
    std::uint64_t nodes = 0;
    for (Move m : list) nodes += perft(afterMove(position, m), depth - 1);
    return nodes;
}

}  // namespace vestrel
