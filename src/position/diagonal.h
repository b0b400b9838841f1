#pragma once
// Reflection of a position key in the long diagonal a1-h8.

#include <string>
#include <string_view>

namespace vestrel {

// Writes the key of the reflected position into `out`: the placement reflected and written
// with the fewest digits, castling and en passant "- -", any further text kept. False (and
// `out` unspecified) when the placement is not exactly 8 ranks of 8 squares.
bool reflectDiagonal(std::string_view key, std::string& out);

}  // namespace vestrel
