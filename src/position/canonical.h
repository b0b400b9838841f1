#pragma once
// Canonical position keys (--canonical): an en-passant square that no pawn can use is no part
// of the position.

#include <string>
#include <string_view>

namespace vestrel {

// Writes the en-passant field (the fourth field) of a key as "-" when no pawn of the side to
// move can legally take on that square. Keys that fail the static legality test stay as they
// are. True when the key changed.
bool dropUnusableEnPassant(std::string& key);

// True when the placement at the start of the key, up to its first space, holds a pawn of
// either colour: hasPawn of that placement, sixteen or eight bytes at a time.
bool placementHasPawn(std::string_view key);

}  // namespace vestrel
