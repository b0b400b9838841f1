#include "solver/transposition.h"

#include <algorithm>

namespace vestrel {

void allocateTable(TranspositionTable& table, std::size_t entries) {
    table.entries = ZeroedArray<TableEntry>{};
    table.entries.growTo(entries);
    table.generation = 0;
}

void startGeneration(TranspositionTable& table) {
    if (++table.generation == 0) {
        std::fill(table.entries.data(), table.entries.data() + table.entries.size(), TableEntry{});
        table.generation = 1;
    }
}

void allocateLeaves(LeafTable& table) {
    table.words = ZeroedArray<std::uint64_t>{};
    table.words.growTo(std::size_t{1} << kLeafSlotBits);
    table.generation = 0;
}

void startLeafGeneration(LeafTable& table) {
    if (++table.generation == kLeafGenerations) {
        std::fill(table.words.data(), table.words.data() + table.words.size(), 0);
        table.generation = 1;
    }
}

}  // namespace vestrel
