#include "database/sort_writer.h"

#include "database/shell_replay.h"

namespace vestrel {

namespace {

// Same text in characters [from, from + count) of two keys (missing characters count as none).
bool sameField(std::string_view a, std::string_view b, std::size_t from, std::size_t count) {
    const auto field = [&](std::string_view s) {
        return from < s.size() ? s.substr(from, count) : std::string_view();
    };
    return field(a) == field(b);
}

}  // namespace

void writeSorted(Rewrite& rewrite, const EntryTable& table, std::string_view header,
                 bool defaultDatabase) {
    if (defaultDatabase) rewriteLine(rewrite, header);
    char keys[2][kHeadBytes];
    std::string_view previous = header;
    for (std::size_t k = 0; k < table.size(); ++k) {
        const SortItem& item = table.items[k];
        char* keyBytes = keys[k % 2];
        for (std::size_t w = 0; w < 3; ++w) storeWord(keyBytes + 8 * w, headWord(item, w));
        const std::string_view key(keyBytes, kKeyLength);
        if (key.substr(0, 2) == " #") {
            if (!sameField(key, previous, 2, 3)) rewriteLine(rewrite, "");
        } else if (!sameField(key, previous, 0, 2)) {
            rewriteLine(rewrite, "");
            if (defaultDatabase && previous.substr(0, 2) == " #") {
                rewriteLine(rewrite, "% Special problem types:");
                rewriteLine(rewrite, "");
            }
        }
        const std::size_t entry = entryAt(table, k);
        // The lines lie all over memory: fetch the ones a few places ahead.
        if (k + kPrefetchAhead < table.size()) {
            const char* ahead = lineData(table, entryAt(table, k + kPrefetchAhead));
            __builtin_prefetch(ahead);
            __builtin_prefetch(ahead + 64);
        }
        if (k + 2 * kPrefetchAhead < table.size()) {
            __builtin_prefetch(table.spans.data() + entryAt(table, k + 2 * kPrefetchAhead));
        }
        rewriteLine(rewrite, lineText(table, entry));
        previous = key;
    }
    rewriteLine(rewrite, "");
    if (defaultDatabase) {
        rewriteLine(rewrite, "% New problem updates:");
        rewriteLine(rewrite, "");
    }
}

}  // namespace vestrel
