#include "input/castling.h"

#include "position/placement.h"

namespace vestrel {

namespace {

// File of the first `king` letter in a rank text (1 = a-file), 0 when the rank has none.
int kingFile(std::string_view rank, char king) {
    PlacementScanner scan(rank);
    for (PlacementItem item; scan.next(item);) {
        if (item.letter == king) return item.file + 1;
    }
    return 0;
}

// Writes the derived rights into `out` without allocating beyond its small buffer.
void writeCastling(std::string_view placement, std::string& out) {
    out.clear();
    std::size_t firstSlash = placement.find('/');
    std::size_t lastSlash = placement.rfind('/');
    std::string_view rank8 = placement.substr(0, firstSlash);
    std::string_view rank1 =
        lastSlash == std::string_view::npos ? placement : placement.substr(lastSlash + 1);

    bool whiteKingHome = kingFile(rank1, 'K') == 5;
    bool blackKingHome = kingFile(rank8, 'k') == 5;
    if (whiteKingHome && rank1.ends_with('R')) out.push_back('K');
    if (whiteKingHome && rank1.starts_with('R')) out.push_back('Q');
    if (blackKingHome && rank8.ends_with('r')) out.push_back('k');
    if (blackKingHome && rank8.starts_with('r')) out.push_back('q');
    if (out.empty()) out.push_back('-');
}

}  // namespace

std::string_view editCastlingField(std::string_view field, std::string_view placement,
                                   CastlingEdit mode, std::string& storage) {
    switch (mode) {
        case CastlingEdit::None:
            return field;
        case CastlingEdit::Set:
            // Only a field that says "no rights" is filled; any other, even an empty one,
            // is taken as the record's own statement.
            if (field != "-") return field;
            writeCastling(placement, storage);
            return storage;
        case CastlingEdit::Insert:
            writeCastling(placement, storage);
            return storage;
        case CastlingEdit::Delete:
            return "-";
    }
    return field;
}

}  // namespace vestrel
