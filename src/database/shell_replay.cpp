#include "database/shell_replay.h"

#include <algorithm>
#include <bit>
#include <vector>

namespace vestrel {

namespace {

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

}  // namespace

void sortEntries(EntryTable& table) {
    const std::size_t n = table.size();
    SortItem* items = table.items.data();
    sortItems(table, items, n);
    bool caseOnlyGroups = false;
    for (std::size_t k = 1; k < n && !caseOnlyGroups; ++k) {
        caseOnlyGroups = compareItems(table, items[k - 1], items[k]) == 0 &&
                         lineText(table, items[k - 1].entry) != lineText(table, items[k].entry);
    }
    if (!caseOnlyGroups) return;
    table.replayed.growTo(n);
    std::uint64_t rank = 0;
    for (std::size_t k = 0; k < n; ++k) {
        if (k > 0 && compareItems(table, items[k - 1], items[k]) != 0) ++rank;
        table.replayed[items[k].entry] = (rank << 32) | items[k].entry;
    }
    replayShellSort(table.replayed.data(), n);
}

}  // namespace vestrel
