#pragma once
// Turns input lines into record texts: every EPD/FEN line in line mode, the FEN tags of game
// headers (with the header's mate info attached as "bm") in PGN mode, and the puzzles of a
// CSV file, one a line after its header line.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "base/line_reader.h"
#include "input/pgn_header.h"
#include "input/puzzle_csv.h"

namespace vestrel {

// The kinds of input file, by their ending. EPD and FEN files are read in line mode alike,
// except that --words reads the words after a FEN line's position; a CSV file holds puzzles.
enum class InputKind { Epd, Fen, Pgn, Csv };

// The kind a file name's ending (".epd", ".fen", ".pgn", ".csv" in any case) selects; nothing
// for any other name.
std::optional<InputKind> inputKindOf(std::string_view fileName);

struct ReaderState {
    InputKind input = InputKind::Epd;
    std::string headerMateInfo;  // PGN: empty, a mate info such as "h#2", or "?"
    std::string work;            // reused buffers
    std::string scratch;

    // PGN with --words: the FEN text that waits for the end of its header, and what the
    // header's tags state.
    bool fenWaiting = false;
    std::string waitingFen;
    HeaderWords headerWords;

    // CSV: the columns its header names, the fields of the line at hand, the lines skipped for
    // too few fields, and whether the record just returned is a puzzle whose first move is
    // not legal, to be set aside as illegal.
    PuzzleColumns columns;
    CsvFields fields;
    std::int64_t shortLines = 0;
    bool illegalMove = false;
};

// What the reader takes from the options: --words, and /h for the tags of PGN headers.
struct ReaderSettings {
    bool words = false;
    HeaderTagFilter headerTags;
};

// Reads the header line of a CSV input and finds its columns; the name of a needed column it
// lacks, or an empty view (also for every other kind of input, which has no header line).
std::string_view readInputHeader(LineReader& input, ReaderState& state);

// Fills `record` and returns true when the line yields a record text. `record` is also used
// as a work buffer when no record results, so `line` must not point into it.
bool recordFromLine(std::string_view line, const ReaderSettings& settings, ReaderState& state,
                    std::string& record);

// At the end of the input: does a record still wait for the end of its header? An empty line
// handed to recordFromLine then yields it.
inline bool recordWaiting(const ReaderState& state) { return state.fenWaiting; }

}  // namespace vestrel
