#include "filter/marking.h"

#include <array>

#include "position/board.h"
#include "position/canonical.h"
#include "position/legality.h"
#include "position/mirror.h"
#include "position/placement.h"
#include "position/symmetry.h"
#include "text/text.h"

namespace vestrel {

namespace {

constexpr std::string_view kDefaultSolution = " bm #";

// The log tag of each seen verdict, in SeenVerdict order; New has none.
constexpr std::array<std::string_view, 9> kSeenTags = {
    "",         kDuplicateTag, "mirror-x",  "mirror-y",   "mirror-xy",
    "mirror-d", "mirror-dx",   "mirror-dy", "mirror-dxy",
};

// The same for a record that matches the colour-reversed twin of a stored key (--canonical).
constexpr std::array<std::string_view, 9> kTwinTags = {
    "",          "mirror-c",   "mirror-cx",  "mirror-cy",   "mirror-cxy",
    "mirror-cd", "mirror-cdx", "mirror-cdy", "mirror-cdxy",
};

// --canonical: a key without pawns also matches its colour-reversed twin (and, with /xy,
// the twin's images). The twin is never stored; its look-up is prepared with the key's.
void prepareTwin(PendingRecord& record, const Marking& marking) {
    record.twin.clear();
    if (placementHasPawn(record.keyText)) return;
    colourReversedImage(record.keyText, record.twin);
    marking.seen.prepareLookUp(record.twin, record.twinTicket);
}

// Where the first " bm " of the text begins; npos when it has none. Its "m" is found first:
// the position fields hold no "m", so on the usual line the first "m" is that of " bm ".
std::size_t findBestMove(std::string_view text) {
    for (std::size_t m = text.find('m', 2); m != std::string_view::npos;
         m = text.find('m', m + 1)) {
        if (m + 1 < text.size() && text[m + 1] == ' ' && text[m - 1] == 'b' && text[m - 2] == ' ') {
            return m - 2;
        }
    }
    return std::string_view::npos;
}

// solutionEnd past its usual shapes. The mark is the first "#" (the first "=" when there is no
// "#"), and it has to stand right after the first " bm " or one letter later ("#3", "h#2").
std::size_t searchedSolutionEnd(std::string_view text) {
    const std::size_t bm = text.starts_with(" bm ") ? 0 : findBestMove(text);
    if (bm == std::string_view::npos) return std::string_view::npos;
    std::size_t mark = text.find('#');
    if (mark == std::string_view::npos) mark = text.find('=');
    if (mark == std::string_view::npos || mark < bm + 4 || mark > bm + 5) {
        return std::string_view::npos;
    }
    return mark + 1;
}

// Where the solution part of the text ends: just after the first "#" (or, with no "#", the
// first "=") when it follows the first " bm " directly or after one letter ("#3", "h#2").
// Inline, so that the usual shapes are told apart where it is asked, without a call.
inline std::size_t solutionEnd(std::string_view text) {
    // Most keys' texts start with " bm #" or " bm h#": no search at all then.
    if (text.starts_with(" bm ")) {
        if (text.size() > 4 && text[4] == '#') return 5;
        if (text.size() > 5 && text[5] == '#') return 6;
    }
    return searchedSolutionEnd(text);
}

// The length of the usual solution part "bm #2" or "bm h#2" at the start of the opcode text,
// up to its "#"; npos when the text does not start so.
std::size_t leadingSolutionLength(std::string_view opcodeText) {
    if (!opcodeText.starts_with("bm ")) return std::string_view::npos;
    const std::size_t mark = opcodeText.size() > 3 && opcodeText[3] == '#' ? 3 : 4;
    return mark < opcodeText.size() && opcodeText[mark] == '#' ? mark + 1 : std::string_view::npos;
}

// The key of a record that is its line: a view of the line, or built in `key`. Such a line has
// a space and its opcode text after its fields, the text buildPositionKey searches: a key that
// ends in the solution is the start of the line.
std::string_view lineKey(const LineParts& plain, std::string& key) {
    const std::string_view fields = plain.positionFields;
    const std::size_t end = solutionEnd(plain.line.substr(fields.size()));
    if (end != std::string_view::npos) return plain.line.substr(0, fields.size() + end);
    key.assign(fields);
    key.append(kDefaultSolution);
    return key;
}

// --canonical: the key begins with the fields, so an en-passant square ends both. The fields
// of nearly every key end in "-": those keep their key as it is, a view or not.
std::string_view canonicalKey(std::string_view keyText, std::string_view fields,
                              const MarkSettings& settings, std::string& key) {
    if (!settings.canonicalKeys || fields.empty() || fields.back() == '-') return keyText;
    if (keyText.data() != key.data()) key.assign(keyText);
    dropUnusableEnPassant(key);
    return key;
}

// Keeps the id text of the verdict, and the log line's end after the position fields, from
// one marked record to the next: a run of records set aside for one reason builds them once,
// and each log line is written in two pieces. The tag and the reason are views of texts that
// live as long as the program, so the same two views give the same text.
void keepTag(Marking& marking, std::string_view tag, std::string_view reason) {
    const auto same = [](std::string_view a, std::string_view b) {
        return a.data() == b.data() && a.size() == b.size();
    };
    if (same(tag, marking.tagFrom) && same(reason, marking.reasonFrom)) return;
    marking.tagFrom = tag;
    marking.reasonFrom = reason;
    marking.tag.assign(tag);
    marking.tag.append(reason);
    marking.logEnd.assign(" id \"");
    marking.logEnd.append(marking.tag);
    marking.logEnd.append("\";");
    marking.logEnd.append(kLineEnd);
}

}  // namespace

void buildPositionKey(std::string_view positionFields, std::string_view opcodeText,
                      std::string& key) {
    // The solution is searched in " " + opcodeText, so that "bm " at its start counts.
    key.assign(positionFields);
    const std::size_t from = key.size();
    key.push_back(' ');
    // The usual "bm #2" or "bm h#2" first: only the solution part is copied.
    const std::size_t leading = leadingSolutionLength(opcodeText);
    if (leading != std::string_view::npos) {
        key.append(opcodeText.substr(0, leading));
        return;
    }
    key.append(opcodeText);
    const std::size_t end = solutionEnd(std::string_view(key).substr(from));
    if (end != std::string_view::npos) {
        key.resize(from + end);
        return;
    }
    key.resize(from);
    key.append(kDefaultSolution);
}

bool databaseLineKey(std::string_view line, std::string& scratch, std::string_view& key) {
    if (line.empty() || line[0] == '%') return false;
    const std::size_t end = solutionEnd(line);
    if (end != std::string_view::npos) {
        key = line.substr(0, end);
    } else {
        // Keep the four position fields: cut before the fourth blank.
        std::size_t blank = line.find(' ');
        for (int i = 1; i < 4 && blank != std::string_view::npos; ++i) {
            blank = line.find(' ', blank + 1);
        }
        scratch.assign(line.substr(0, blank));
        scratch.append(kDefaultSolution);
        key = scratch;
    }
    key = key.substr(0, key.find(';'));
    return true;
}

void prepareMark(PendingRecord& record, const MarkSettings& settings, const Marking& marking) {
    const std::string_view fields = record.positionFields();
    const bool isLine = !record.plain.line.empty();
    if (isLine) {
        record.keyText = lineKey(record.plain, record.key);
    } else {
        buildPositionKey(fields, record.opcodeText(), record.key);
        record.keyText = record.key;
    }
    record.keyText = canonicalKey(record.keyText, fields, settings, record.key);
    if (settings.canonicalKeys) prepareTwin(record, marking);
    if (record.verdictsAhead) {
        marking.seen.prepare(record.keyText, record.verdicts.symmetry, record.ticket);
        return;
    }
    // The key begins with the position fields, so one scan serves both tests.
    if (!isLine && readsBoards(settings, marking)) scanBoard(record.keyText, record.board);
    marking.seen.prepare(record.keyText, record.board, record.ticket);
}

PlacementVerdicts placementVerdicts(const LineParts& plain, const BoardScan& board,
                                    const MarkSettings& settings, bool readsBoards,
                                    std::string& key) {
    PlacementVerdicts verdicts;
    const std::string_view fields = plain.positionFields;
    if (readsBoards) {
        const std::string_view keyText = canonicalKey(lineKey(plain, key), fields, settings, key);
        verdicts.symmetry = analyseSymmetry(board, keyText);
    }
    if (settings.fullLegalityTest) verdicts.reason = illegalReason(board, fields);
    if (settings.legalityTest) verdicts.rule = validatePosition(board, fields);
    return verdicts;
}

MarkVerdict markRecord(const PendingRecord& record, const MarkSettings& settings, Marking& marking,
                       BufferedWriter& log) {
    const std::string_view fields = record.positionFields();
    std::string_view tag;
    std::string_view reason;  // --legal: why the position is illegal
    bool duplicate = true;    // a duplicate or mirror image, else illegal
    // A puzzle whose first move is not legal never enters the seen set.
    const SeenVerdict seen =
        record.illegalMove ? SeenVerdict::New : marking.seen.mark(record.keyText, record.ticket);
    const SeenVerdict twin = seen == SeenVerdict::New && settings.canonicalKeys &&
                                     !record.illegalMove && !record.twin.empty()
                                 ? marking.seen.lookUp(record.twin, record.twinTicket)
                                 : SeenVerdict::New;
    marking.lastSeen = seen;
    if (seen != SeenVerdict::New) {
        tag = kSeenTags[std::size_t(seen)];
    } else if (twin != SeenVerdict::New) {
        tag = kTwinTags[std::size_t(twin)];
    } else if (record.illegalMove) {
        tag = "illegal";
        duplicate = false;
    } else if (settings.fullLegalityTest &&
               !(reason = record.verdictsAhead ? record.verdicts.reason
                                               : illegalReason(record.board, fields))
                    .empty()) {
        tag = "illegal: ";
        duplicate = false;
    } else if (settings.legalityTest &&
               (record.verdictsAhead
                    ? record.verdicts.rule
                    : validatePosition(record.board, fields)) != PositionRule::Legal) {
        tag = "illegal";
        duplicate = false;
    } else {
        return MarkVerdict::Passed;
    }
    keepTag(marking, tag, reason);
    // The database modes drop marked records without a trace.
    if (settings.silent) return MarkVerdict::Marked;
    ++(duplicate ? marking.duplicates : marking.illegal);
    writePieces(log, {fields, marking.logEnd});
    return MarkVerdict::Marked;
}

void keepDuplicateTag(Marking& marking) { keepTag(marking, kDuplicateTag, {}); }

}  // namespace vestrel
