#pragma once
// The entries of a database sort and their order: every problem line back to back, and per
// line a sort item holding the start of its key-and-line text, ordered by a radix sort on the
// items that reads the lines only where the items tie.

#include <bit>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "base/line_reader.h"
#include "base/zeroed_array.h"
#include "database/sort_key.h"

namespace vestrel {

// Eight bytes as a big-endian number, so that numbers order like the bytes.
inline std::uint64_t loadWord(const char* p) {
    std::uint64_t word;
    std::memcpy(&word, p, sizeof word);
    if constexpr (std::endian::native == std::endian::little) word = __builtin_bswap64(word);
    return word;
}

// Writes a word as eight big-endian bytes, the reverse of loadWord.
inline void storeWord(char* p, std::uint64_t word) {
    if constexpr (std::endian::native == std::endian::little) word = __builtin_bswap64(word);
    std::memcpy(p, &word, sizeof word);
}

// Upper-cases the ASCII letters of eight bytes at once.
inline std::uint64_t upperWord(std::uint64_t word) {
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
inline std::uint64_t headWord(const SortItem& item, std::size_t w) {
    return (std::uint64_t{item.head[2 * w]} << 32) | item.head[2 * w + 1];
}

inline constexpr std::size_t kHeadBytes = 3 * 8;
// How many places ahead the lines are fetched where they are read in an order of their own.
inline constexpr std::size_t kPrefetchAhead = 8;
inline constexpr std::size_t kLineBytesInHead = kHeadBytes - kKeyLength;

// Where an entry's line lies, and how long it is, in one word: the start counts into the
// mapped database file, or, from the mapping's size on, into the table's own copied lines. A
// word rather than three halves keeps the sort of a 1M-line database under 150 MiB; it holds
// lines of up to kMaxLineBytes bytes that start in the first 32 GiB.
struct LineSpan {
    std::uint64_t word;
};
inline constexpr unsigned kSpanLengthBits = 29;
static_assert(kMaxLineBytes < (std::uint64_t{1} << kSpanLengthBits));
inline constexpr std::uint64_t kSpanStarts = std::uint64_t{1} << (64 - kSpanLengthBits);

inline LineSpan makeSpan(std::uint64_t start, std::size_t length) {
    return {start << kSpanLengthBits | length};
}
inline std::uint64_t spanStart(LineSpan span) { return span.word >> kSpanLengthBits; }
inline std::size_t spanLength(LineSpan span) {
    return static_cast<std::size_t>(span.word & ((std::uint64_t{1} << kSpanLengthBits) - 1));
}

// The problem lines, in the mapped database file or copied, and one sort item per line.
struct EntryTable {
    const char* mapped = nullptr;  // the database file, when it is read mapped
    std::uint64_t mappedBytes = 0;
    ZeroedArray<char> lines;      // the lines that are no part of the mapping, back to back
    ZeroedArray<LineSpan> spans;  // one per line, in reading order
    ZeroedArray<SortItem> items;  // reading order, then sorted
    // After a sort that had to replay the Shell sort: (rank << 32 | entry) in final order.
    ZeroedArray<std::uint64_t> replayed;
    bool smallPages = false;  // the table of a large file: its arrays on small pages
    std::size_t size() const { return items.size(); }
};

// The first byte of an entry's line.
inline const char* lineData(const EntryTable& table, std::size_t entry) {
    const std::uint64_t start = spanStart(table.spans[entry]);
    return start < table.mappedBytes ? table.mapped + start
                                     : table.lines.data() + (start - table.mappedBytes);
}

// The line of an entry as read.
inline std::string_view lineText(const EntryTable& table, std::size_t entry) {
    return std::string_view(lineData(table, entry), spanLength(table.spans[entry]));
}

// Stores a problem line and its sort item: the line itself is kept only where `inMapping` says
// that it lies in table.mapped, else it is copied.
void addEntry(EntryTable& table, std::string_view line, bool inMapping, std::string& work);

// Appends the entries of another table that reads the same mapped file, after the table's own.
void appendTable(EntryTable& table, const EntryTable& more);

// Orders two entries by their whole upper-cased key-and-line texts.
int compareItems(const EntryTable& table, const SortItem& a, const SortItem& b);

// Sorts the items by their whole upper-cased key-and-line texts, on up to `threads` threads;
// the order of items that compare equal is left open.
void sortItems(const EntryTable& table, SortItem* items, std::size_t n, unsigned threads);

}  // namespace vestrel
