#pragma once
// Reflection of a position key in the long diagonal a1-h8.

#include <optional>
#include <string>
#include <string_view>

namespace vestrel {

// One character per square: every digit becomes that many "1".
std::string expandPlacement(std::string_view placement);
// Runs of "1" back to digits, longest run first.
std::string compressPlacement(std::string_view expanded);

// The key of the reflected position, with castling and en passant "- -" and any further text
// kept. Nothing when the placement does not expand to exactly 8 ranks of 8 squares.
std::optional<std::string> reflectDiagonal(std::string_view key);
// The same into a reused buffer; false (and `out` unspecified) when there is no reflection.
bool reflectDiagonalInto(std::string_view key, std::string& out);

}  // namespace vestrel
