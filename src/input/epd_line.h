#pragma once
// The EPD line shape: completing missing fields and cutting a record into its four position
// fields and its opcode text.

#include <string>
#include <string_view>

#include "base/settings.h"

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

// Supplies " w - -" to a bare placement and " - -" to placement plus side to move.
void completePositionText(std::string& text);

// Cuts a record into position fields and opcode text, checking the placement, applying the
// /p piece filter and the /c castling edit. False when the record is dropped.
bool splitRecord(std::string_view record, const SplitSettings& settings, SplitRecord& out);

}  // namespace vestrel
