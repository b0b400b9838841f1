#include "position/canonical.h"

#include "position/movegen.h"
#include "position/position.h"

namespace vestrel {

bool dropUnusableEnPassant(std::string& key) {
    std::size_t start = 0;
    for (int field = 0; field < 3; ++field) {
        start = key.find(' ', start);
        if (start == std::string::npos) return false;
        ++start;
    }
    const std::size_t end = key.find(' ', start);
    const std::size_t length = (end == std::string::npos ? key.size() : end) - start;
    if (length != 2) return false;  // "-", or no square that the static test accepts
    Position position;
    if (readPosition(key, position) != PositionRule::Legal || canTakeEnPassant(position)) {
        return false;
    }
    key.replace(start, length, "-");
    return true;
}

}  // namespace vestrel
