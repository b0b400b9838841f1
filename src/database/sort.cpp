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
#include "database/sort_reader.h"
#include "database/sort_writer.h"
#include "text/text.h"

namespace vestrel {

namespace {

// Below this many entries the sort runs on one thread: starting more costs more than it saves.
constexpr std::size_t kParallelMinimum = std::size_t{1} << 17;
// More threads than this share the memory bandwidth rather than the work.
constexpr unsigned kMaxThreads = 8;

// Below this many entries the sorted file is put together by one thread: the pieces that
// several threads fill hold a few megabytes more, and on a 1M-line database that would lift
// the peak memory over 150 MiB for no time that could be measured.
constexpr std::size_t kParallelWriteMinimum = std::size_t{1} << 22;

// The threads to sort `entries` entries on: as many as the processors, within limits.
unsigned sortThreads(std::size_t entries) {
    if (entries < kParallelMinimum) return 1;
    return std::clamp(std::thread::hardware_concurrency(), 1u, kMaxThreads);
}

unsigned writeThreads(std::size_t entries) {
    return entries < kParallelWriteMinimum ? 1 : sortThreads(entries);
}

}  // namespace

FileStatus sortDatabase(const RunSettings& settings, std::chrono::steady_clock::time_point start,
                        unsigned threads) {
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
    const FileStatus readEnd =
        readEntries(reader, table, header,
                    threads != 0 ? threads : sortThreads(expectedEntries(fileSize(reader.fd))));
    if (readEnd != FileStatus::Ok) {
        closeLineReader(reader);
        abandonRewrite(rewrite);
        return readEnd;
    }

    writeError("\nSorting ... ");
    sortEntries(table, threads != 0 ? threads : sortThreads(table.size()));

    writeError("\nWriting ... ");
    const bool defaultDatabase = stem == kDefaultStem;
    writeSorted(rewrite, table, header, defaultDatabase,
                threads != 0 ? threads : writeThreads(table.size()));
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
