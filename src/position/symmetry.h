#pragma once
// What the board's symmetries make of a position key: a signature shared by all its images.

#include <cstdint>
#include <string_view>

#include "position/placement.h"

namespace vestrel {

struct KeySymmetry {
    // The placement is a board of 8 x 8 squares holding only piece letters, and the castling
    // and en-passant fields are both exactly "-": then every mirror image and diagonal image
    // of the key is such a key too, with the key's signature.
    bool imagesShareSignature = false;
    // Equal for any two equal texts, and for a key and each of its images when they share it.
    std::uint32_t signature = 0;
};

KeySymmetry analyseSymmetry(std::string_view key);
// The same for a key whose placement is already scanned.
KeySymmetry analyseSymmetry(const BoardScan& scan, std::string_view key);

}  // namespace vestrel
