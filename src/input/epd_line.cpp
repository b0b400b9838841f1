#include "input/epd_line.h"

#include <array>
#include <cstdint>
#include <cstring>

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
// A space is foreign too, and marked as the end of the placement.
constexpr std::uint64_t kSpaceValue = kForeign | std::uint64_t{1} << 62;
constexpr std::array<std::uint64_t, 256> kPlacementValue = [] {
    std::array<std::uint64_t, 256> table{};
    table.fill(kForeign);
    table[' '] = kSpaceValue;
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

// Sixteen bytes as one value of the compiler's vector extension: one SSE2 compare on x86-64.
using Bytes16 = char __attribute__((vector_size(16)));

// Where the first two spaces in a row start; npos when there are none. Sixteen pairs at a
// time: the bytes, and the bytes one further on, compared with spaces at once.
std::size_t findDoubleSpace(std::string_view text) {
    const Bytes16 spaces = {' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ',
                            ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' '};
    const auto pairsAt = [&text, &spaces](std::size_t i) {
        Bytes16 a;
        Bytes16 b;
        std::memcpy(&a, text.data() + i, 16);
        std::memcpy(&b, text.data() + i + 1, 16);
        const Bytes16 pairs = (a == spaces) & (b == spaces);
        std::uint64_t halves[2];
        std::memcpy(halves, &pairs, 16);
        return (halves[0] | halves[1]) != 0;
    };
    std::size_t i = 0;
    for (; i + 17 <= text.size(); i += 16) {
        if (pairsAt(i)) break;
    }
    // The last pairs: one more look that overlaps the pairs seen already.
    if (i + 17 > text.size() && text.size() >= 17 && !pairsAt(text.size() - 17)) {
        return std::string_view::npos;
    }
    for (; i + 1 < text.size(); ++i) {
        if (text[i] == ' ' && text[i + 1] == ' ') return i;
    }
    return std::string_view::npos;
}

// The placement at the start of the line, up to its first space (where it returns): its
// piece count, and whether it passes checkPlacement. Eight bytes at a time while none of them
// is that space: their values are summed in a tree, not one after the other.
std::size_t tallyPlacement(std::string_view line, int& pieceCount, bool& passes) {
    const std::size_t size = line.size();
    std::size_t at = 0;
    std::uint64_t tally = 0;
    std::uint64_t seen = 0;
    const auto valueAt = [&line](std::size_t i) {
        return kPlacementValue[static_cast<unsigned char>(line[i])];
    };
    for (; at + 8 <= size; at += 8) {
        const std::uint64_t v0 = valueAt(at), v1 = valueAt(at + 1), v2 = valueAt(at + 2);
        const std::uint64_t v3 = valueAt(at + 3), v4 = valueAt(at + 4), v5 = valueAt(at + 5);
        const std::uint64_t v6 = valueAt(at + 6), v7 = valueAt(at + 7);
        const std::uint64_t any = v0 | v1 | v2 | v3 | v4 | v5 | v6 | v7;
        if ((any & kSpaceValue) != 0) break;
        tally += ((v0 + v1) + (v2 + v3)) + ((v4 + v5) + (v6 + v7));
        seen |= any;
    }
    for (; at < size && line[at] != ' '; ++at) {
        const std::uint64_t value = valueAt(at);
        tally += value;
        seen |= value;
    }
    pieceCount = static_cast<int>(tally & (kSlashUnit - 1));
    passes = (seen & kForeign) == 0 && tally >> 32 == 7;
    return at;
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
    if (findDoubleSpace(line) != std::string_view::npos) return LineFit::Other;
    const std::size_t size = line.size();
    std::size_t at = 0;
    int pieceCount = 0;
    bool placementPasses = false;
    if (board != nullptr) {
        // The board scan finds what the tally would: a board passes, anything else is rare.
        scanBoard(line, *board);
        at = board->length;
        if (at == size || at + 2 == size) return LineFit::Other;  // side or more to be supplied
        pieceCount = int(board->pieceCount);
        placementPasses = board->board || checkPlacement(line.substr(0, at), pieceCount);
    } else {
        at = tallyPlacement(line, pieceCount, placementPasses);
        if (at == size || at + 2 == size) return LineFit::Other;  // side or more to be supplied
    }
    // From here on the record is the line: what splitRecord drops is dropped.
    if (!placementPasses) return LineFit::Dropped;
    if (settings.pieceRange.kind != RangeKind::None &&
        !rangeTest(pieceCount, settings.pieceRange)) {
        return LineFit::Dropped;
    }
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
