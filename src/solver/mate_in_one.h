#pragma once
// The dedicated mate-in-one test for the last move of a mate: only checking moves are made,
// found square by square from the enemy king's check lines, and a checked side's escapes are
// looked for by flight, capture and interposition before any move list is built.

#include <cstdint>

#include "position/movegen.h"
#include "position/position.h"

namespace vestrel {

// True when the side to move, in check, has a legal move.
bool hasEvasion(const Position& position);

// The moves that mate at once, in `mates` (cleared first); with `firstOnly` the search stops
// at the first. Raises `nodes` by the positions it plays. Returns the number found.
int findMates(const Position& position, MoveList& mates, bool firstOnly, std::uint64_t& nodes);

}  // namespace vestrel
