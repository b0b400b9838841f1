#pragma once
// The static legality test of a whole position text, its placement scanned first: the form
// in which the tests hand positions over.

#include <string_view>

#include "position/board.h"

namespace vestrel {

inline PositionRule validatePosition(std::string_view position) {
    BoardScan scan;
    scanBoard(position, scan);
    return validatePosition(scan, position);
}

}  // namespace vestrel
