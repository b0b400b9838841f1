#include "input/puzzle_csv.h"

#include <optional>

#include "input/epd_line.h"
#include "position/move_text.h"
#include "position/movegen.h"
#include "position/position.h"
#include "text/text.h"

namespace vestrel {

namespace {

// The longest mate a theme names exactly; "mateIn5" means five or more moves.
constexpr int kLongestThemeMate = 4;
constexpr std::string_view kMateTheme = "mateIn";

// Is `name` the column name `wanted`, blanks around it aside and letters in any case?
bool namesColumn(std::string_view name, std::string_view wanted) {
    return equalsIgnoreCase(trimText(name), wanted);
}

// The id as an EPD string operand: its double quotes and semicolons would end the operand or
// the opcode, so they are left out.
void appendIdOperand(std::string_view id, std::string& record) {
    record.push_back('"');
    for (char c : id) {
        if (c != '"' && c != ';') record.push_back(c);
    }
    record.push_back('"');
}

bool allDigits(std::string_view text) {
    if (text.empty()) return false;
    for (char c : text) {
        if (!isDigit(c)) return false;
    }
    return true;
}

// The four position fields of a FEN, completed as a record line is.
void assignFenFields(std::string_view fen, std::string& record) {
    std::string_view rest = fen;
    for (int field = 0; field < 4 && !rest.empty(); ++field) cutField(rest);
    record.assign(trimText(fen.substr(0, fen.size() - rest.size())));
    completePositionText(record);
}

}  // namespace

void splitCsvLine(std::string_view line, CsvFields& fields) {
    fields.text.clear();
    fields.ends.clear();
    std::size_t i = 0;
    while (true) {
        if (i < line.size() && line[i] == '"') {
            ++i;
            while (i < line.size()) {
                if (line[i] == '"') {
                    if (i + 1 < line.size() && line[i + 1] == '"') {
                        fields.text.push_back('"');
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                fields.text.push_back(line[i++]);
            }
        }
        // The rest of the field, up to the next comma (after a closing quote, normally none).
        while (i < line.size() && line[i] != ',') fields.text.push_back(line[i++]);
        fields.ends.push_back(fields.text.size());
        if (i >= line.size()) return;
        ++i;  // the comma
    }
}

std::string_view readPuzzleHeader(std::string_view line, PuzzleColumns& columns,
                                  CsvFields& fields) {
    struct Wanted {
        std::string_view name;
        std::size_t PuzzleColumns::*column;
        bool needed;
    };
    constexpr Wanted kWanted[] = {
        {"PuzzleId", &PuzzleColumns::puzzleId, true}, {"FEN", &PuzzleColumns::fen, true},
        {"Moves", &PuzzleColumns::moves, true},       {"Themes", &PuzzleColumns::themes, true},
        {"Rating", &PuzzleColumns::rating, false},
    };
    columns = PuzzleColumns{};
    splitCsvLine(line, fields);
    PuzzleColumns found;
    for (std::size_t i = 0; i < fields.ends.size(); ++i) {
        for (const Wanted& w : kWanted) {
            if (found.*w.column == PuzzleColumns::kAbsent && namesColumn(fields.field(i), w.name)) {
                found.*w.column = i;
            }
        }
    }
    found.fieldsNeeded = 0;
    for (const Wanted& w : kWanted) {
        const std::size_t at = found.*w.column;
        if (at == PuzzleColumns::kAbsent) {
            if (w.needed) return w.name;
            continue;
        }
        if (at + 1 > found.fieldsNeeded) found.fieldsNeeded = at + 1;
    }
    columns = found;
    return {};
}

int mateLengthOfThemes(std::string_view themes) {
    std::string_view rest = themes;
    while (!rest.empty()) {
        const std::string_view theme = cutField(rest);
        if (theme.size() != kMateTheme.size() + 1) continue;
        if (!equalsIgnoreCase(theme.substr(0, kMateTheme.size()), kMateTheme)) continue;
        const char n = theme.back();
        if (n >= '1' && n <= '0' + kLongestThemeMate) return n - '0';
    }
    return 0;
}

void appendPuzzleOpcodes(const CsvFields& fields, const PuzzleColumns& columns,
                         std::string& record) {
    const int mate = mateLengthOfThemes(fields.field(columns.themes));
    if (mate != 0) {
        record.append(" bm #");
        appendDecimal(record, mate);
        record.push_back(';');
    }
    record.append(" id ");
    appendIdOperand(trimText(fields.field(columns.puzzleId)), record);
    record.push_back(';');
    if (columns.rating != PuzzleColumns::kAbsent) {
        const std::string_view rating = trimText(fields.field(columns.rating));
        if (allDigits(rating)) {
            record.append(" rating ");
            record.append(rating);
            record.push_back(';');
        }
    }
}

PuzzleVerdict puzzleRecord(std::string_view line, const PuzzleColumns& columns, CsvFields& fields,
                           std::string& record) {
    if (trimText(line).empty()) return PuzzleVerdict::Blank;
    splitCsvLine(line, fields);
    if (fields.ends.size() < columns.fieldsNeeded) return PuzzleVerdict::TooFewFields;
    const std::string_view fen = trimText(fields.field(columns.fen));
    std::string_view moves = trimText(fields.field(columns.moves));
    const std::string_view firstMove = cutField(moves);
    assignFenFields(fen, record);
    PuzzleVerdict verdict = PuzzleVerdict::IllegalMove;
    if (const std::optional<Position> before = positionFromFields(record)) {
        if (const std::optional<Move> move = moveFromUci(*before, firstMove)) {
            record.clear();
            appendFields(afterMove(*before, *move), record);
            verdict = PuzzleVerdict::Record;
        }
    }
    appendPuzzleOpcodes(fields, columns, record);
    return verdict;
}

}  // namespace vestrel
