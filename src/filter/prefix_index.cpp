#include "filter/prefix_index.h"

namespace vestrel {

void PrefixIndex::allocate() {
    memory = std::make_unique<std::pmr::monotonic_buffer_resource>(1 << 20);
    keys = std::make_unique<std::pmr::set<std::string_view>>(memory.get());
}

// The first stored key not less than `key` begins with it exactly when any does.
bool PrefixIndex::find(std::string_view key) const {
    const auto it = keys->lower_bound(key);
    return it != keys->end() && it->substr(0, key.size()) == key;
}

}  // namespace vestrel
