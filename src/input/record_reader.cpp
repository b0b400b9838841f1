#include "input/record_reader.h"

#include "input/epd_line.h"
#include "input/pgn_header.h"
#include "text/text.h"

namespace vestrel {

namespace {

constexpr std::string_view kFenTagStart = "[FEN \"";

// Copies `text` into `out` with every pair of spaces made one, in a single left-to-right
// pass: three spaces leave two, four leave two.
void collapseSpaces(std::string_view text, std::string& out) {
    out.resize(text.size());
    char* dst = out.data();
    const char* p = text.data();
    const char* end = p + text.size();
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

}  // namespace

bool recordFromLine(std::string_view line, const RunSettings& settings, ReaderState& state,
                    std::string& record) {
    collapseSpaces(trimText(line), record);

    if (!state.pgnMode) {
        if (record.empty() || record.front() == '%') return false;
        completePositionText(record);
        return true;
    }

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
        examineHeaderLine(record, settings, state.headerMateInfo, state.work, state.scratch);
        return false;
    }
    // Once the header has mate info the tag is handed on as it stands; its "[" fails the
    // placement check later, so in effect the first tag with mate info wins.
    return true;
}

}  // namespace vestrel
