#pragma once
// Reads a few lines of a text file again, by number, the way the run read them: lines end at
// LF, CR bytes are no part of a line, a byte-order mark at the start is skipped and a Ctrl-Z
// byte ends the file.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vestrel {

// The texts of the lines numbered `lines` (from 1, ascending), each cut after `limit` bytes;
// nothing for a line the file no longer has or a file that cannot be read.
std::vector<std::optional<std::string>> fetchLines(const std::string& path,
                                                   const std::vector<std::int64_t>& lines,
                                                   std::size_t limit);

}  // namespace vestrel
