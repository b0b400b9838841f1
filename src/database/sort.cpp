#include "database/sort.h"

#include <algorithm>
#include <cstdint>
#include <thread>

#include "base/line_reader.h"
#include "base/output.h"
#include "base/platform.h"
#include "database/radix_sort.h"
#include "database/rewrite.h"
#include "database/shell_replay.h"
#include "database/sort_writer.h"
#include "text/text.h"

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

// Below this many entries the sort runs on one thread: starting more costs more than it saves.
constexpr std::size_t kParallelMinimum = std::size_t{1} << 17;
// More threads than this share the memory bandwidth rather than the work.
constexpr unsigned kMaxThreads = 8;

// The threads to sort `entries` entries on: as many as the processors, within limits.
unsigned sortThreads(std::size_t entries) {
    if (entries < kParallelMinimum) return 1;
    return std::clamp(std::thread::hardware_concurrency(), 1u, kMaxThreads);
}

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

// Reads every problem line into the table and the last header line into `header`. A large
// database is read mapped, and its lines stay there: a fresh page of memory for a copy costs
// more than a page of the file that is in memory already. The lines the reader has to put
// together (a CR inside) are copied. Another program that shortens a mapped database before
// the sort has written the new file ends the run with a bus error, which removes the
// temporary file as an interrupt does: the database stays as that program left it.
void readEntries(LineReader& reader, EntryTable& table, std::string& header) {
    if (reader.mappedBytes != 0) {
        table.mapped = reader.bytes;
        table.mappedBytes = reader.mappedBytes;
    }
    reserveTable(table, fileSize(reader.fd));
    std::string work;
    std::string_view line;
    while (nextLine(reader, line)) {
        if (isHeaderLine(line)) {
            header.assign(line);
            continue;
        }
        if (line.empty() || line[0] == '%') continue;
        addEntry(table, line, table.mapped != nullptr && lineAtHand(reader), work);
    }
}

}  // namespace

FileStatus sortDatabase(const RunSettings& settings, std::chrono::steady_clock::time_point start) {
    const std::string& stem = settings.databaseStem;
    Rewrite rewrite;
    LineReader reader;
    reader.mapsLargeFiles = true;
    const FileStatus begun = beginDatabaseRewrite(rewrite, reader, stem);
    if (begun != FileStatus::Ok) return begun;
    skipByteOrderMark(reader);
    writeError("\nReading ... ");

    EntryTable table;
    std::string header;
    readEntries(reader, table, header);
    const FileStatus readEnd = databaseReadEnd(reader);
    if (readEnd != FileStatus::Ok) {
        closeLineReader(reader);
        abandonRewrite(rewrite);
        return readEnd;
    }

    writeError("\nSorting ... ");
    const unsigned threads = sortThreads(table.size());
    sortEntries(table, threads);

    writeError("\nWriting ... ");
    const bool defaultDatabase = stem == kDefaultStem;
    writeSorted(rewrite, table, header, defaultDatabase, threads);
    // The lines may lie in the mapped database, which Windows moves no file onto.
    closeLineReader(reader);
    if (!commitRewrite(rewrite)) return FileStatus::DatabaseNotWritten;
    // The default database is dated today, 18:00 local time; a failure leaves the date as it is.
    if (defaultDatabase) setModificationHourToday(rewrite.databasePath, 18);

    std::string closing(kLineEnd);
    closing.push_back('\n');
    appendDecimal(closing, static_cast<long long>(table.size()));
    closing.append(" EPD-lines sorted in \"");
    closing.append(stem);
    closing.append(".epd\"  (");
    appendElapsedSeconds(closing, start);
    closing.append(" sec)");
    closing.append(kLineEnd);
    writeError(closing);
    return FileStatus::Ok;
}

}  // namespace vestrel
