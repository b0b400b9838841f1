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

}  // namespace vestrel
