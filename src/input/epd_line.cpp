#include "input/epd_line.h"

#include "app/range_spec.h"
#include "input/castling.h"
#include "text/text.h"

namespace vestrel {

namespace {

constexpr std::string_view kPlacementChars = "12345678PNBRQK";
constexpr std::string_view kPieceLetters = "PNBRQK";

// Counts the pieces of a placement; false when it holds a foreign character or a slash
// count other than seven. Ranks are not measured, so "1/1/1/1/1/1/1/1" passes.
bool checkPlacement(std::string_view placement, int& pieceCount) {
    int slashes = 0;
    pieceCount = 0;
    for (char c : placement) {
        char upper = toUpperAscii(c);
        if (upper == '/') {
            ++slashes;
        } else if (kPlacementChars.find(upper) != std::string_view::npos) {
            if (kPieceLetters.find(upper) != std::string_view::npos) ++pieceCount;
        } else {
            return false;
        }
    }
    return slashes == 7;
}

// Cuts the field before the first space (the whole text without one) off the front of
// `rest`, together with that space. The field is empty when `rest` starts with a space.
std::string_view takeField(std::string_view& rest) {
    std::size_t space = rest.find(' ');
    if (space == std::string_view::npos) {
        std::string_view field = rest;
        rest = {};
        return field;
    }
    std::string_view field = rest.substr(0, space);
    rest.remove_prefix(space + 1);
    return field;
}

}  // namespace

void completePositionText(std::string& text) {
    std::size_t space = text.find(' ');
    if (space == std::string::npos) {
        text.append(" w - -");
    } else if (space + 2 == text.size()) {
        text.append(" - -");
    }
}

bool splitRecord(std::string_view record, const RunSettings& settings, SplitRecord& out) {
    std::size_t space = record.find(' ');
    if (space == std::string_view::npos) return false;
    std::string_view placement = record.substr(0, space);
    int pieceCount = 0;
    if (!checkPlacement(placement, pieceCount)) return false;
    if (!rangeTest(pieceCount, settings.pieceRange)) return false;

    std::string_view rest = record.substr(space + 1);
    // The side to move is exactly one letter, "w" or "b", followed by a space.
    if (rest.size() < 2 || rest[1] != ' ') return false;
    char side = rest[0];
    if (side != 'w' && side != 'b') return false;
    rest.remove_prefix(2);

    if (rest.empty()) rest = "- -";
    std::string_view castling = takeField(rest);
    std::string derived;  // at most four letters: stays in the string's own small buffer
    castling = editCastlingField(castling, placement, settings.castlingEdit, derived);
    if (rest.empty()) rest = "-";
    std::string_view enPassant = takeField(rest);

    out.pieceCount = pieceCount;
    out.positionFields.assign(placement);
    out.positionFields.push_back(' ');
    out.positionFields.push_back(side);
    out.positionFields.push_back(' ');
    out.positionFields.append(castling);
    out.positionFields.push_back(' ');
    out.positionFields.append(enPassant);
    out.opcodeText.assign(trimText(rest));
    return true;
}

}  // namespace vestrel
