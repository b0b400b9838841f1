#include "position/diagonal.h"

#include <array>
#include <utility>

#include "position/placement.h"
#include "position/types.h"
#include "text/text.h"

namespace vestrel {
namespace {

// Appends the grid rank by rank, "/" between ranks, every run of "1" written as one digit.
void appendCompressed(std::string& out, const SquareGrid& grid) {
    for (std::size_t r = 0; r < 8; ++r) {
        if (r > 0) out.push_back('/');
        int run = 0;
        for (std::size_t c = 0; c < 8; ++c) {
            const char cell = grid[r * 8 + c];
            if (cell == '1') {
                ++run;
                continue;
            }
            if (run > 0) out.push_back(char('0' + run));
            run = 0;
            out.push_back(cell);
        }
        if (run > 0) out.push_back(char('0' + run));
    }
}

}  // namespace

bool reflectDiagonal(std::string_view key, std::string& out) {
    std::string_view rest = key;
    std::string_view space;
    const std::string_view placement = cutField(rest, &space);
    SquareGrid grid;
    if (space.empty() || !fillSquareGrid(placement, grid)) return false;
    // File f, rank k goes to file k, rank f: each square right of the diagonal changes
    // places with its image.
    for (int i = 0; i < 64; ++i) {
        const Square s = Square(i);
        if (int(fileOf(s)) > int(rankOf(s))) {
            std::swap(grid[placementIndex(s)], grid[placementIndex(flipDiagonal(s))]);
        }
    }
    out.clear();
    appendCompressed(out, grid);
    out.push_back(' ');
    std::string_view sideSpace;
    out.append(cutField(rest, &sideSpace));
    out.append(sideSpace);
    cutField(rest);  // castling
    cutField(rest);  // en passant
    out.append("- -");
    if (!rest.empty()) {
        out.push_back(' ');
        out.append(rest);
    }
    return true;
}

}  // namespace vestrel
