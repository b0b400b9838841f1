#pragma once
// Chess diagrams as inline SVG: a board of 64 squares, coordinates, the side to move, and
// piece figures drawn for this program, defined once per page and placed with <use>.

#include <cstdint>
#include <string>
#include <string_view>

namespace vestrel {

// The piece figures, coordinates and side-to-move marks that every diagram of the page uses:
// one hidden <svg> to write once, before the first diagram.
void appendDiagramDefinitions(std::string& out);

// The CSS rules of the diagrams.
std::string_view diagramStyle();

// Appends the diagram of the position fields (placement, side to move, ...) with the squares
// of `highlight` (bit n: a8 = 0 ... h1 = 63) marked; its title is the fields. False, with
// nothing appended, when the placement is not 8 ranks of 8 squares of piece letters.
bool appendDiagram(std::string& out, std::string_view fields, std::uint64_t highlight = 0);

}  // namespace vestrel
