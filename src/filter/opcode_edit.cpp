#include "filter/opcode_edit.h"

#include "text/text.h"

namespace vestrel {

namespace {

// Where " name " first occurs in `text`, as the index of its leading space; npos when the name
// is not there or cannot name an opcode (empty, or not starting with "@" or a letter).
std::size_t findItem(std::string_view text, std::string_view name) {
    if (name.empty()) return std::string_view::npos;
    const char first = toUpperAscii(name[0]);
    if (first != '@' && !isUpperLetter(first)) return std::string_view::npos;
    for (std::size_t at = text.find(name, 1); at != std::string_view::npos;
         at = text.find(name, at + 1)) {
        const std::size_t after = at + name.size();
        if (text[at - 1] == ' ' && after < text.size() && text[after] == ' ') return at - 1;
    }
    return std::string_view::npos;
}

// Length of the opcode unit that starts at `start`: up to and including the first ";" after
// the name, or to the end of the text.
std::size_t unitLength(std::string_view text, std::size_t start, std::size_t nameLength) {
    const std::size_t semicolon = text.find(';', start + 1 + nameLength);
    return semicolon == std::string_view::npos ? text.size() - start : semicolon + 1 - start;
}

// Puts " " + trimmed opcode text into `work`, the form both edits search.
void prepareSearchText(std::string_view opcodeText, std::string& work) {
    work.assign(1, ' ');
    work.append(trimText(opcodeText));
}

}  // namespace

void buildOutputLine(std::string_view positionFields, std::string& opcodeText,
                     const OutputLineSettings& settings, std::string& line, std::string& scratch) {
    // /d applies only to the default output: a given /a replaces it.
    if (!opcodeText.empty() && settings.append == OpcodeChoice::All &&
        !settings.deleteNames.empty()) {
        prepareSearchText(opcodeText, scratch);
        for (const std::string& name : settings.deleteNames) {
            const std::size_t at = findItem(scratch, name);
            if (at != std::string::npos) scratch.erase(at, unitLength(scratch, at, name.size()));
        }
        opcodeText.assign(trimText(scratch));
    }

    line.assign(positionFields);
    if (opcodeText.empty() || settings.append == OpcodeChoice::None) return;
    if (settings.append == OpcodeChoice::All) {
        line.push_back(' ');
        line.append(opcodeText);
        if (line.back() != ';') line.push_back(';');
        return;
    }

    // Selection: units in list order; each found unit leaves the search text, so a name given
    // twice takes the first and the second occurrence.
    prepareSearchText(opcodeText, scratch);
    for (const std::string& name : settings.appendNames) {
        const std::size_t at = findItem(scratch, name);
        if (at == std::string::npos) continue;
        const std::size_t length = unitLength(scratch, at, name.size());
        line.append(scratch, at, length);
        scratch.erase(at, length);
    }
}

}  // namespace vestrel
