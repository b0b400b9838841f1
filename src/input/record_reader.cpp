#include "input/record_reader.h"

#include <cstdint>
#include <cstring>

#include "input/epd_line.h"
#include "input/pgn_header.h"
#include "input/stipulation_phrase.h"
#include "text/text.h"

namespace vestrel {

namespace {

constexpr std::string_view kFenTagStart = "[FEN \"";

// Where the first two spaces in a row start; npos when there are none. Eight pairs at a time:
// a zero byte in (a ^ spaces) | (b ^ spaces), b being a shifted by one byte, is such a pair.
// Against a byte loop this saves 9.8% of the instructions of "bench.epd", against
// string_view::find 7.6% (bench/instructions.sh).
std::size_t firstDoubleSpace(std::string_view text) {
    constexpr std::uint64_t kSpaces = 0x2020202020202020ull;
    constexpr std::uint64_t kOnes = 0x0101010101010101ull;
    constexpr std::uint64_t kHighs = 0x8080808080808080ull;
    std::size_t i = 0;
    for (; i + 9 <= text.size(); i += 8) {
        std::uint64_t a = 0;
        std::uint64_t b = 0;
        std::memcpy(&a, text.data() + i, 8);
        std::memcpy(&b, text.data() + i + 1, 8);
        const std::uint64_t x = (a ^ kSpaces) | (b ^ kSpaces);
        if (((x - kOnes) & ~x & kHighs) != 0) break;
    }
    for (; i + 1 < text.size(); ++i) {
        if (text[i] == ' ' && text[i + 1] == ' ') return i;
    }
    return std::string_view::npos;
}

// Copies `text` into `out` with every pair of spaces made one, in a single left-to-right
// pass: three spaces leave two, four leave two. Most lines have no pair and are copied whole:
// without that shortcut "bench.epd" takes 22.6% more instructions, "bench.pgn" 12.9%.
void collapseSpaces(std::string_view text, std::string& out) {
    const std::size_t first = firstDoubleSpace(text);
    if (first == std::string_view::npos) {
        out.assign(text);
        return;
    }
    out.resize(text.size());
    char* dst = out.data() + text.copy(out.data(), first);
    const char* p = text.data() + first;
    const char* end = text.data() + text.size();
    while (p < end) {
        const char c = *p++;
        *dst++ = c;
        if (c == ' ' && p < end && *p == ' ') ++p;  // two spaces become one, no rescan
    }
    out.resize(static_cast<std::size_t>(dst - out.data()));
}

bool isHeaderLine(std::string_view line) {
    return !line.empty() && line.front() == '[' && line.back() == ']';
}

// The FEN text of a FEN tag: the value up to the first "\"]", trimmed, with a half-move
// clock of 0 and the move number after it removed. Empty when the value is not closed.
std::string_view fenText(std::string_view tag) {
    std::string_view value = tag.substr(kFenTagStart.size());
    std::size_t close = value.find("\"]");
    if (close == std::string_view::npos) return {};
    std::string_view fen = trimText(value.substr(0, close));
    std::size_t clock = fen.find(" 0 ");
    if (clock != std::string_view::npos) fen = trimText(fen.substr(0, clock));
    return fen;
}

// PGN with --words: the FEN text waiting for the end of its header, with " bm " and the
// stipulation its header states.
void takeWaitingRecord(ReaderState& state, std::string& record) {
    record.assign(state.waitingFen);
    if (state.headerWords.source != HeaderWords::Source::None) {
        record.append(" bm ");
        record.append(state.headerWords.mateInfo);
    }
    state.fenWaiting = false;
}

// PGN with --words, on the trimmed line in `record`. Every tag of a header may state its
// stipulation, so a FEN tag's record waits for the end of the header; a second FEN tag in
// one header lets the first go with what the tags before it said.
bool pgnWordsRecord(const ReaderSettings& settings, ReaderState& state, std::string& record) {
    if (!isHeaderLine(record)) {
        const bool waiting = state.fenWaiting;
        if (waiting) takeWaitingRecord(state, record);
        state.headerWords.source = HeaderWords::Source::None;
        return waiting;
    }
    if (record.starts_with(kFenTagStart)) {
        const bool waiting = state.fenWaiting;
        if (waiting) takeWaitingRecord(state, state.work);
        state.waitingFen.assign(fenText(record));
        completePositionText(state.waitingFen);
        state.fenWaiting = true;
        if (waiting) record.swap(state.work);
        return waiting;
    }
    examineHeaderWords(record, settings.headerTags, state.headerWords, state.work, state.scratch);
    return false;
}

// A FEN line with --words: a stipulation stated after the position fields and the move
// numbers («... w - - 0 1 white mate in 2») takes their place as " bm " and its mate info.
void readLineWords(std::string& record, ReaderState& state) {
    std::string_view rest = record;
    for (int field = 0; field < 4; ++field) {
        if (rest.empty()) return;
        cutField(rest);
    }
    if (rest.empty()) return;
    const std::size_t fieldsEnd = record.size() - rest.size() - 1;  // before the space
    for (int number = 0; number < 2; ++number) {
        std::string_view next = rest;
        const std::string_view field = cutField(next);
        if (field.empty() || field.find_first_not_of("0123456789") != std::string_view::npos) break;
        rest = next;
    }
    if (rest.empty()) return;
    if (readStipulationPhrase(rest, state.scratch, state.work) == PhraseFit::None) return;
    record.resize(fieldsEnd);
    record.append(" bm ");
    record.append(state.scratch);
}

// A CSV puzzle line: its record, or nothing for an empty line and a line with too few fields,
// which is counted.
bool csvRecord(std::string_view line, ReaderState& state, std::string& record) {
    state.illegalMove = false;
    switch (puzzleRecord(line, state.columns, state.fields, record)) {
        case PuzzleVerdict::Blank:
            return false;
        case PuzzleVerdict::TooFewFields:
            ++state.shortLines;
            return false;
        case PuzzleVerdict::IllegalMove:
            state.illegalMove = true;
            return true;
        case PuzzleVerdict::Record:
            break;
    }
    return true;
}

}  // namespace

std::string_view readInputHeader(LineReader& input, ReaderState& state) {
    if (state.input != InputKind::Csv) return {};
    std::string_view line;
    if (!nextLine(input, line)) {
        if (input.lineTooLong) return {};  // the record loop reports it
        line = {};
    }
    return readPuzzleHeader(line, state.columns, state.fields);
}

std::optional<InputKind> inputKindOf(std::string_view fileName) {
    const std::string_view ending = rightPart(fileName, 4);
    if (equalsIgnoreCase(ending, ".EPD")) return InputKind::Epd;
    if (equalsIgnoreCase(ending, ".FEN")) return InputKind::Fen;
    if (equalsIgnoreCase(ending, ".PGN")) return InputKind::Pgn;
    if (equalsIgnoreCase(ending, ".CSV")) return InputKind::Csv;
    return std::nullopt;
}

bool recordFromLine(std::string_view line, const ReaderSettings& settings, ReaderState& state,
                    std::string& record) {
    if (state.input == InputKind::Csv) return csvRecord(line, state, record);
    collapseSpaces(trimText(line), record);

    if (state.input != InputKind::Pgn) {
        if (record.empty() || record.front() == '%') return false;
        completePositionText(record);
        if (settings.words && state.input == InputKind::Fen) readLineWords(record, state);
        return true;
    }
    if (settings.words) return pgnWordsRecord(settings, state, record);

    if (!isHeaderLine(record)) {
        // The end of a header: its mate info does not carry over to the next game.
        state.headerMateInfo.clear();
        return false;
    }
    if (record.starts_with(kFenTagStart)) {
        state.work.assign(fenText(record));
        completePositionText(state.work);
        record.swap(state.work);
        if (state.headerMateInfo.empty()) {
            state.headerMateInfo.assign("?");
        } else {
            record.append(" bm ");
            record.append(state.headerMateInfo);
        }
        return true;
    }
    if (state.headerMateInfo.empty()) {
        examineHeaderLine(record, settings.headerTags, state.headerMateInfo, state.work,
                          state.scratch);
        return false;
    }
    // Once the header has mate info the tag is handed on as it stands; its "[" fails the
    // placement check later, so in effect the first tag with mate info wins.
    return true;
}

}  // namespace vestrel
