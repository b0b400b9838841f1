#include "position/diagonal.h"

#include <array>

#include "text/text.h"

namespace vestrel {
namespace {

// The expanded placement with its ending space: 8 rows of 8 squares and one separator.
constexpr std::size_t kRowWidth = 9;
constexpr std::size_t kGridSize = 8 * kRowWidth;

using Grid = std::array<char, kGridSize>;

// Expands the placement (ending space included) into the grid; false unless it gives exactly
// 8 ranks of 8 squares with "/" between the ranks and the space after the last one.
bool fillGrid(std::string_view placement, Grid& grid) {
    std::size_t cell = 0;
    for (char c : placement) {
        const std::size_t run = (c >= '2' && c <= '8') ? std::size_t(c - '0') : 1;
        if (cell + run > kGridSize) {
            return false;
        }
        for (std::size_t k = 0; k < run; ++k) {
            grid[cell + k] = (run > 1) ? '1' : c;
        }
        cell += run;
    }
    if (cell != kGridSize) {
        return false;
    }
    for (std::size_t i = 0; i < kGridSize; ++i) {
        const bool separatorColumn = i % kRowWidth == kRowWidth - 1;
        const char expected = (i == kGridSize - 1) ? ' ' : '/';
        if (separatorColumn ? grid[i] != expected : (grid[i] == '/' || grid[i] == ' ')) {
            return false;
        }
    }
    return true;
}

// Appends the text with every run of "1" written as digits, eights first.
void appendCompressed(std::string& out, std::string_view expanded) {
    std::size_t i = 0;
    while (i < expanded.size()) {
        if (expanded[i] != '1') {
            out.push_back(expanded[i]);
            ++i;
            continue;
        }
        std::size_t run = 0;
        while (i + run < expanded.size() && expanded[i + run] == '1') {
            ++run;
        }
        i += run;
        out.append(run / 8, '8');
        if (run % 8 != 0) {
            out.push_back(char('0' + run % 8));
        }
    }
}

// The text up to and including its next space, or all of it; removed from `text`.
// The next field together with the space after it (the whole text when it has none).
std::string_view takeField(std::string_view& text) {
    const std::string_view from = text;
    std::string_view space;
    const std::string_view field = cutField(text, &space);
    return from.substr(0, field.size() + space.size());
}

}  // namespace

std::string expandPlacement(std::string_view placement) {
    std::string out;
    out.reserve(placement.size() + 64);
    for (char c : placement) {
        if (c >= '2' && c <= '8') {
            out.append(std::size_t(c - '0'), '1');
        } else {
            out.push_back(c);
        }
    }
    return out;
}

std::string compressPlacement(std::string_view expanded) {
    std::string out;
    out.reserve(expanded.size());
    appendCompressed(out, expanded);
    return out;
}

std::optional<std::string> reflectDiagonal(std::string_view key) {
    std::string out;
    if (!reflectDiagonalInto(key, out)) return std::nullopt;
    return out;
}

bool reflectDiagonalInto(std::string_view key, std::string& out) {
    std::string_view remainder = key;
    const std::string_view placement = takeField(remainder);

    Grid grid;
    if (!fillGrid(placement, grid)) {
        return false;
    }
    // File f, rank k goes to file k, rank f: cell (r, c) changes places with (7 - c, 7 - r).
    for (std::size_t r = 0; r < 7; ++r) {
        for (std::size_t c = 0; c + r < 7; ++c) {
            std::swap(grid[r * kRowWidth + c], grid[(7 - c) * kRowWidth + (7 - r)]);
        }
    }

    out.clear();
    appendCompressed(out, std::string_view(grid.data(), grid.size()));
    out.append(takeField(remainder));
    takeField(remainder);  // castling
    takeField(remainder);  // en passant
    out.append("- -");
    if (!remainder.empty()) {
        out.push_back(' ');
        out.append(remainder);
    }
    return true;
}

}  // namespace vestrel
