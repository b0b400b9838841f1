#pragma once
// The EPD line shape: completing missing fields and cutting a record into its four position
// fields and its opcode text.

#include <string>
#include <string_view>

#include "base/settings.h"
#include "position/placement.h"

namespace vestrel {

struct SplitRecord {
    std::string positionFields;
    std::string opcodeText;
};

// What the record split takes from the options: the /p piece range and the /c castling edit.
struct SplitSettings {
    Range pieceRange;  // kind None: every piece count
    CastlingEdit castlingEdit = CastlingEdit::None;
};

// A record that is its input line as it stands, cut into views of the line. Empty `line`:
// the record was built in a SplitRecord instead.
struct LineParts {
    std::string_view line;
    std::string_view positionFields;
    std::string_view opcodeText;
};

enum class LineFit {
    Plain,    // the record is the line itself: `LineParts` holds its parts
    Dropped,  // the record is the line itself, and splitRecord would drop it
    Other,    // reading the line changes it (spaces, missing fields): not decided here
};

// Supplies " w - -" to a bare placement and " - -" to placement plus side to move.
void completePositionText(std::string& text);

// Cuts a record into position fields and opcode text, checking the placement, applying the
// /p piece filter and the /c castling edit. False when the record is dropped.
bool splitRecord(std::string_view record, const SplitSettings& settings, SplitRecord& out);

// In one pass over an EPD/FEN line: is its record the line itself (no blanks at its ends, no
// two spaces in a row, no comment mark, all four position fields) and, when so, does it pass
// the checks of splitRecord? Settings with a castling edit always give Other. With `board`,
// the placement is read as a board into it on the way (meaningful unless the result is Other).
LineFit splitPlainLine(std::string_view line, const SplitSettings& settings, LineParts& out,
                       BoardScan* board = nullptr);

// The parts of a line that splitPlainLine found Plain, from the length of its position fields.
inline void plainLineParts(std::string_view line, std::size_t fieldsLength, LineParts& out) {
    out.line = line;
    out.positionFields = line.substr(0, fieldsLength);
    out.opcodeText =
        fieldsLength == line.size() ? std::string_view() : line.substr(fieldsLength + 1);
}

}  // namespace vestrel
