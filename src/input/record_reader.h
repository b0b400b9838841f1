#pragma once
// Turns input lines into record texts: every EPD/FEN line in line mode, the FEN tags of game
// headers (with the header's mate info attached as "bm") in PGN mode.

#include <string>
#include <string_view>

#include "base/settings.h"

namespace vestrel {

struct ReaderState {
    bool pgnMode = false;
    std::string headerMateInfo;  // PGN: empty, a mate info such as "h#2", or "?"
    std::string work;            // reused buffers
    std::string scratch;
};

// Fills `record` and returns true when the line yields a record text. `record` is also used
// as a work buffer when no record results, so `line` must not point into it.
bool recordFromLine(std::string_view line, const RunSettings& settings, ReaderState& state,
                    std::string& record);

}  // namespace vestrel
