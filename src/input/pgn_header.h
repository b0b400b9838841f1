#pragma once
// Condenses a stipulation written in a PGN header tag ("Mate in 3", "Hilfsmatt in 2") into a
// mate info text such as "#3" or "h#2".

#include <string>
#include <string_view>
#include <vector>

#include "base/settings.h"

namespace vestrel {

// The /h choice of the tags that may state a stipulation: every tag, or the listed ones, or
// all but the listed ones.
struct HeaderTagFilter {
    HeaderTagMode mode = HeaderTagMode::All;
    std::vector<std::string> tags;  // in the order given
};

// Returns true and sets `mateInfo` when the header line states a usable stipulation.
// `work` and `scratch` are reused buffers.
bool examineHeaderLine(std::string_view line, const HeaderTagFilter& filter, std::string& mateInfo,
                       std::string& work, std::string& scratch);

// What the tags of one header state with --words: the best stipulation so far and where it
// was read. A tag named Stipulation wins; then the first tag whose whole value is a
// stipulation phrase; then the first tag with a part that is one ("Problem 12, Mate in 3").
struct HeaderWords {
    enum class Source { None, TagPart, WholeTag, StipulationTag };
    Source source = Source::None;
    std::string mateInfo;
};

// Reads the value of one header line (not a FEN tag) as a stipulation phrase, when /h lets
// the tag through, and keeps it in `header` when it ranks above what the header had.
// `found` and `work` are reused buffers.
void examineHeaderWords(std::string_view line, const HeaderTagFilter& filter, HeaderWords& header,
                        std::string& found, std::string& work);

}  // namespace vestrel
