#pragma once
// Puzzle collections published as CSV: a header line naming the columns, then one puzzle a
// line with its id, the position before the opponent's last move (FEN), the solution in UCI
// moves starting with that move, its themes ("mateIn2 short") and a rating.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace vestrel {

// Where the columns stand, counted from 0; found by name in the header line.
struct PuzzleColumns {
    static constexpr std::size_t kAbsent = static_cast<std::size_t>(-1);
    std::size_t puzzleId = kAbsent;
    std::size_t fen = kAbsent;
    std::size_t moves = kAbsent;
    std::size_t themes = kAbsent;
    std::size_t rating = kAbsent;  // may be absent
    // One past the last column read; until a header names every needed column, no line has
    // enough fields.
    std::size_t fieldsNeeded = kAbsent;
};

// The fields of one CSV line, as offsets into one text (quotes removed, "" made one quote).
struct CsvFields {
    std::string text;
    std::vector<std::size_t> ends;  // where each field ends in `text`
    std::string_view field(std::size_t i) const {
        const std::size_t begin = i == 0 ? 0 : ends[i - 1];
        return std::string_view(text).substr(begin, ends[i] - begin);
    }
};

// Splits a CSV line at its commas. A field that begins with a double quote runs to the
// closing one and may hold commas; "" inside it is one quote; an unclosed one runs to the end.
void splitCsvLine(std::string_view line, CsvFields& fields);

// Finds the columns by name (PuzzleId, FEN, Moves, Themes, Rating; any letter case, blanks
// around a name ignored). Returns the name of the first needed column the header lacks, or
// an empty view when every one is there.
std::string_view readPuzzleHeader(std::string_view line, PuzzleColumns& columns, CsvFields& fields);

enum class PuzzleVerdict {
    Blank,         // an empty line
    TooFewFields,  // fewer fields than the columns need: skipped and counted
    Record,        // the record of the position after the first move
    IllegalMove,   // the first move is no legal move in the FEN: the record of the FEN itself
};

// The mate length a theme list states: n for a theme "mateInN" with n from 1 to 4, else 0
// ("mateIn5" stands for five or more moves).
int mateLengthOfThemes(std::string_view themes);

// The opcodes of a puzzle: "bm #n;" when its themes state the mate length, its id and, when
// the line has a rating, "rating" with the number, as in «bm #2; id "00sHx"; rating 1760;».
void appendPuzzleOpcodes(const CsvFields& fields, const PuzzleColumns& columns,
                         std::string& record);

// Builds the record text of one puzzle line: the position after the first move of Moves is
// played in the FEN, then the opcodes. When that move is not legal there (or the FEN is no
// position), the record holds the FEN's own four fields and the verdict says so.
PuzzleVerdict puzzleRecord(std::string_view line, const PuzzleColumns& columns, CsvFields& fields,
                           std::string& record);

}  // namespace vestrel
