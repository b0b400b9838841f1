#include "solver/transposition.h"

#include <algorithm>

namespace vestrel {

void allocateTable(TranspositionTable& table, std::size_t entries) {
    table.entries.assign(entries, TableEntry{});
    table.generation = 0;
}

void startGeneration(TranspositionTable& table) {
    if (++table.generation == 0) {
        std::fill(table.entries.begin(), table.entries.end(), TableEntry{});
        table.generation = 1;
    }
}

}  // namespace vestrel
