#pragma once
// The 22-character sort key of a database line: type, moves and the two solution times.

#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>

namespace vestrel {

inline constexpr std::size_t kKeyLength = 22;

// A sort key while it is built: type, up to ten digits of moves, two times, before the cut.
struct KeyBuffer {
    char bytes[48];
    std::size_t size = 0;

    void push(char c) { bytes[size++] = c; }
    void append(std::string_view text) {
        std::memcpy(bytes + size, text.data(), text.size());
        size += text.size();
    }
};

// The sort key of `line`, filled or cut to kKeyLength characters; `work` is scratch space.
// Only the text after " bm " is copied, with the ";;;;;" that ends every field.
void buildSortKey(KeyBuffer& key, std::string_view line, std::string& work);

}  // namespace vestrel
