#pragma once
// Horizontal bar charts as inline SVG, for the report's distributions.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vestrel {

struct Bar {
    std::string label;  // plain text; escaped when written
    std::int64_t count = 0;
};

// Appends a <figure> holding the caption (HTML) and one labelled bar per entry, each bar's
// length in proportion to the largest count, its count written after it.
void appendBarChart(std::string& out, std::string_view caption, const std::vector<Bar>& bars);

std::string_view chartStyle();

}  // namespace vestrel
