#pragma once
// The transposition table of one solver thread: proven facts about positions, keyed by their
// Zobrist hash. Allocated once and reused by every record; each record starts a new
// generation, and entries of older generations count as empty, so that a record's search
// never depends on the records solved before it.

#include <cstdint>

#include "base/zeroed_array.h"

namespace vestrel {

struct TableEntry {
    std::uint64_t key = 0;
    std::uint32_t generation = 0;  // 0: never written
    std::uint32_t data = 0;        // what the search stores; 0 when nothing is known
};

struct TranspositionTable {
    // A power of two of them, in zeroed memory from the system: clearing the tables cost every
    // run a third of a millisecond.
    ZeroedArray<TableEntry> entries;
    std::uint32_t generation = 0;
};

// 512 KB: a record of the mate benchmark (mates in 4 included) stores a few thousand
// entries, and a table the processor's caches hold answers faster than a larger one (the
// mates in 3 and in 4 take 3-4% less CPU time than with 2 MB, which beat 8 MB by as much).
inline constexpr std::size_t kDefaultTableEntries = std::size_t{1} << 15;

// Allocates the table once; `entries` must be a power of two.
void allocateTable(TranspositionTable& table, std::size_t entries = kDefaultTableEntries);
// Forgets every entry in constant time (clearing the memory once in four billion records).
void startGeneration(TranspositionTable& table);

// What is stored for the key in this generation; 0 when nothing.
inline std::uint32_t probeTable(const TranspositionTable& table, std::uint64_t key) {
    const TableEntry& e = table.entries[key & (table.entries.size() - 1)];
    return e.generation == table.generation && e.key == key ? e.data : 0;
}

// Stores data for the key, replacing whatever held its slot.
inline void storeTable(TranspositionTable& table, std::uint64_t key, std::uint32_t data) {
    TableEntry& e = table.entries[key & (table.entries.size() - 1)];
    e.key = key;
    e.generation = table.generation;
    e.data = data;
}

// The defender's nodes one attacking move from the end: whether every defence loses there, by
// key. One word an entry, half a TableEntry, so that more of the table stays in the processor's
// cache (2% of the mates in 3's time): the slot of a key gives its low bits, and the word holds
// the record's generation and the fact there instead.
struct LeafTable {
    ZeroedArray<std::uint64_t> words;  // kLeafSlots of them
    std::uint64_t generation = 0;      // 1 to kLeafGenerations - 1
};

inline constexpr int kLeafSlotBits = 14;
inline constexpr std::uint64_t kLeafSlotMask = (std::uint64_t{1} << kLeafSlotBits) - 1;
inline constexpr std::uint64_t kLeafGenerations = std::uint64_t{1} << (kLeafSlotBits - 2);

// Allocates the table once.
void allocateLeaves(LeafTable& table);
// Forgets every entry in constant time (clearing the memory once in 4,095 records).
void startLeafGeneration(LeafTable& table);

// 1 when every defence loses, 0 when one escapes, -1 when nothing is known this generation.
inline int probeLeaf(const LeafTable& table, std::uint64_t key) {
    const std::uint64_t word = table.words[key & kLeafSlotMask];
    const std::uint64_t stored = (key & ~kLeafSlotMask) | (table.generation << 2);
    return (word ^ stored) > 1 ? -1 : int(word & 1);
}

inline void storeLeaf(LeafTable& table, std::uint64_t key, bool everyDefenceLoses) {
    table.words[key & kLeafSlotMask] =
        (key & ~kLeafSlotMask) | (table.generation << 2) | (everyDefenceLoses ? 1 : 0);
}

}  // namespace vestrel
