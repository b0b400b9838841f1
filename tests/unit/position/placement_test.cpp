#include "position/placement.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
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

// Every field of the scan worked out plainly: a placement that can be no board (a byte foreign
// to placements, more than 64 squares or more than 7 slashes) has its length and pawns only;
// any other has its pieces with the squares before them and its counts, and pawnsOnEdge
// measured by the slashes: with 7, a pawn before the first or after the seventh; with 6, a pawn
// before the first or as the last byte, unless that is the sixth "/"; with fewer, any pawn.
struct Reading {
    std::size_t length = 0;
    bool lost = false;
    bool board = false;
    bool pawns = false;
    std::vector<PieceOn> pieces;
    std::uint64_t white = 0;
    std::uint64_t black = 0;
    bool pawnsOnEdge = false;
};

Reading readPlainly(std::string_view text) {
    Reading out;
    out.length = std::min(text.find(' '), text.size());
    const std::string_view placement = text.substr(0, out.length);
    const auto isPawn = [](char c) { return c == 'P' || c == 'p'; };
    std::size_t squares = 0;
    std::vector<std::size_t> slashAt;
    std::vector<std::size_t> rankEnds;
    for (std::size_t i = 0; i < placement.size(); ++i) {
        const char c = placement[i];
        if (c == '/') {
            slashAt.push_back(i);
            rankEnds.push_back(squares);
        } else if (c >= '1' && c <= '8') {
            squares += std::size_t(c - '0');
        } else if (isPieceLetter(c)) {
            out.pieces.push_back({c, std::uint8_t(squares)});
            const std::size_t kind = kPieceKinds.find(char(c & ~0x20));
            (c == kPieceKinds[kind] ? out.white : out.black) += std::uint64_t{1} << (8 * kind);
            ++squares;
        } else {
            out.lost = true;
        }
    }
    out.pawns = std::any_of(placement.begin(), placement.end(), isPawn);
    out.lost = out.lost || squares > 64 || slashAt.size() > 7;
    if (out.lost) return out;
    out.board = squares == 64 && slashAt.size() == 7;
    for (std::size_t r = 0; r < rankEnds.size(); ++r) out.board &= rankEnds[r] == 8 * (r + 1);
    const auto pawnIn = [&](std::size_t from, std::size_t to) {
        return std::any_of(placement.begin() + std::ptrdiff_t(from),
                           placement.begin() + std::ptrdiff_t(to), isPawn);
    };
    const std::size_t size = placement.size();
    if (slashAt.size() == 7) {
        out.pawnsOnEdge = pawnIn(0, slashAt[0]) || pawnIn(slashAt[6], size);
    } else if (slashAt.size() == 6 && placement.back() != '/') {
        out.pawnsOnEdge = pawnIn(0, slashAt[0]) || isPawn(placement.back());
    } else {
        out.pawnsOnEdge = out.pawns;
    }
    return out;
}

// A random board: each rank eight squares of pieces and runs of empty squares.
std::string randomBoard(std::mt19937& random) {
    const std::string_view letters = "PNBRQKpnbrqk";
    std::string board;
    for (int rank = 0; rank < 8; ++rank) {
        if (rank > 0) board.push_back('/');
        int file = 0;
        while (file < 8) {
            if (random() % 2 == 0) {
                board.push_back(letters[random() % letters.size()]);
                ++file;
            } else {
                const int run = 1 + int(random() % std::uint32_t(8 - file));
                board.push_back(char('0' + run));
                file += run;
            }
        }
    }
    return board;
}

// Random texts of 0 to 200 bytes, boards and boards with a few bytes changed, added or taken
// away, each placed at every alignment so that it ends where its allocation ends: a read past
// it shows up under the address sanitizer. The scan starts from stale values, which a text that
// can be no board leaves as they were.
TEST(ScanBoard, MatchesAPlainReadingOfEveryField) {
    std::mt19937 random(20261208);
    const std::string_view alphabet = "12345678/////PNBRQKpnbrqkPPpp09 x\r\t\n\x1A\x80\xF1-w";
    std::vector<std::string> texts;
    for (std::size_t size = 0; size <= 200; ++size) {
        for (int round = 0; round < 20; ++round) {
            std::string text;
            for (std::size_t i = 0; i < size; ++i) {
                text.push_back(alphabet[random() % alphabet.size()]);
            }
            texts.push_back(text);
        }
    }
    for (int round = 0; round < 4000; ++round) {
        std::string text = randomBoard(random);
        for (int edits = int(random() % 3); edits > 0; --edits) {
            const std::size_t at = random() % (text.size() + 1);
            const char c = alphabet[random() % alphabet.size()];
            switch (random() % 3) {
                case 0:
                    if (at < text.size()) text[at] = c;
                    break;
                case 1:
                    text.insert(text.begin() + std::ptrdiff_t(at), c);
                    break;
                default:
                    if (at < text.size()) text.erase(at, 1);
                    break;
            }
        }
        const std::string_view tails[] = {"", " w - -", " b KQkq - bm #2;", " ", "  w"};
        texts.push_back(text + std::string(tails[random() % std::size(tails)]));
    }
    std::size_t alignment = 0;
    for (const std::string& text : texts) {
        alignment = (alignment + 1) % 16;
        const std::unique_ptr<char[]> memory(new char[alignment + text.size()]);
        char* at = memory.get() + alignment;
        std::memcpy(at, text.data(), text.size());
        const std::string_view placed(at, text.size());
        BoardScan scan;
        const std::uint64_t stale = 0x0102030405060708ULL * (alignment + 1);
        scan.whiteCounts = stale;
        scan.blackCounts = ~stale;
        scan.pawnsOnEdge = alignment % 2 == 0;
        scanBoard(placed, scan);
        const Reading expected = readPlainly(placed);
        SCOPED_TRACE(testing::PrintToString(text));
        ASSERT_EQ(scan.length, expected.length);
        ASSERT_EQ(scan.board, expected.board);
        ASSERT_EQ(scan.pawns, expected.pawns);
        if (expected.lost) {
            ASSERT_EQ(scan.pieceCount, 0u);
            ASSERT_EQ(scan.whiteCounts, stale);
            ASSERT_EQ(scan.blackCounts, ~stale);
            ASSERT_EQ(scan.pawnsOnEdge, alignment % 2 == 0);
            continue;
        }
        ASSERT_EQ(scan.pieceCount, expected.pieces.size());
        for (std::size_t i = 0; i < scan.pieceCount; ++i) {
            ASSERT_EQ(scan.pieces[i].letter, expected.pieces[i].letter) << "piece " << i;
            ASSERT_EQ(scan.pieces[i].square, expected.pieces[i].square) << "piece " << i;
        }
        ASSERT_EQ(scan.whiteCounts, expected.white);
        ASSERT_EQ(scan.blackCounts, expected.black);
        ASSERT_EQ(scan.pawnsOnEdge, expected.pawnsOnEdge);
    }
}

}  // namespace
}  // namespace vestrel
