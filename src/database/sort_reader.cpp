#include "database/sort_reader.h"

#include <cstring>
#include <string_view>
#include <vector>

#include "base/platform.h"
#include "base/settings.h"
#include "database/rewrite.h"
#include "database/threads.h"

namespace vestrel {

namespace {

// The bytes a problem line takes at the least, in practice: room for the entries of a file of
// a given size is made at once for this length; shorter lines grow the table as they come.
constexpr std::uint64_t kLineBytesGuess = 32;

// The table of a larger file goes to small pages. Under a hypervisor that takes freed memory
// back, a fresh huge page costs about five times as much to fault in: on a database of ten
// million lines (1 GB) /u- took a median 7.9 s of CPU time with small pages for its copied
// lines against 9.3 s with huge pages, interleaved, the system time falling from 4.1 to 2.2 s
// while reading the lines in sorted order took 0.6 s more. Read mapped, the same database
// took 1.5 s of system time with its entries on small pages against 2.5 s on huge pages
// (medians of six, interleaved), and the system time varied far less.
constexpr std::uint64_t kHugePageFileBytes = std::uint64_t{64} << 20;

// Below this size a database is read by one thread: each further stretch builds a table of
// its own that is then copied, which would lift the peak memory of a 1M-line database (105 MB)
// from 150 to 165 MiB for a few hundredths of a second.
constexpr std::uint64_t kStretchesMinimumBytes = std::uint64_t{512} << 20;

// The database's own header line: "% " and the default name.
bool isHeaderLine(std::string_view line) {
    return line.starts_with("% ") && line.substr(2).starts_with(kDefaultStem);
}

// Room for the entries of a file of `bytes` bytes, and for their lines unless they stay in the
// mapped file. Memory that is reserved but never filled costs nothing.
void reserveTable(EntryTable& table, std::uint64_t bytes) {
    const auto entries = static_cast<std::size_t>(bytes / kLineBytesGuess);
    const bool hugePages = bytes <= kHugePageFileBytes;
    if (table.mapped == nullptr) {
        table.lines.reserve(static_cast<std::size_t>(bytes) + 1, hugePages);
    }
    table.spans.reserve(entries, hugePages);
    table.items.reserve(entries, hugePages);
    table.smallPages = !hugePages;
}

// A stretch of whole lines of the database, read on a thread of its own.
struct Stretch {
    LineReader* reader = nullptr;  // the database's own reader for the first stretch
    LineReader view;               // over the mapping, for the others
    std::size_t stop = 0;          // the stretch ends where a line starts at or after this byte
    EntryTable table;              // the first stretch's is the table read into
    std::string header;
    bool hasHeader = false;
};

// Reads the lines of a stretch: its problem lines into its table, its last header line.
void readStretch(Stretch& stretch, EntryTable& table) {
    LineReader& reader = *stretch.reader;
    std::string work;
    std::string_view line;
    while (reader.begin < stretch.stop && nextLine(reader, line)) {
        if (isHeaderLine(line)) {
            stretch.header.assign(line);
            stretch.hasHeader = true;
            continue;
        }
        if (line.empty() || line[0] == '%') continue;
        addEntry(table, line, table.mapped != nullptr && lineAtHand(reader), work);
    }
}

// Cuts the mapped database, from where its reader stands, into up to `count` stretches of
// whole lines of about equal size.
std::vector<Stretch> cutStretches(LineReader& reader, unsigned count) {
    std::vector<Stretch> stretches(1);
    std::size_t from = reader.begin;
    for (unsigned t = 1; t < count; ++t) {
        const std::size_t aim =
            std::max(from, reader.begin + (reader.end - reader.begin) / count * t);
        const void* lf = std::memchr(reader.bytes + aim, '\n', reader.end - aim);
        if (lf == nullptr) break;
        from = static_cast<std::size_t>(static_cast<const char*>(lf) - reader.bytes) + 1;
        if (from >= reader.end) break;
        stretches.back().stop = from;
        viewMappedLines(stretches.emplace_back().view, reader, from);
    }
    stretches.back().stop = reader.end + 1;  // the last one reads to the end
    for (Stretch& stretch : stretches) stretch.reader = &stretch.view;
    stretches[0].reader = &reader;
    return stretches;
}

}  // namespace

std::size_t expectedEntries(std::uint64_t bytes) {
    return static_cast<std::size_t>(bytes / kLineBytesGuess);
}

// A large database is read mapped, and its lines stay there: a fresh page of memory for a copy
// costs more than a page of the file that is in memory already. The lines the reader has to
// put together (a CR inside) are copied. Another program that shortens a mapped database
// before the sort has written the new file ends the run with a bus error, which removes the
// temporary file as an interrupt does: the database stays as that program left it.
FileStatus readEntries(LineReader& reader, EntryTable& table, std::string& header,
                       unsigned threads) {
    const std::uint64_t bytes = fileSize(reader.fd);
    if (reader.mappedBytes != 0) {
        table.mapped = reader.bytes;
        table.mappedBytes = reader.mappedBytes;
    }
    reserveTable(table, bytes);
    const bool stretched = table.mapped != nullptr && bytes >= kStretchesMinimumBytes;
    std::vector<Stretch> stretches = cutStretches(reader, stretched ? threads : 1);
    for (std::size_t t = 1; t < stretches.size(); ++t) {
        stretches[t].table.mapped = table.mapped;
        stretches[t].table.mappedBytes = table.mappedBytes;
        reserveTable(stretches[t].table, bytes / stretches.size());
    }
    runParts(static_cast<unsigned>(stretches.size()),
             [&](unsigned t) { readStretch(stretches[t], t == 0 ? table : stretches[t].table); });
    // A stretch that ended early (a Ctrl-Z, a line too long) ends the reading there.
    std::size_t last = 0;
    while (last + 1 < stretches.size() && !stretches[last].reader->ended) ++last;
    for (std::size_t t = 0; t <= last; ++t) {
        if (t > 0) appendTable(table, stretches[t].table);
        if (stretches[t].hasHeader) header = std::move(stretches[t].header);
    }
    return databaseReadEnd(*stretches[last].reader);
}

}  // namespace vestrel
