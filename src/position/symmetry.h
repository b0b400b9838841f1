#pragma once
// What the board's symmetries make of a position key: a signature shared by all its images,
// and which image, if any, is the key itself.

#include <cstdint>
#include <string_view>

#include "position/placement.h"

namespace vestrel {

// The images of a key in the order the mirror tests look them up: "x", "y", "xy", then the
// reflection in the a1-h8 diagonal ("d") and its "x", "y", "xy" images.
enum class BoardImage { None, X, Y, XY, D, DX, DY, DXY };

struct KeySymmetry {
    // The placement is a board of 8 x 8 squares holding only piece letters, and the castling
    // and en-passant fields are both exactly "-": then every mirror image and diagonal image
    // of the key is such a key too, with the key's signature.
    bool imagesShareSignature = false;
    // Equal for any two equal texts, and for a key and each of its images when they share it.
    std::uint32_t signature = 0;
    // The first image, in look-up order, that is the key itself; None when no image is.
    BoardImage self = BoardImage::None;
};

KeySymmetry analyseSymmetry(std::string_view key);
// The same for a key whose placement is already scanned.
KeySymmetry analyseSymmetry(const BoardScan& scan, std::string_view key);

}  // namespace vestrel
