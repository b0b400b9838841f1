#pragma once
// Duplicate, mirror and illegal marking: the seen-position test of each record, logged with
// an id tag and counted (dropped silently in the database modes).

#include <cstdint>
#include <string>
#include <string_view>

#include "base/output.h"
#include "base/settings.h"
#include "filter/seen_set.h"
#include "input/epd_line.h"

namespace vestrel {

enum class MarkVerdict { Passed, Marked };

// What marking keeps from record to record.
struct Marking {
    SeenSet seen;
    std::int64_t duplicates = 0;  // records marked as duplicates or mirror images
    std::int64_t illegal = 0;
    std::string twin;  // --canonical: the colour-reversed twin of the key being marked
};

// A record that passed the filters, with its position key built before its turn to be marked.
struct PendingRecord {
    SplitRecord split;
    std::string key;
    BoardScan board;  // the placement read as a board, when /p or the mirror test needs it
    SeenTicket ticket;
};

// The seen-position rules the options ask for: /1, /2, /xy and /hc.
SeenPolicy seenPolicy(const RunSettings& settings);

// Position fields plus the solution part: " bm " and the stipulation up to its "#" or "=",
// or " bm #". The move count stays out, so mates in 2 and in 3 of one position collide.
void buildPositionKey(std::string_view positionFields, std::string_view opcodeText,
                      std::string& key);

// The key of a database line; false for empty and comment lines. The line is taken as it
// stands: up to the solution mark when it has one, else its first four fields and " bm #",
// and never past a ";".
bool databaseLineKey(std::string_view line, std::string& key);

// Builds the record's key and asks the seen set for the memory its marking will read, so that
// the look-ups of several records prepared ahead wait for memory together.
void prepareMark(PendingRecord& record, const RunSettings& settings, const Marking& marking);

// Marks a duplicate, mirror image or (with /p) illegal position, writing its log line and
// counting it outside the database modes. Records are marked in the order they came.
MarkVerdict markRecord(const PendingRecord& record, const RunSettings& settings, Marking& marking,
                       BufferedWriter& log);

}  // namespace vestrel
