#pragma once
// Mirror images of a position key ("x" left-right, "y" top-bottom, "xy" rotation) and the
// search for an earlier record that one of them repeats.

#include <string>
#include <string_view>

#include "filter/seen_set.h"

namespace vestrel {

enum class MirrorKind { X, Y, XY };

// Builds one image of the key into `image`.
void mirrorImage(std::string_view key, MirrorKind kind, std::string& image);

// Looks the "x", "y" and "xy" images up in that order (never storing them). On a hit returns
// true and leaves "x", "y" or "xy" in `mirrorKind`; otherwise empties it.
bool findMirrorMatch(std::string_view key, SeenSet& seen, std::string& mirrorKind,
                     std::string& image);

}  // namespace vestrel
