#include "input/epd_line.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>

#include "base/bytes16.h"
#include "base/range.h"
#include "input/castling.h"
#include "position/placement.h"
#include "text/text.h"

namespace vestrel {

namespace {

// What each byte adds to a placement's tally: 1 for a piece letter, one unit of the upper half
// for "/", nothing for a digit 1-8, and the top bit for any byte that may not stand there.
constexpr std::uint64_t kSlashUnit = std::uint64_t{1} << 32;
constexpr std::uint64_t kForeign = std::uint64_t{1} << 63;
constexpr std::array<std::uint64_t, 256> kPlacementValue = [] {
    std::array<std::uint64_t, 256> table{};
    table.fill(kForeign);
    for (char c : std::string_view("12345678")) table[static_cast<unsigned char>(c)] = 0;
    for (char c : std::string_view("PNBRQKpnbrqk")) table[static_cast<unsigned char>(c)] = 1;
    table['/'] = kSlashUnit;
    return table;
}();

// Counts the pieces of a placement; false when it holds a foreign character or a slash
// count other than seven. Ranks are not measured, so "1/1/1/1/1/1/1/1" passes. Branch-free,
// as placements are short and unpredictable: a switch per byte takes 5.8% more instructions on
// "bench.epd" (bench/instructions.sh) and 0.24 s CPU instead of 0.15 s on make bench's 1M lines.
bool checkPlacement(std::string_view placement, int& pieceCount) {
    std::uint64_t tally = 0;
    std::uint64_t seen = 0;
    for (char c : placement) {
        const std::uint64_t value = kPlacementValue[static_cast<unsigned char>(c)];
        tally += value;
        seen |= value;
    }
    if ((seen & kForeign) != 0) return false;
    pieceCount = static_cast<int>(tally & (kSlashUnit - 1));
    return tally >> 32 == 7;
}

// cutField for the castling and en-passant fields: a few bytes each, where a byte loop costs
// less than a library search.
std::string_view cutShortField(std::string_view& rest) {
    std::size_t end = 0;
    while (end < rest.size() && rest[end] != ' ') ++end;
    const std::string_view field = rest.substr(0, end);
    rest.remove_prefix(end < rest.size() ? end + 1 : end);
    return field;
}

bool anyMarked(Bytes16 marks) { return markBits(marks) != 0; }

bool allMarked(Bytes16 marks) { return markBits(marks) == 0xFFFF; }

// Where the first unmarked byte is; 16 when none is.
std::size_t firstUnmarked(Bytes16 marks) {
    return std::size_t(std::countr_zero((markBits(marks) ^ 0xFFFFu) | 0x10000u));
}

// The sum of sixteen byte counts, when it is below 256: no partial sum then crosses into the
// next byte.
std::size_t sumOfBytes(Bytes16 counts) {
    const auto words = wordsOf(counts);
    return std::size_t(((words[0] + words[1]) * 0x0101010101010101u) >> 56);
}

// Whether two spaces stand in a row anywhere in the text. Sixteen pairs at a time, thirty-two
// a round: the bytes, and the bytes one further on, compared with spaces at once; the last look
// overlaps the pairs seen already.
bool hasDoubleSpace(std::string_view text) {
    const std::size_t size = text.size();
    if (size < 17) {
        for (std::size_t i = 0; i + 1 < size; ++i) {
            if (text[i] == ' ' && text[i + 1] == ' ') return true;
        }
        return false;
    }
    const auto pairsAt = [&text](std::size_t i) {
        return Bytes16((load16(text.data() + i) == ' ') & (load16(text.data() + i + 1) == ' '));
    };
    Bytes16 pairs = pairsAt(size - 17);
    std::size_t i = 0;
    for (; i + 33 <= size; i += 32) pairs = pairs | pairsAt(i) | pairsAt(i + 16);
    if (i + 17 <= size) pairs = pairs | pairsAt(i);
    return anyMarked(pairs);
}

// The placement at the start of a line, up to its first space: how long it is, and what
// checkPlacement makes of it.
struct PlacementTally {
    std::size_t length = 0;
    int pieceCount = 0;  // meaningful when it passes and the pieces were asked for
    bool passes = false;
};

// tallyPlacement byte by byte: for lines too short for a vector and placements too long for
// its byte counts.
PlacementTally tallyPlacementBytes(std::string_view line) {
    PlacementTally tally;
    tally.length = std::min(line.find(' '), line.size());
    tally.passes = checkPlacement(line.substr(0, tally.length), tally.pieceCount);
    return tally;
}

// Sixteen bytes of a placement sorted: piece letters, slashes and all the bytes that may stand
// there (these and the digits 1-8).
struct PlacementBytes {
    Bytes16 pieces;
    Bytes16 slashes;
    Bytes16 allowed;
};

PlacementBytes sortPlacementBytes(Bytes16 bytes) {
    const Bytes16 lower = bytes | 0x20;  // a letter's lower case; '/' and digits are not letters
    const Bytes16 pieces = Bytes16(lower == 'b') | Bytes16(lower == 'k') | Bytes16(lower == 'n') |
                           markRange(lower, 'p', 3);
    const Bytes16 slashes = Bytes16(bytes == '/');
    const Bytes16 digits = markRange(bytes, '1', 8);
    return {pieces, slashes, pieces | slashes | digits};
}

// The placement at the start of the line as checkPlacement takes it, sixteen bytes at a time:
// the pieces and slashes are counted in byte lanes up to the first byte foreign to a
// placement, which should be the space that ends it. Loads stay inside the line: where the
// placement runs into the last sixteen bytes, these overlap the bytes counted already. The
// pieces are summed only when `countPieces`: most runs filter no piece counts.
PlacementTally tallyPlacement(std::string_view line, bool countPieces) {
    // In the first 240 bytes no count passes 255; no board is longer.
    constexpr std::size_t kVectorBytes = 240;
    const std::size_t size = line.size();
    if (size < 16) return tallyPlacementBytes(line);
    const std::size_t last = size - 16;
    const std::size_t bound = std::min(last, kVectorBytes - 16);
    Bytes16 pieces = {};
    Bytes16 slashes = {};
    const auto count = [&pieces, &slashes](const PlacementBytes& sorted, Bytes16 fresh) {
        pieces -= sorted.pieces & fresh;
        slashes -= sorted.slashes & fresh;
    };
    std::size_t from = 0;  // where the sorted bytes start
    PlacementBytes sorted = sortPlacementBytes(load16(line.data()));
    while (allMarked(sorted.allowed) && from + 16 <= bound) {
        count(sorted, ~Bytes16{});
        from += 16;
        sorted = sortPlacementBytes(load16(line.data() + from));
    }
    std::size_t counted = from;  // the bytes before it are in the counts
    if (allMarked(sorted.allowed)) {
        // The placement runs on into the last sixteen bytes, or beyond what the lanes count.
        if (bound != last) return tallyPlacementBytes(line);
        count(sorted, ~Bytes16{});
        counted = from + 16;
        from = last;
        sorted = sortPlacementBytes(load16(line.data() + from));
    }
    const std::size_t foreign = firstUnmarked(sorted.allowed);
    PlacementTally tally;
    tally.length = from + foreign;
    if (foreign < 16 && line[tally.length] != ' ') {
        // A foreign byte before the first space: the placement fails, its length is still wanted.
        tally.length = std::min(line.find(' ', tally.length), size);
        return tally;
    }
    count(sorted, leadingMarks(foreign) & ~leadingMarks(counted - from));
    if (countPieces) tally.pieceCount = int(sumOfBytes(pieces));
    tally.passes = sumOfBytes(slashes) == 7;
    return tally;
}

bool isBlankByte(char c) { return static_cast<unsigned char>(c) < 33; }

}  // namespace

void completePositionText(std::string& text) {
    std::size_t space = text.find(' ');
    if (space == std::string::npos) {
        text.append(" w - -");
    } else if (space + 2 == text.size()) {
        text.append(" - -");
    }
}

bool splitRecord(std::string_view record, const SplitSettings& settings, SplitRecord& out) {
    std::size_t space = record.find(' ');
    if (space == std::string_view::npos) return false;
    std::string_view placement = record.substr(0, space);
    int pieceCount = 0;
    if (!checkPlacement(placement, pieceCount)) return false;
    const bool piecesFiltered = settings.pieceRange.kind != RangeKind::None;
    if (piecesFiltered && !rangeTest(pieceCount, settings.pieceRange)) return false;

    std::string_view rest = record.substr(space + 1);
    // The side to move is exactly one letter, "w" or "b", followed by a space.
    if (rest.size() < 2 || rest[1] != ' ') return false;
    char side = rest[0];
    if (side != 'w' && side != 'b') return false;
    rest.remove_prefix(2);

    if (rest.empty()) rest = "- -";
    std::string_view castling = cutShortField(rest);
    std::string derived;  // at most four letters: stays in the string's own small buffer
    if (settings.castlingEdit != CastlingEdit::None) {
        castling = editCastlingField(castling, placement, settings.castlingEdit, derived);
    }
    if (rest.empty()) rest = "-";
    std::string_view enPassant = cutShortField(rest);

    const char* castlingInRecord = record.data() + space + 3;
    if (castling.data() == castlingInRecord &&
        enPassant.data() == castlingInRecord + castling.size() + 1) {
        // Nothing was supplied or edited: the four fields stand in the record as they are.
        // Copied in one piece, "bench.epd" takes 4.1% fewer instructions.
        out.positionFields.assign(record.data(), enPassant.data() + enPassant.size());
    } else {
        out.positionFields.assign(placement);
        out.positionFields.push_back(' ');
        out.positionFields.push_back(side);
        out.positionFields.push_back(' ');
        out.positionFields.append(castling);
        out.positionFields.push_back(' ');
        out.positionFields.append(enPassant);
    }
    out.opcodeText.assign(trimText(rest));
    return true;
}

LineFit splitPlainLine(std::string_view line, const SplitSettings& settings, LineParts& out,
                       BoardScan* board) {
    // Trimming, collapsing spaces and completing the fields would change nothing.
    if (line.empty() || isBlankByte(line.front()) || isBlankByte(line.back()))
        return LineFit::Other;
    if (line.front() == '%' || settings.castlingEdit != CastlingEdit::None) return LineFit::Other;
    const std::size_t size = line.size();
    const bool piecesFiltered = settings.pieceRange.kind != RangeKind::None;
    std::size_t at = 0;
    int pieceCount = 0;
    bool placementPasses = false;
    if (board != nullptr) {
        // The board scan finds what the tally would: a board passes, anything else is rare.
        scanBoard(line, *board);
        at = board->length;
        pieceCount = int(board->pieceCount);
        placementPasses = board->board || checkPlacement(line.substr(0, at), pieceCount);
    } else {
        const PlacementTally tally = tallyPlacement(line, piecesFiltered);
        at = tally.length;
        pieceCount = tally.pieceCount;
        placementPasses = tally.passes;
    }
    if (at == size || at + 2 == size) return LineFit::Other;  // side or more to be supplied
    // The placement holds no space, so two in a row can only start where it ends or later.
    if (hasDoubleSpace(line.substr(at))) return LineFit::Other;
    // From here on the record is the line: what splitRecord drops is dropped.
    if (!placementPasses) return LineFit::Dropped;
    if (piecesFiltered && !rangeTest(pieceCount, settings.pieceRange)) return LineFit::Dropped;
    const char side = line[at + 1];
    if ((side != 'w' && side != 'b') || line[at + 2] != ' ') return LineFit::Dropped;
    std::size_t end = at + 3;  // the castling field, then the en-passant field
    while (end < size && line[end] != ' ') ++end;
    if (end == size) return LineFit::Other;  // the en-passant field would be supplied
    ++end;
    while (end < size && line[end] != ' ') ++end;
    out.line = line;
    out.positionFields = line.substr(0, end);
    out.opcodeText = end == size ? std::string_view() : line.substr(end + 1);
    // A control byte that trimming would take off the opcode text.
    if (!out.opcodeText.empty() && isBlankByte(out.opcodeText.front())) return LineFit::Other;
    return LineFit::Plain;
}

}  // namespace vestrel
