#pragma once
// Mirror images of a position key: "x" left-right, "y" top-bottom, "xy" the rotation.

#include <array>
#include <string>
#include <string_view>

namespace vestrel {

// The images in the order they are looked up: "x", "y", "xy".
using MirrorImages = std::array<std::string, 3>;

// Builds the three images of a key into reused buffers. With pawns the top-bottom images also
// exchange the colours and hand the move over; only the "y" image keeps castling rights.
void mirrorImages(std::string_view key, MirrorImages& images);

// The key of the colour-reversed twin: the board turned top to bottom, colours, move and
// castling rights exchanged, as the "y" image of a position with pawns is, for any key.
void colourReversedImage(std::string_view key, std::string& image);

}  // namespace vestrel
