#pragma once
// Text for an HTML page: record bytes escaped so that nothing in a record can open a tag or
// end an attribute, and bytes that are no UTF-8 read as the single-byte code page.

#include <cstdint>
#include <string>
#include <string_view>

namespace vestrel {

// Appends bytes as HTML text, safe both between tags and inside a quoted attribute: "&", "<",
// ">", '"' and "'" become references, valid UTF-8 passes, other bytes from 0x80 on are read as
// Windows-1252, and control characters become U+FFFD.
void appendEscaped(std::string& out, std::string_view bytes);

// The same, cut after `limit` bytes with an ellipsis, for texts too long to show whole.
void appendEscapedCut(std::string& out, std::string_view bytes, std::size_t limit);

void appendNumber(std::string& out, std::int64_t value);

}  // namespace vestrel
