#pragma once
// Duplicate, mirror and illegal marking: the seen-position test of each record, logged with
// an id tag and counted (dropped silently in the database modes).

#include <cstdint>
#include <string>
#include <string_view>

#include "base/output.h"
#include "filter/repeated_lines.h"
#include "filter/seen_set.h"
#include "input/epd_line.h"
#include "position/board.h"

namespace vestrel {

enum class MarkVerdict { Passed, Marked };

// What marking takes from the options, besides the seen-set rules of SeenPolicy.
struct MarkSettings {
    bool legalityTest = false;      // /p: set aside positions that break the static rules
    bool fullLegalityTest = false;  // --legal: those, and checks, last move and material
    bool canonicalKeys = false;     // --canonical: unusable e.p. squares, colour-reversed twins
    bool silent = false;            // /u and /u+ drop marked records without a log line or count
};

// What marking keeps from record to record.
struct Marking {
    SeenSet seen;
    std::int64_t duplicates = 0;  // records marked as duplicates or mirror images
    std::int64_t illegal = 0;
    std::string tag;     // the id text of the last record marked, for the report
    std::string logEnd;  // its log line after the position fields: ` id "TAG";` and CR LF
    // The verdict's tag and reason that `tag` was built from (static texts), to tell when it
    // changes without comparing the texts.
    std::string_view tagFrom, reasonFrom;
    SeenVerdict lastSeen = SeenVerdict::New;  // the seen-set verdict on the last record marked
};

// What marking reads from a record's board: the symmetry of its key, when the seen set reads
// boards, and the verdicts of the position tests the settings ask for.
struct PlacementVerdicts {
    KeySymmetry symmetry;
    PositionRule rule = PositionRule::Legal;  // /p
    std::string_view reason;                  // --legal: why the position is illegal, or empty
};

// A record that passed the filters, with its position key built before its turn to be marked.
struct PendingRecord {
    SplitRecord split;
    LineParts plain;  // a record that is its input line: views into it, `split` left unused
    bool illegalMove = false;  // a puzzle whose first move is not legal: set aside as illegal
    // A line met before byte for byte: its entry in RepeatedLines, whose log line it gets;
    // `plain` holds its line and position fields, and nothing else is worked out.
    RepeatedLines::Entry repeated = RepeatedLines::kNone;
    std::string key;
    std::string_view keyText;  // the key: `key`, or the start of the plain line
    // The placement read as a board, when readsBoards(); a record that is its line has it read
    // by splitPlainLine.
    BoardScan board;
    // What marking needs of the board, worked out from it on another thread (`verdictsAhead`):
    // `board` is then not read.
    bool verdictsAhead = false;
    PlacementVerdicts verdicts;
    SeenTicket ticket;
    // --canonical: the colour-reversed twin of a key without pawns, prepared for its look-up;
    // empty for a key with pawns, which has no twin to look up.
    std::string twin;
    SeenTicket twinTicket;

    std::string_view positionFields() const {
        return plain.line.empty() ? std::string_view(split.positionFields) : plain.positionFields;
    }
    std::string_view opcodeText() const {
        return plain.line.empty() ? std::string_view(split.opcodeText) : plain.opcodeText;
    }
};

// Position fields plus the solution part: " bm " and the stipulation up to its "#" or "=",
// or " bm #". The move count stays out, so mates in 2 and in 3 of one position collide.
void buildPositionKey(std::string_view positionFields, std::string_view opcodeText,
                      std::string& key);

// The key of a database line; false for empty and comment lines. The line is taken as it
// stands: up to the solution mark when it has one, else its first four fields and " bm #",
// and never past a ";". The key is a view of the line, or of `scratch` where it is built.
bool databaseLineKey(std::string_view line, std::string& scratch, std::string_view& key);

// True when marking reads each record's placement as a board: /p, --legal, the mirror test.
inline bool readsBoards(const MarkSettings& settings, const Marking& marking) {
    return settings.legalityTest || settings.fullLegalityTest || marking.seen.readsBoards();
}

// Builds the record's key and asks the seen set for the memory its marking will read, so that
// the look-ups of several records prepared ahead wait for memory together.
void prepareMark(PendingRecord& record, const MarkSettings& settings, const Marking& marking);

// PlacementVerdicts of a line that is its own record (`plain`), its placement read as `board`;
// `readsBoards` is the seen set's. Touches nothing but `key`, its room for the key: threads
// may work out the verdicts of lines side by side.
PlacementVerdicts placementVerdicts(const LineParts& plain, const BoardScan& board,
                                    const MarkSettings& settings, bool readsBoards,
                                    std::string& key);

// Marks a duplicate, mirror image or (with /p) illegal position, writing its log line and
// counting it outside the database modes. Records are marked in the order they came.
MarkVerdict markRecord(const PendingRecord& record, const MarkSettings& settings, Marking& marking,
                       BufferedWriter& log);

// The id tag of a duplicate.
inline constexpr std::string_view kDuplicateTag = "duplicate";

// Makes the duplicate's tag the one kept (Marking::tag, logEnd).
void keepDuplicateTag(Marking& marking);

// Marks a line met again byte for byte as the duplicate it was the last time: the same count
// as markRecord's, and `logLine`, the log line markRecord gave it. Inline: in a collection that
// repeats itself, most lines come this way.
inline MarkVerdict markRepeated(std::string_view logLine, const MarkSettings& settings,
                                Marking& marking, BufferedWriter& log) {
    marking.lastSeen = SeenVerdict::Duplicate;
    if (marking.tagFrom.data() != kDuplicateTag.data() || marking.reasonFrom.data() != nullptr ||
        !marking.reasonFrom.empty()) {
        keepDuplicateTag(marking);
    }
    if (settings.silent) return MarkVerdict::Marked;
    ++marking.duplicates;
    writePieces(log, {logLine});
    return MarkVerdict::Marked;
}

}  // namespace vestrel
