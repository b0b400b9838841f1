#include "report/diagram.h"

#include <array>

#include "position/placement.h"
#include "report/html_text.h"
#include "text/text.h"

namespace vestrel {
namespace {

// Piece figures on a 100 x 100 grid, y downwards; each is drawn on the square it stands on.
enum class Stroke { Body, Line, Dot };

struct Part {
    Stroke stroke;
    std::string_view d;
};

struct Figure {
    char letter;  // upper case
    std::array<Part, 7> parts;
};

constexpr std::array<Figure, 6> kFigures = {{
    {'P',
     {{{Stroke::Body, "M27 87H73C73 72 65 62 57 57H43C35 62 27 72 27 87Z"},
       {Stroke::Body, "M39 58H61C63 54 61 49 57 48H43C39 49 37 54 39 58Z"},
       {Stroke::Body, "M62 34A12 12 0 1 1 38 34A12 12 0 1 1 62 34Z"}}}},
    {'R',
     {{{Stroke::Body, "M24 88H76V79H24Z"},
       {Stroke::Body, "M31 79L34 44H66L69 79Z"},
       {Stroke::Body, "M27 44V19H37V27H45V19H55V27H63V19H73V44Z"},
       {Stroke::Line, "M34 52H66M33 71H67"}}}},
    {'B',
     {{{Stroke::Body, "M25 89H75V81H25Z"},
       {Stroke::Body, "M33 81C35 76 37 73 40 71H60C63 73 65 76 67 81Z"},
       {Stroke::Body, "M40 71C28 60 29 44 50 26C71 44 72 60 60 71Z"},
       {Stroke::Body, "M56 19A6 6 0 1 1 44 19A6 6 0 1 1 56 19Z"},
       {Stroke::Line, "M50 39V59M41 49H59"}}}},
    {'N',
     {{{Stroke::Body,
        "M30 88H80C82 64 77 43 65 29L64 14L55 23L49 22C39 24 30 32 24 43L15 53C15 60 "
        "21 64 28 60L39 55C43 57 44 61 40 65C32 73 28 79 30 88Z"},
       {Stroke::Dot, "M49 36A4 4 0 1 1 41 36A4 4 0 1 1 49 36Z"},
       {Stroke::Dot, "M24.5 51A2.5 2.5 0 1 1 19.5 51A2.5 2.5 0 1 1 24.5 51Z"},
       {Stroke::Line, "M64 32C71 46 73 62 71 80"}}}},
    {'Q',
     {{{Stroke::Body, "M24 80L13 35L33 60L31 24L45 57L50 19L55 57L69 24L67 60L87 35L76 80Z"},
       {Stroke::Body, "M21 91H79V80H21Z"},
       {Stroke::Body, "M18 33A5 5 0 1 1 8 33A5 5 0 1 1 18 33Z"},
       {Stroke::Body, "M36 22A5 5 0 1 1 26 22A5 5 0 1 1 36 22Z"},
       {Stroke::Body, "M74 22A5 5 0 1 1 64 22A5 5 0 1 1 74 22Z"},
       {Stroke::Body, "M92 33A5 5 0 1 1 82 33A5 5 0 1 1 92 33Z"},
       {Stroke::Body, "M55 17A5 5 0 1 1 45 17A5 5 0 1 1 55 17Z"}}}},
    {'K',
     {{{Stroke::Body, "M46 6H54V14H62V22H54V33H46V22H38V14H46Z"},
       {Stroke::Body,
        "M23 82C9 64 13 41 35 46C38 37 44 32 50 32C56 32 62 37 65 46C87 41 91 64 77 "
        "82Z"},
       {Stroke::Body, "M21 91H79V82H21Z"},
       {Stroke::Line, "M50 34V62M27 72C42 67 58 67 73 72"}}}},
}};

constexpr std::string_view kPieceLetters = "PNBRQKpnbrqk";

// The 64 squares of every board, a8 first, each a unit square; their colours come from the
// page's style, by their place in the group.
constexpr std::string_view kSquaresOpen = "<g class=\"sq\">";
constexpr std::string_view kSquaresClose = "</g>";
constexpr std::string_view kSquarePattern = "<path d=\"Mx yh1v1Hx\"/>";
constexpr std::size_t kSquaresBytes =
    kSquaresOpen.size() + 64 * kSquarePattern.size() + kSquaresClose.size();

constexpr std::array<char, kSquaresBytes> kSquares = [] {
    std::array<char, kSquaresBytes> text{};
    std::size_t at = 0;
    for (char c : kSquaresOpen) text[at++] = c;
    for (int square = 0; square < 64; ++square) {
        for (char c : kSquarePattern) {
            text[at++] = c == 'x' ? char('0' + square % 8) : c == 'y' ? char('0' + square / 8) : c;
        }
    }
    for (char c : kSquaresClose) text[at++] = c;
    return text;
}();

void appendFigure(std::string& out, const Figure& figure, bool white) {
    out.append("<g id=\"");
    out.push_back(white ? 'w' : 'b');
    out.push_back(toLowerAscii(figure.letter));
    out.append(
        "\" transform=\"scale(.01)\" stroke-width=\"3.2\" stroke-linejoin=\"round\" "
        "stroke-linecap=\"round\">");
    // A white figure is outlined in black; a black one drawn in black with white details.
    const std::string_view ink = white ? "#000" : "#fff";
    for (const Part& part : figure.parts) {
        if (part.d.empty()) break;
        out.append("<path d=\"");
        out.append(part.d);
        switch (part.stroke) {
            case Stroke::Body:
                out.append(white ? "\" fill=\"#fff\" stroke=\"#000\"/>"
                                 : "\" fill=\"#111\" stroke=\"#000\"/>");
                break;
            case Stroke::Line:
                out.append("\" fill=\"none\" stroke=\"");
                out.append(ink);
                out.append("\"/>");
                break;
            case Stroke::Dot:
                out.append("\" fill=\"");
                out.append(ink);
                out.append("\" stroke=\"none\"/>");
                break;
        }
    }
    out.append("</g>");
}

// File letters under the board and rank numbers to its left, in board units.
void appendCoordinates(std::string& out) {
    out.append(
        "<g id=\"co\" font-size=\".42\" font-family=\"sans-serif\" fill=\"#444\" "
        "text-anchor=\"middle\">");
    for (int file = 0; file < 8; ++file) {
        out.append("<text x=\"");
        appendNumber(out, file);
        out.append(".5\" y=\"8.55\">");
        out.push_back(char('a' + file));
        out.append("</text>");
    }
    for (int row = 0; row < 8; ++row) {
        out.append("<text x=\"-.3\" y=\"");
        appendNumber(out, row);
        out.append(".65\">");
        out.push_back(char('8' - row));
        out.append("</text>");
    }
    out.append("</g>");
}

}  // namespace

void appendDiagramDefinitions(std::string& out) {
    out.append("<svg class=\"defs\" width=\"0\" height=\"0\" aria-hidden=\"true\"><defs>");
    for (const Figure& figure : kFigures) {
        appendFigure(out, figure, true);
        appendFigure(out, figure, false);
    }
    appendCoordinates(out);
    // The side to move: a white disc by White's first rank, a black one by Black's.
    out.append(
        "<circle id=\"tw\" cx=\"8.3\" cy=\"7.6\" r=\".2\" fill=\"#fff\" stroke=\"#000\" "
        "stroke-width=\".04\"/><circle id=\"tb\" cx=\"8.3\" cy=\".4\" r=\".2\" "
        "fill=\"#111\" stroke=\"#000\" stroke-width=\".04\"/>");
    out.append("</defs></svg>");
    out.append(kLineEnd);
}

std::string_view diagramStyle() {
    return "svg.defs{position:absolute;width:0;height:0;overflow:hidden}"
           "svg.bd{display:block;width:100%;max-width:15em;height:auto}"
           ".sq path{fill:#efdcba}"
           ".sq path:nth-child(16n+2),.sq path:nth-child(16n+4),.sq path:nth-child(16n+6),"
           ".sq path:nth-child(16n+8),.sq path:nth-child(16n+9),.sq path:nth-child(16n+11),"
           ".sq path:nth-child(16n+13),.sq path:nth-child(16n+15){fill:#b98a5e}"
           ".bd .hl{fill:#e4261b;fill-opacity:.6}";
}

bool appendDiagram(std::string& out, std::string_view fields, std::uint64_t highlight) {
    std::string_view rest = fields;
    const std::string_view placement = cutField(rest);
    const std::string_view side = cutField(rest);
    SquareGrid grid;
    if (!fillSquareGrid(placement, grid)) return false;
    for (char cell : grid) {
        if (cell != '1' && kPieceLetters.find(cell) == std::string_view::npos) return false;
    }
    out.append("<svg class=\"bd\" viewBox=\"-.6 0 9.2 8.8\" role=\"img\"><title>");
    appendEscaped(out, fields);
    out.append("</title><use href=\"#co\"/>");
    out.append(std::string_view(kSquares.data(), kSquares.size()));
    for (int square = 0; square < 64; ++square) {
        if ((highlight >> square & 1) == 0) continue;
        out.append("<rect class=\"hl\" x=\"");
        out.push_back(char('0' + square % 8));
        out.append("\" y=\"");
        out.push_back(char('0' + square / 8));
        out.append("\" width=\"1\" height=\"1\"/>");
    }
    for (int square = 0; square < 64; ++square) {
        const char cell = grid[std::size_t(square)];
        if (cell == '1') continue;
        out.append("<use href=\"#");
        out.push_back(isUpperLetter(cell) ? 'w' : 'b');
        out.push_back(toLowerAscii(cell));
        out.append("\" x=\"");
        out.push_back(char('0' + square % 8));
        out.append("\" y=\"");
        out.push_back(char('0' + square / 8));
        out.append("\"/>");
    }
    if (side == "w") out.append("<use href=\"#tw\"/>");
    if (side == "b") out.append("<use href=\"#tb\"/>");
    out.append("</svg>");
    return true;
}

}  // namespace vestrel
