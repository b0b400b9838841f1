#include "position/placement.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace vestrel {
namespace {

bool isPieceLetter(char c) {
    return std::string_view("PNBRQKpnbrqk").find(c) != std::string_view::npos;
}

// What scanBoard must find, worked out square by square with the placement scanner.
struct Expected {
    std::size_t length = 0;
    bool board = false;
    bool pawns = false;
    std::vector<PieceOn> pieces;
};

Expected expectedScan(std::string_view text) {
    Expected out;
    out.length = std::min(text.find(' '), text.size());
    const std::string_view placement = text.substr(0, out.length);
    out.pawns = hasPawn(placement);
    SquareGrid grid;
    bool onlyBoardBytes = true;
    for (char c : placement) {
        onlyBoardBytes &= isPieceLetter(c) || c == '/' || (c >= '1' && c <= '8');
    }
    out.board = onlyBoardBytes && fillSquareGrid(placement, grid);
    PlacementScanner scan(placement);
    PlacementItem item;
    while (out.board && scan.next(item)) {
        if (isPieceLetter(item.letter)) {
            out.pieces.push_back({item.letter, std::uint8_t(item.rank * 8 + item.file)});
        }
    }
    return out;
}

// Each text is copied into a string of its exact size, so a read past its end shows up under
// the address sanitizer.
void expectScan(std::string_view text) {
    SCOPED_TRACE(text);
    const std::string copy(text);
    BoardScan scan;
    scanBoard(copy, scan);
    const Expected expected = expectedScan(copy);
    EXPECT_EQ(scan.length, expected.length);
    ASSERT_EQ(scan.board, expected.board);
    EXPECT_EQ(scan.pawns, expected.pawns);
    if (!scan.board) return;
    ASSERT_EQ(scan.pieceCount, expected.pieces.size());
    std::uint64_t white = 0;
    std::uint64_t black = 0;
    bool pawnsOnEdge = false;
    for (const PieceOn& piece : expected.pieces) {
        const std::size_t kind = kPieceKinds.find(char(piece.letter & ~0x20));
        (piece.letter == kPieceKinds[kind] ? white : black) += std::uint64_t{1} << (8 * kind);
        pawnsOnEdge |= (piece.letter | 0x20) == 'p' && (piece.square < 8 || piece.square >= 56);
    }
    EXPECT_EQ(scan.whiteCounts, white);
    EXPECT_EQ(scan.blackCounts, black);
    EXPECT_EQ(scan.pawnsOnEdge, pawnsOnEdge);
    for (std::size_t i = 0; i < scan.pieceCount; ++i) {
        EXPECT_EQ(scan.pieces[i].letter, expected.pieces[i].letter) << "piece " << i;
        EXPECT_EQ(scan.pieces[i].square, expected.pieces[i].square) << "piece " << i;
        EXPECT_EQ(pieceAt(scan, scan.pieces[i].square), scan.pieces[i].letter);
    }
}

TEST(ScanBoard, ReadsBoardsAndTellsNonBoards) {
    const std::string full =
        "QQQQQQQQ/QQQQQQQQ/QQQQQQQQ/QQQQQQQQ/qqqqqqqq/qqqqqqqq/qqqqqqqq/PPPPPPPP";
    const std::string cases[] = {
        "8/8/8/8/8/8/8/K1k5 w - -",
        "8/8/8/8/8/8/8/K1k5",  // no space: the whole text
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
        "4k3/8/8/8/8/8/8/4K2R",  // ends inside the last eight bytes
        "7k/8/8/8/8/8/8/7K w",
        "8/8/8//88/8/8/K1k5 w - -",    // empty rank, 64 squares all the same
        "8/8/8/8/8/8/45/K1k5 w - -",   // rank of nine squares
        "8/8/8/8/8/8/7/K1k6 w - -",    // seven, then nine squares
        "8/8/8/8/8/8/08/K1k5 w - -",   // "0"
        "8/8/8/8/8/8/8/K1k4x w - -",   // not a piece letter
        "8/8/8/8/8/8/8/K1k5/ w - -",   // trailing "/"
        "8/8/8/8/8/8/8/8/K1k5 w - -",  // nine ranks
        " w - -",                      // empty placement
        "",
        "/////////////////////////////// w",  // many slashes
        full,                                 // 64 pieces
        full + "P w - -",                     // 65 pieces
        // 264 squares before each "/": a byte-sized square count would see 8.
        std::string(33, '8') + "/" + std::string(33, '8') + "/8/8/8/8/8/8 w",
    };
    for (const std::string& text : cases) expectScan(text);
}

// Placements of the bytes a board is made of and a few others, at every length around the
// eight-byte steps of the scan, with and without a space after them.
TEST(ScanBoard, AgreesWithTheSquareByScannerOnRandomPlacements) {
    std::mt19937 random(26);
    const std::string_view alphabet = "12345678/////PNBRQKpnbrqk0 9x";
    for (int round = 0; round < 20000; ++round) {
        std::string text;
        const std::size_t size = random() % 90;
        for (std::size_t i = 0; i < size; ++i) text.push_back(alphabet[random() % alphabet.size()]);
        expectScan(text);
    }
    // Near-boards: a real board with one byte changed, added or removed.
    const std::string board = "r3k2r/pp1n1ppp/2p1pn2/q7/1b1P4/2N1PN2/PPQB1PPP/R3KB1R w KQkq -";
    for (int round = 0; round < 20000; ++round) {
        std::string text = board;
        const std::size_t at = random() % 60;
        const char c = alphabet[random() % alphabet.size()];
        switch (random() % 3) {
            case 0:
                text[at] = c;
                break;
            case 1:
                text.insert(text.begin() + std::ptrdiff_t(at), c);
                break;
            default:
                text.erase(at, 1);
                break;
        }
        expectScan(text);
    }
}

}  // namespace
}  // namespace vestrel
