#pragma once
// Castling rights derived from the placement: a king on its e-file home square and a rook in
// the corner of the wing.

#include <string>
#include <string_view>

#include "base/settings.h"

namespace vestrel {

// The /c edit of one castling field; returns the field to use. The rights derived from the
// placement are "KQkq" in that order, each letter present or not, or "-" when none applies.
std::string_view editCastlingField(std::string_view field, std::string_view placement,
                                   CastlingEdit mode, std::string& storage);

}  // namespace vestrel
