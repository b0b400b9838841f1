#include "database/sort.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <new>
#include <vector>

#include "base/line_reader.h"
#include "base/output.h"
#include "base/platform.h"
#include "database/rewrite.h"
#include "text/text.h"

namespace vestrel {

namespace {

constexpr std::size_t kKeyLength = 22;
// The tail of this text fills a key that stops early; its parts line up with the key fields.
constexpr std::string_view kKeyFill = "zzzzz zzz:zzz zzz:zzz ";
constexpr std::string_view kNoTime = "zzz:zzz ";
constexpr std::string_view kUnknownTime = "???:??? ";
constexpr std::uint32_t kMaxEntries = 999999;

// The database's own header line: "% " and the default name.
bool isHeaderLine(std::string_view line) {
    return line.starts_with("% ") && line.substr(2).starts_with(kDefaultStem);
}

char charAt(std::string_view text, std::size_t index) {
    return index < text.size() ? text[index] : '\0';
}

// A sort key while it is built: type, up to ten digits of moves, two times, before the cut.
struct KeyBuffer {
    char bytes[48];
    std::size_t size = 0;

    void push(char c) { bytes[size++] = c; }
    void append(std::string_view text) {
        std::memcpy(bytes + size, text.data(), text.size());
        size += text.size();
    }
};

// The seven characters of a time field: flag sign, the five time characters, "+" flag.
void appendTimeField(KeyBuffer& key, std::string_view t, std::size_t w) {
    const char flag = charAt(t, w + 5);
    char lead = flag == '-' ? '-' : ' ';
    if (w != 0) lead = lead == '-' ? '=' : '.';
    key.push(lead);
    key.append(t.substr(0, 5));
    key.push(flag == '+' ? '+' : ' ');
}

// Adds one time field and its space; false when the key stops here. The first time is
// ended by ";" and consumed, the second one must be followed by "@" and stays.
bool appendTime(KeyBuffer& key, std::string_view& t, bool first) {
    const std::size_t colon = t.find(':');
    if (colon == std::string_view::npos || colon < 2) return false;
    t.remove_prefix(colon - 2);
    const std::size_t w = charAt(t, 5) == ':' ? 3 : 0;
    const std::size_t stop = t.find(first ? ';' : '@');
    const bool malformed = first ? (stop == std::string_view::npos || stop + 1 > w + 7)
                                 : (stop == std::string_view::npos || stop + 1 < w + 7);
    if (malformed) {
        key.append(kNoTime);
    } else if (t.substr(0, 5) == "--:--") {
        key.append(kUnknownTime);
    } else {
        appendTimeField(key, t, w);
        key.push(' ');
        if (first) t.remove_prefix(stop + 1);
    }
    return true;
}

// Type, moves and the two times, as far as the text after " bm " allows.
void appendKeyFields(KeyBuffer& key, std::string_view t) {
    const char first = charAt(t, 0);
    const char second = charAt(t, 1);
    if (first == '#' || first == '=') {
        key.push(' ');
        key.push(first);
        t.remove_prefix(1);
    } else if (second == '#' || second == '=') {
        key.push(first == 'h' ? 'y' : (first == 's' ? 'x' : 'z'));
        key.push(second);
        t.remove_prefix(2);
    } else {
        return;
    }
    const std::size_t semi = t.find(';');
    if (semi == 0 || semi == std::string_view::npos) return;
    long long moves = parseLeadingInteger(t.substr(0, semi));
    if (moves < 0) moves = -moves;
    char digits[24];
    const auto res = std::to_chars(digits, digits + sizeof digits, moves);
    const std::size_t width = static_cast<std::size_t>(res.ptr - digits);
    for (std::size_t i = width; i < 3; ++i) key.push(' ');
    key.append(std::string_view(digits, width));
    key.push(' ');
    t.remove_prefix(semi + 1);
    if (!appendTime(key, t, true)) return;
    appendTime(key, t, false);
}

// The sort key of `line`, filled or cut to kKeyLength characters; `work` is scratch space.
// Only the text after " bm " is copied, with the ";;;;;" that ends every field.
void buildSortKey(KeyBuffer& key, std::string_view line, std::string& work) {
    const std::string_view trimmed = trimText(line);
    const std::size_t bm = trimmed.find(" bm ");
    if (bm != std::string_view::npos) {
        work.assign(trimmed.substr(bm + 4));
        work.append(";;;;;");
        appendKeyFields(key, work);
    }
    if (key.size < kKeyLength) {
        key.append(kKeyFill.substr(key.size));
    } else {
        key.size = kKeyLength;
    }
}

// A large array of plain values in zeroed memory from the system (huge pages where it can),
// so that a big table costs few page faults and no copy while it is filled.
template <typename T>
struct BigArray {
    T* data = nullptr;
    std::size_t size = 0;
    std::size_t capacity = 0;

