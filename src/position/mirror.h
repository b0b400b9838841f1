#pragma once
// Mirror images of a position key ("x" left-right, "y" top-bottom, "xy" rotation) and the
// search for an earlier record that one of them repeats.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "filter/seen_set.h"

namespace vestrel {

enum class MirrorKind { X, Y, XY };

// Builds one image of the key into `image`.
void mirrorImage(std::string_view key, MirrorKind kind, std::string& image);

// The three images of one key with their hashes, built before any of them is looked up.
struct MirrorImages {
    std::array<std::string, 3> text;  // "x", "y", "xy"
    std::array<std::uint32_t, 3> hash{};
};

// Builds the "x", "y" and "xy" images of a key and asks for their hash buckets.
void buildMirrorImages(std::string_view key, const SeenSet& seen, MirrorImages& images);

// Looks built images up in the order "x", "y", "xy" (never storing them). On a hit returns
// true and leaves "x", "y" or "xy" in `mirrorKind`; otherwise empties it.
bool matchMirrorImages(const MirrorImages& images, SeenSet& seen, std::string& mirrorKind);

// A value that a position key shares with every one of its mirror images and diagonal
// images, whenever its castling and en-passant fields are both "-" (see
// imagesShareSignature). Any two equal texts have equal signatures.
std::uint32_t symmetrySignature(std::string_view key);

// Castling and en-passant fields both exactly "-": then the images carry the key's signature.
bool imagesShareSignature(std::string_view key);

// Which image of the key is the key itself, in the order the mirror tests look them up:
// "x", "y", "xy", then the diagonal reflection and its "x", "y", "xy" images.
struct SelfImage {
    bool found = false;
    bool diagonal = false;
    std::string_view kind;  // "x", "y", "xy" or empty
};
SelfImage selfImage(std::string_view key);

// The signature and whether the images share it, from one reading of the key.
struct KeySymmetry {
    std::uint32_t signature = 0;
    bool imagesShareSignature = false;
    SelfImage self;
};
KeySymmetry analyseSymmetry(std::string_view key);

// Looks the "x", "y" and "xy" images up in that order (never storing them). On a hit returns
// true and leaves "x", "y" or "xy" in `mirrorKind`; otherwise empties it.
bool findMirrorMatch(std::string_view key, SeenSet& seen, std::string& mirrorKind,
                     std::string& image);

}  // namespace vestrel
