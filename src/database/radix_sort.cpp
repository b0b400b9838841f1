#include "database/radix_sort.h"

#include <algorithm>
#include <atomic>
#include <iterator>
#include <new>
#include <vector>

#include "database/threads.h"
#include "text/text.h"

namespace vestrel {

namespace {

// Compares two lines from byte `skip` on as if upper-cased, byte by byte, unsigned; a
// proper prefix is smaller. The first `skip` bytes are known to compare equal.
int compareLinesUpper(std::string_view a, std::string_view b, std::size_t skip) {
    const std::size_t common = std::min(a.size(), b.size());
    std::size_t i = std::min(skip, common);
    for (; i + 8 <= common; i += 8) {
        const std::uint64_t x = upperWord(loadWord(a.data() + i));
        const std::uint64_t y = upperWord(loadWord(b.data() + i));
        if (x != y) return x < y ? -1 : 1;
    }
    for (; i < common; ++i) {
        const auto x = static_cast<unsigned char>(toUpperAscii(a[i]));
        const auto y = static_cast<unsigned char>(toUpperAscii(b[i]));
        if (x != y) return x < y ? -1 : 1;
    }
    return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

// Byte `depth` (0 to 23) of the item's head.
unsigned headByte(const SortItem& item, std::size_t depth) {
    return (item.head[depth / 4] >> (24 - 8 * (depth % 4))) & 0xFFu;
}

// Below this many items a comparison sort finishes a bucket.
constexpr std::size_t kRadixMinimum = 48;

// Orders two items by their heads alone.
bool headLess(const SortItem& a, const SortItem& b) {
    for (std::size_t w = 0; w < 3; ++w) {
        const std::uint64_t x = headWord(a, w);
        const std::uint64_t y = headWord(b, w);
        if (x != y) return x < y;
    }
    return false;
}

// Orders items by byte `depth` of their heads, in place, and counts them per byte value; a
// byte that every item has alike is passed over to the next. False when the heads agree from
// `depth` on: the items are then as they were.
bool partitionByByte(SortItem* items, std::size_t n, std::size_t& depth,
                     std::size_t (&count)[256]) {
    for (; depth < kHeadBytes; ++depth) {
        std::fill(std::begin(count), std::end(count), 0);
        for (std::size_t i = 0; i < n; ++i) ++count[headByte(items[i], depth)];
        if (count[headByte(items[0], depth)] != n) break;
    }
    if (depth == kHeadBytes) return false;
    std::size_t next[256];
    std::size_t end[256];
    std::size_t sum = 0;
    for (unsigned b = 0; b < 256; ++b) {
        next[b] = sum;
        sum += count[b];
        end[b] = sum;
    }
    for (unsigned b = 0; b < 256; ++b) {
        while (next[b] < end[b]) {
            SortItem item = items[next[b]];
            unsigned to = headByte(item, depth);
            while (to != b) {
                std::swap(item, items[next[to]++]);
                to = headByte(item, depth);
            }
            items[next[b]++] = item;
        }
    }
    return true;
}

// Sorts items whose heads agree before byte `depth` by their heads: a most-significant-byte
// radix sort, permuting in place, with a comparison sort for the small buckets. Then hands
// every run of two or more items with equal heads to `equalRun`.
template <typename EqualRun>
void sortHeads(SortItem* items, std::size_t n, std::size_t depth, EqualRun& equalRun) {
    // Items with one head throughout, such as copies of one line, need no sorting at all.
    std::size_t same = 1;
    while (same < n && !headLess(items[0], items[same]) && !headLess(items[same], items[0])) {
        ++same;
    }
    if (same == n) {
        if (n > 1) equalRun(items, n);
        return;
    }
    std::size_t count[256];
    if (n >= kRadixMinimum && partitionByByte(items, n, depth, count)) {
        std::size_t from = 0;
        for (unsigned b = 0; b < 256; ++b) {
            if (count[b] > 1) sortHeads(items + from, count[b], depth + 1, equalRun);
            from += count[b];
        }
        return;
    }
    std::sort(items, items + n, headLess);
    for (std::size_t i = 0; i < n;) {
        std::size_t j = i + 1;
        while (j < n && !headLess(items[i], items[j])) ++j;
        if (j - i > 1) equalRun(items + i, j - i);
        i = j;
    }
}

// Below this many items with equal heads the lines are compared directly.
constexpr std::size_t kLineCompareMinimum = 16;

// Sets word w (0 to 2) of the item's head.
void setHeadWord(SortItem& item, std::size_t w, std::uint64_t word) {
    item.head[2 * w] = static_cast<std::uint32_t>(word >> 32);
    item.head[2 * w + 1] = static_cast<std::uint32_t>(word);
}

// Orders items whose heads are equal by their lines from byte `offset` on (the bytes before it
// agree), upper-cased, eight bytes at a time: the next eight bytes of each line and how many
// of them there are go into the items' heads, which then sort without going to the lines
// again. Items whose eight bytes agree go on with the next eight: by recursion when they are
// at most half of the items, else in this loop, so the recursion stays shallow. The heads are
// restored at the end.
void sortByLines(const EntryTable& table, SortItem* items, std::size_t n, std::size_t offset) {
    SortItem* const group = items;
    const std::size_t groupSize = n;
    const SortItem common = items[0];
    while (n > 1) {
        if (n < kLineCompareMinimum) {
            std::sort(items, items + n, [&](const SortItem& a, const SortItem& b) {
                return compareLinesUpper(lineText(table, a.entry), lineText(table, b.entry),
                                         offset) < 0;
            });
            break;
        }
        for (std::size_t i = 0; i < n; ++i) {
            if (i + 2 * kPrefetchAhead < n) {
                __builtin_prefetch(table.spans.data() + items[i + 2 * kPrefetchAhead].entry);
            }
            if (i + kPrefetchAhead < n) {
                __builtin_prefetch(lineData(table, items[i + kPrefetchAhead].entry) + offset);
            }
            const std::string_view line = lineText(table, items[i].entry);
            const std::size_t take =
                line.size() > offset ? std::min<std::size_t>(line.size() - offset, 8) : 0;
            char bytes[8] = {};
            if (take != 0) std::memcpy(bytes, line.data() + offset, take);
            setHeadWord(items[i], 1, upperWord(loadWord(bytes)));
            setHeadWord(items[i], 2, std::uint64_t{take} << 56);
        }
        SortItem* longest = nullptr;
        std::size_t longestSize = 0;
        const auto equalRun = [&](SortItem* run, std::size_t size) {
            if (headWord(run[0], 2) >> 56 < 8) return;  // the lines end here, equal
            if (2 * size > n) {
                longest = run;
                longestSize = size;
            } else {
                sortByLines(table, run, size, offset + 8);
            }
        };
        sortHeads(items, n, 8, equalRun);
        items = longest;
        n = longestSize;
        offset += 8;
    }
    for (std::size_t i = 0; i < groupSize; ++i) {
        std::memcpy(group[i].head, common.head, sizeof common.head);
    }
}

// Items whose heads agree before byte `depth`: they sort on their own.
struct SortPart {
    SortItem* items;
    std::size_t n;
    std::size_t depth;
};

// Threads share the sort best when every one has a few parts to take.
constexpr std::size_t kPartsPerThread = 4;

// Splits the items by the bytes of their heads, one radix pass at a time, into parts of at
// most `limit` items, or parts whose heads agree throughout; single items are sorted already.
std::vector<SortPart> splitIntoParts(SortItem* items, std::size_t n, std::size_t limit) {
    std::vector<SortPart> parts;
    std::vector<SortPart> open{{items, n, 0}};
    while (!open.empty()) {
        SortPart part = open.back();
        open.pop_back();
        std::size_t count[256];
        if (part.n <= limit || part.n < kRadixMinimum ||
            !partitionByByte(part.items, part.n, part.depth, count)) {
            parts.push_back(part);
            continue;
        }
        std::size_t from = 0;
        for (unsigned b = 0; b < 256; ++b) {
            if (count[b] > 1) open.push_back({part.items + from, count[b], part.depth + 1});
            from += count[b];
        }
    }
    return parts;
}

}  // namespace

void addEntry(EntryTable& table, std::string_view line, bool inMapping, std::string& work) {
    KeyBuffer key;
    buildSortKey(key, line, work);
    char bytes[kHeadBytes] = {};
    std::memcpy(bytes, key.bytes, kKeyLength);
    if (!line.empty()) {
        std::memcpy(bytes + kKeyLength, line.data(), std::min(line.size(), kLineBytesInHead));
    }
    SortItem item{};
    for (std::size_t w = 0; w < 3; ++w) {
        const std::uint64_t word = upperWord(loadWord(bytes + 8 * w));
        item.head[2 * w] = static_cast<std::uint32_t>(word >> 32);
        item.head[2 * w + 1] = static_cast<std::uint32_t>(word);
    }
    // Entries are numbered in 32 bits, and so are the ranks of the order replay.
    if (table.items.size() >= UINT32_MAX || line.size() > kMaxLineBytes) throw std::bad_alloc();
    item.entry = static_cast<std::uint32_t>(table.items.size());
    table.items.append(&item, 1);
    std::uint64_t start;
    if (inMapping) {
        start = static_cast<std::uint64_t>(line.data() - table.mapped);
    } else {
        start = table.mappedBytes + table.lines.size();
        table.lines.append(line.data(), line.size());
    }
    if (start + line.size() >= kSpanStarts) throw std::bad_alloc();
    const LineSpan span = makeSpan(start, line.size());
    table.spans.append(&span, 1);
}

void appendTable(EntryTable& table, const EntryTable& more) {
    const std::size_t base = table.items.size();
    if (more.items.size() >= UINT32_MAX - base) throw std::bad_alloc();
    table.items.append(more.items.data(), more.items.size());
    for (std::size_t i = base; i < table.items.size(); ++i) {
        table.items[i].entry += static_cast<std::uint32_t>(base);
    }
    // The copied lines of `more` come after the table's own.
    const std::uint64_t linesBase = table.lines.size();
    table.spans.append(more.spans.data(), more.spans.size());
    for (std::size_t i = base; i < table.spans.size(); ++i) {
        LineSpan& span = table.spans[i];
        const std::uint64_t start = spanStart(span);
        if (start < table.mappedBytes) continue;
        if (start + linesBase + spanLength(span) >= kSpanStarts) throw std::bad_alloc();
        span = makeSpan(start + linesBase, spanLength(span));
    }
    table.lines.append(more.lines.data(), more.lines.size());
}

int compareItems(const EntryTable& table, const SortItem& a, const SortItem& b) {
    for (int w = 0; w < 3; ++w) {
        const std::uint64_t x = headWord(a, w);
        const std::uint64_t y = headWord(b, w);
        if (x != y) return x < y ? -1 : 1;
    }
    return compareLinesUpper(lineText(table, a.entry), lineText(table, b.entry), kLineBytesInHead);
}

void sortItems(const EntryTable& table, SortItem* items, std::size_t n, unsigned threads) {
    const auto equalRun = [&](SortItem* run, std::size_t size) {
        sortByLines(table, run, size, kLineBytesInHead);
    };
    if (threads <= 1) {
        sortHeads(items, n, 0, equalRun);
        return;
    }
    // The items split by their first bytes into parts that sort on their own, in place, and
    // leave the same order whichever thread sorts them: the largest parts first, each taken by
    // the next thread that is free.
    std::vector<SortPart> parts = splitIntoParts(items, n, n / (kPartsPerThread * threads));
    std::sort(parts.begin(), parts.end(),
              [](const SortPart& a, const SortPart& b) { return a.n > b.n; });
    std::atomic<std::size_t> nextPart{0};
    runParts(threads, [&](unsigned) {
        for (std::size_t p = nextPart++; p < parts.size(); p = nextPart++) {
            sortHeads(parts[p].items, parts[p].n, parts[p].depth, equalRun);
        }
    });
}

}  // namespace vestrel
