#include "database/sort_writer.h"

#include <algorithm>
#include <exception>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "database/shell_replay.h"
#include "database/threads.h"

namespace vestrel {

namespace {

// Entries per piece of the file that a thread puts together: about a megabyte of text. Four
// pieces are held at a time (two being put together, two being written).
constexpr std::size_t kPieceEntries = std::size_t{1} << 13;

// Same text in characters [from, from + count) of two keys (missing characters count as none).
bool sameField(std::string_view a, std::string_view b, std::size_t from, std::size_t count) {
    const auto field = [&](std::string_view s) {
        return from < s.size() ? s.substr(from, count) : std::string_view();
    };
    return field(a) == field(b);
}

// The key of the item at place k of the sorted order, written into `bytes`.
std::string_view keyAt(const EntryTable& table, std::size_t k, char (&bytes)[kHeadBytes]) {
    for (std::size_t w = 0; w < 3; ++w) storeWord(bytes + 8 * w, headWord(table.items[k], w));
    return std::string_view(bytes, kKeyLength);
}

void appendLine(std::string& out, std::string_view line) {
    out.append(line);
    out.append("\r\n");
}

// The text of the entries at places [from, to) of the sorted order, each after the empty
// line and section comment that its group starts with. The entry before the first one is the
// header comment, or an empty text when none was read.
void appendEntries(const EntryTable& table, std::string_view header, bool defaultDatabase,
                   std::size_t from, std::size_t to, std::string& out) {
    char keys[2][kHeadBytes];
    std::string_view previous = from == 0 ? header : keyAt(table, from - 1, keys[1]);
    for (std::size_t k = from; k < to; ++k) {
        const std::string_view key = keyAt(table, k, keys[k % 2]);
        if (key.substr(0, 2) == " #") {
            if (!sameField(key, previous, 2, 3)) appendLine(out, "");
        } else if (!sameField(key, previous, 0, 2)) {
            appendLine(out, "");
            if (defaultDatabase && previous.substr(0, 2) == " #") {
                appendLine(out, "% Special problem types:");
                appendLine(out, "");
            }
        }
        // The lines lie all over memory: fetch the ones a few places ahead.
        if (k + kPrefetchAhead < to) {
            const char* ahead = lineData(table, entryAt(table, k + kPrefetchAhead));
            __builtin_prefetch(ahead);
            __builtin_prefetch(ahead + 64);
        }
        if (k + 2 * kPrefetchAhead < to) {
            __builtin_prefetch(table.spans.data() + entryAt(table, k + 2 * kPrefetchAhead));
        }
        appendLine(out, lineText(table, entryAt(table, k)));
        previous = key;
    }
}

// Writes batches of pieces in order, each while the next one is put together: on a thread of
// its own when `overlap` allows and a thread can be started, else at once.
class BatchWriter {
public:
    BatchWriter(Rewrite& rewrite, bool overlap) : rewrite_(rewrite), overlap_(overlap) {}
    BatchWriter(const BatchWriter&) = delete;
    BatchWriter& operator=(const BatchWriter&) = delete;
    ~BatchWriter() { wait(); }

    // Starts writing `pieces`, which stay untouched until the next call or finish().
    void write(const std::vector<std::string>& pieces) {
        finish();
        if (overlap_) {
            try {
                thread_ = std::thread([this, &pieces] { writeGuarded(pieces); });
                return;
            } catch (const std::system_error&) {
                overlap_ = false;  // no thread to be had: write at once from now on
            }
        }
        writeAll(pieces);
    }

    // Waits for the batch being written; an exception it met comes back here.
    void finish() {
        wait();
        if (failure_) std::rethrow_exception(std::exchange(failure_, nullptr));
    }

private:
    void writeAll(const std::vector<std::string>& pieces) {
        for (const std::string& piece : pieces) rewriteBytes(rewrite_, piece);
    }
    void writeGuarded(const std::vector<std::string>& pieces) {
        try {
            writeAll(pieces);
        } catch (...) {
            failure_ = std::current_exception();
        }
    }
    void wait() {
        if (thread_.joinable()) thread_.join();
    }

    Rewrite& rewrite_;
    bool overlap_;
    std::thread thread_;
    std::exception_ptr failure_;
};

}  // namespace

void writeSorted(Rewrite& rewrite, const EntryTable& table, std::string_view header,
                 bool defaultDatabase, unsigned threads) {
    // Pieces of a megabyte are written as they are, with no copy: direct writes would need
    // one into their aligned blocks, and cost more time than the file cache they save.
    rewrite.out.directFrom = 0;
    if (defaultDatabase) rewriteLine(rewrite, header);
    // Threads put the pieces of a batch together side by side; while they do, the batch before
    // is written, in order, on a thread of its own.
    const std::size_t perBatch = std::max(threads, 1u);
    std::vector<std::string> pieces[2];
    pieces[0].resize(perBatch);
    pieces[1].resize(perBatch);
    const std::size_t n = table.size();
    BatchWriter writer(rewrite, threads > 1);
    for (std::size_t batch = 0; batch * perBatch * kPieceEntries < n; ++batch) {
        std::vector<std::string>& set = pieces[batch % 2];
        const std::size_t first = batch * perBatch * kPieceEntries;
        runParts(static_cast<unsigned>(perBatch), [&](unsigned t) {
            const std::size_t from = std::min(n, first + t * kPieceEntries);
            set[t].clear();
            appendEntries(table, header, defaultDatabase, from, std::min(n, from + kPieceEntries),
                          set[t]);
        });
        writer.write(set);
    }
    writer.finish();
    rewriteLine(rewrite, "");
    if (defaultDatabase) {
        rewriteLine(rewrite, "% New problem updates:");
        rewriteLine(rewrite, "");
    }
}

}  // namespace vestrel
