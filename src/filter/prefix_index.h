#pragma once
// The ordered index of /1, searched for stored keys that begin with a key.

#include <memory>
#include <memory_resource>
#include <set>
#include <string_view>

namespace vestrel {

struct PrefixIndex {
    std::unique_ptr<std::pmr::monotonic_buffer_resource> memory;
    std::unique_ptr<std::pmr::set<std::string_view>> keys;

    void allocate();
    // True when a stored key begins with `key`.
    bool find(std::string_view key) const;
};

}  // namespace vestrel