    BigArray() = default;
    BigArray(const BigArray&) = delete;
    BigArray& operator=(const BigArray&) = delete;
    ~BigArray() { releaseZeroed(data, capacity * sizeof(T)); }
};

// Grows the array to hold `capacity` values, keeping those it has.
template <typename T>
void reserveBig(BigArray<T>& array, std::size_t capacity) {
    if (capacity <= array.capacity) return;
    T* data = static_cast<T*>(allocateZeroed(capacity * sizeof(T)));
    if (data == nullptr) throw std::bad_alloc();
    if (array.size != 0) std::memcpy(data, array.data, array.size * sizeof(T));
    releaseZeroed(array.data, array.capacity * sizeof(T));
    array.data = data;
    array.capacity = capacity;
}

// Appends `count` values, growing the array by doubling when it is full.
template <typename T>
void appendBig(BigArray<T>& array, const T* values, std::size_t count) {
    if (array.size + count > array.capacity) {
        reserveBig(array, std::max({2 * array.capacity, array.size + count, std::size_t{4096}}));
    }
    if (count != 0) std::memcpy(array.data + array.size, values, count * sizeof(T));
    array.size += count;
}

// Eight bytes as a big-endian number, so that numbers order like the bytes.
std::uint64_t loadWord(const char* p) {
    std::uint64_t word;
    std::memcpy(&word, p, sizeof word);
    if constexpr (std::endian::native == std::endian::little) word = __builtin_bswap64(word);
    return word;
}

// Writes a word as eight big-endian bytes, the reverse of loadWord.
void storeWord(char* p, std::uint64_t word) {
    if constexpr (std::endian::native == std::endian::little) word = __builtin_bswap64(word);
    std::memcpy(p, &word, sizeof word);
}

// Upper-cases the ASCII letters of eight bytes at once.
std::uint64_t upperWord(std::uint64_t word) {
    constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
    constexpr std::uint64_t kHigh = 0x8080808080808080ULL;
    const std::uint64_t low7 = word & ~kHigh;
    const std::uint64_t atLeastA = low7 + (0x80 - 'a') * kOnes;    // high bit: byte >= 'a'
    const std::uint64_t aboveZ = low7 + (0x80 - 'z' - 1) * kOnes;  // high bit: byte > 'z'
    const std::uint64_t lower = atLeastA & ~aboveZ & ~word & kHigh;
    return word - (lower >> 2);
}

// The key and the first two line bytes, upper-cased, as big-endian halves of three words
// (28 bytes an item rather than 32), and the entry's number in reading order.
struct SortItem {
    std::uint32_t head[6];
    std::uint32_t entry;
};

// Word w (0 to 2) of the item's head.
std::uint64_t headWord(const SortItem& item, std::size_t w) {
    return (std::uint64_t{item.head[2 * w]} << 32) | item.head[2 * w + 1];
}

constexpr std::size_t kHeadBytes = 3 * 8;
// How many places ahead the lines are fetched where they are read in an order of their own.
constexpr std::size_t kPrefetchAhead = 8;
constexpr std::size_t kLineBytesInHead = kHeadBytes - kKeyLength;

// Every problem line as read, back to back, and one sort item per line.
struct EntryTable {
    BigArray<char> lines;
    BigArray<std::uint64_t> lineStart;  // one more than there are lines
    BigArray<SortItem> items;           // reading order, then sorted
    // After a sort that had to replay the Shell sort: (rank << 32 | entry) in final order.
    BigArray<std::uint64_t> replayed;
    std::size_t size() const { return items.size; }
};

// The line of an entry as read.
std::string_view lineText(const EntryTable& table, std::size_t entry) {
    const std::uint64_t begin = table.lineStart.data[entry];
    return std::string_view(table.lines.data + begin, table.lineStart.data[entry + 1] - begin);
}

// Room for the lines of a file of `bytes` bytes and for the most entries a database may hold.
void reserveTable(EntryTable& table, std::uint64_t bytes) {
    reserveBig(table.lines, static_cast<std::size_t>(bytes) + 1);
    reserveBig(table.lineStart, std::size_t{kMaxEntries} + 1);
    reserveBig(table.items, std::size_t{kMaxEntries});
    const std::uint64_t zero = 0;
    appendBig(table.lineStart, &zero, 1);
}

// Stores a problem line and its sort item.
void addEntry(EntryTable& table, std::string_view line, std::string& work) {
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
    item.entry = static_cast<std::uint32_t>(table.items.size);
    appendBig(table.items, &item, 1);
    appendBig(table.lines, line.data(), line.size());
    const std::uint64_t end = table.lines.size;
    appendBig(table.lineStart, &end, 1);
}

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

// Orders two entries by their whole upper-cased key-and-line texts.
int compareItems(const EntryTable& table, const SortItem& a, const SortItem& b) {
    for (int w = 0; w < 3; ++w) {
        const std::uint64_t x = headWord(a, w);
        const std::uint64_t y = headWord(b, w);
        if (x != y) return x < y ? -1 : 1;
    }
    return compareLinesUpper(lineText(table, a.entry), lineText(table, b.entry), kLineBytesInHead);
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
    while (n >= kRadixMinimum && depth < kHeadBytes) {
        std::size_t count[256] = {};
        for (std::size_t i = 0; i < n; ++i) ++count[headByte(items[i], depth)];
        if (count[headByte(items[0], depth)] == n) {
            ++depth;
            continue;
        }
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
                __builtin_prefetch(table.lineStart.data + items[i + 2 * kPrefetchAhead].entry);
            }
            if (i + kPrefetchAhead < n) {
                const std::size_t ahead = items[i + kPrefetchAhead].entry;
                __builtin_prefetch(table.lines.data + table.lineStart.data[ahead] + offset);
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

// Sorts the items by their whole upper-cased key-and-line texts; the order of items that
// compare equal is left open.
void sortItems(const EntryTable& table, SortItem* items, std::size_t n) {
    const auto equalRun = [&](SortItem* run, std::size_t size) {
        sortByLines(table, run, size, kLineBytesInHead);
    };
    sortHeads(items, n, 0, equalRun);
}

// Replays the Shell sort with the halving gaps on the ranks: each pass is an insertion sort of
// every chain of slots `gap` apart, with a strict test, so stable within each chain. A pass
// that would take too many moves stably sorts each chain instead, with the same result: the
// moves made so far kept the chains' equal ranks in their order.
void replayShellSort(std::uint64_t* slots, std::size_t n) {
    const auto rankOf = [](std::uint64_t slot) { return slot >> 32; };
    std::vector<std::uint64_t> chain;
    for (std::size_t gap = n / 2; gap >= 1; gap /= 2) {
        const std::size_t budget = 4 * n * (std::bit_width(n / gap) + 1);
        std::size_t moves = 0;
        for (std::size_t i = gap; i < n && moves <= budget; ++i) {
            const std::uint64_t x = slots[i];
            std::size_t j = i;
            while (j >= gap && rankOf(slots[j - gap]) > rankOf(x)) {
                slots[j] = slots[j - gap];
                j -= gap;
                ++moves;
            }
            slots[j] = x;
        }
        if (moves <= budget) continue;
        for (std::size_t first = 0; first < gap; ++first) {
            chain.clear();
            for (std::size_t i = first; i < n; i += gap) chain.push_back(slots[i]);
            std::stable_sort(chain.begin(), chain.end(), [&](std::uint64_t a, std::uint64_t b) {
                return rankOf(a) < rankOf(b);
            });
            std::size_t k = 0;
            for (std::size_t i = first; i < n; i += gap) slots[i] = chain[k++];
        }
    }
}

// Puts the entries in the order of the Shell sort. A fast sort settles everything except the
// order among entries that compare equal yet differ in letter case; only then are the Shell
// sort's moves replayed on the ranks, into table.replayed.
void sortEntries(EntryTable& table) {
    const std::size_t n = table.size();
    SortItem* items = table.items.data;
    sortItems(table, items, n);
    bool caseOnlyGroups = false;
    for (std::size_t k = 1; k < n && !caseOnlyGroups; ++k) {
        caseOnlyGroups = compareItems(table, items[k - 1], items[k]) == 0 &&
                         lineText(table, items[k - 1].entry) != lineText(table, items[k].entry);
    }
    if (!caseOnlyGroups) return;
    reserveBig(table.replayed, n);
    table.replayed.size = n;
    std::uint64_t rank = 0;
    for (std::size_t k = 0; k < n; ++k) {
        if (k > 0 && compareItems(table, items[k - 1], items[k]) != 0) ++rank;
        table.replayed.data[items[k].entry] = (rank << 32) | items[k].entry;
    }
    replayShellSort(table.replayed.data, n);
}

// The entry at place k of the sorted order.
std::size_t entryAt(const EntryTable& table, std::size_t k) {
    return table.replayed.size != 0 ? static_cast<std::uint32_t>(table.replayed.data[k])
                                    : table.items.data[k].entry;
}

// Same text in characters [from, from + count) of two keys (missing characters count as none).
bool sameField(std::string_view a, std::string_view b, std::size_t from, std::size_t count) {
    const auto field = [&](std::string_view s) {
        return from < s.size() ? s.substr(from, count) : std::string_view();
    };
    return field(a) == field(b);
}

// The sorted file: header, groups by type and moves with their empty lines and section
// comments, and the closing empty line and comment. Entries that compare equal have equal
// keys, so the key at a place is that of the sorted items even where the Shell sort's order
// of such entries puts another line there.
void writeSorted(Rewrite& rewrite, const EntryTable& table, std::string_view header,
                 bool defaultDatabase) {
    if (defaultDatabase) rewriteLine(rewrite, header);
    char keys[2][kHeadBytes];
    std::string_view previous = header;
    for (std::size_t k = 0; k < table.size(); ++k) {
        const SortItem& item = table.items.data[k];
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
            const std::uint64_t ahead = table.lineStart.data[entryAt(table, k + kPrefetchAhead)];
            __builtin_prefetch(table.lines.data + ahead);
            __builtin_prefetch(table.lines.data + ahead + 64);
        }
        if (k + 2 * kPrefetchAhead < table.size()) {
            __builtin_prefetch(table.lineStart.data + entryAt(table, k + 2 * kPrefetchAhead));
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

}  // namespace

std::string sortKey(std::string_view line) {
    KeyBuffer key;
    std::string work;
    buildSortKey(key, line, work);
    return std::string(key.bytes, key.size);
}

DatabaseResult resultOfStart(RewriteStart start) {
    switch (start) {
        case RewriteStart::Ok:
            return DatabaseResult::Done;
        case RewriteStart::InUse:
            return DatabaseResult::InUse;
        case RewriteStart::NotFound:
            return DatabaseResult::NotFound;
        case RewriteStart::Leftover:
            return DatabaseResult::Leftover;
        case RewriteStart::LockUnknown:
            return DatabaseResult::LockUnknown;
    }
    return DatabaseResult::NotFound;
}

DatabaseResult resultOfRead(ReadEnd end) {
    switch (end) {
        case ReadEnd::Ok:
            return DatabaseResult::Done;
        case ReadEnd::Failed:
            return DatabaseResult::NotFound;
        case ReadEnd::LineTooLong:
            return DatabaseResult::LineTooLong;
        case ReadEnd::TextAfterCtrlZ:
            return DatabaseResult::TextAfterCtrlZ;
    }
    return DatabaseResult::NotFound;
}

DatabaseResult sortDatabase(const RunSettings& settings,
                            std::chrono::steady_clock::time_point start) {
    const std::string& stem = settings.databaseStem;
    Rewrite rewrite;
    LineReader reader;
    const RewriteStart begun = beginDatabaseRewrite(rewrite, reader, stem);
    if (begun != RewriteStart::Ok) return resultOfStart(begun);
    skipByteOrderMark(reader);
    writeError("\nReading ... ");

    EntryTable table;
    reserveTable(table, fileSize(reader.fd));
    std::string header;
    std::string work;
    std::string_view line;
    bool tooMany = false;
    while (nextLine(reader, line)) {
        if (isHeaderLine(line)) {
            header.assign(line);
            continue;
        }
        if (line.empty() || line[0] == '%') continue;
        if (table.size() >= kMaxEntries) {
            tooMany = true;
            break;
        }
        addEntry(table, line, work);
    }
    const ReadEnd readEnd = tooMany ? ReadEnd::Ok : databaseReadEnd(reader);
    closeLineReader(reader);
    if (tooMany || readEnd != ReadEnd::Ok) {
        abandonRewrite(rewrite);
        return tooMany ? DatabaseResult::TooManyLines : resultOfRead(readEnd);
    }

    writeError("\nSorting ... ");
    sortEntries(table);

    writeError("\nWriting ... ");
    const bool defaultDatabase = stem == kDefaultStem;
    writeSorted(rewrite, table, header, defaultDatabase);
    if (!commitRewrite(rewrite)) return DatabaseResult::WriteFailed;
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
    return DatabaseResult::Done;
}

}  // namespace vestrel
