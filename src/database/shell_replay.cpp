#include "database/shell_replay.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <iterator>
#include <vector>

#include "database/threads.h"

namespace vestrel {

namespace {

// A thread takes a share of a replay pass only where it gets at least this many chains: the
// chains of two threads meet in one cache line per row of slots.
constexpr std::size_t kChainsPerThread = 32;
// Boundary bits per word: a thread marks whole words of its own.
constexpr std::size_t kBoundaryWordBits = 64;

std::uint64_t rankOf(std::uint64_t slot) { return slot >> 32; }

// One pass of the Shell sort with gap `gap`, on the chains of slots `gap` apart that start at
// slots [first, last): each chain is insertion-sorted with a strict test, so stably. A pass
// that would take too many moves stably sorts the chains instead, with the same result: the
// moves made so far kept the equal ranks of each chain in their order.
void sortChains(std::uint64_t* slots, std::size_t n, std::size_t gap, std::size_t first,
                std::size_t last) {
    const std::size_t budget = 4 * n * (std::bit_width(n / gap) + 1) / gap * (last - first);
    std::size_t moves = 0;
    for (std::size_t row = gap; row + first < n && moves <= budget; row += gap) {
        const std::size_t stop = std::min(row + last, n);
        for (std::size_t i = row + first; i < stop; ++i) {
            const std::uint64_t x = slots[i];
            std::size_t j = i;
            while (j >= gap && rankOf(slots[j - gap]) > rankOf(x)) {
                slots[j] = slots[j - gap];
                j -= gap;
                ++moves;
            }
            slots[j] = x;
        }
    }
    if (moves <= budget) return;
    std::vector<std::uint64_t> chain;
    for (std::size_t start = first; start < last; ++start) {
        chain.clear();
        for (std::size_t i = start; i < n; i += gap) chain.push_back(slots[i]);
        std::stable_sort(chain.begin(), chain.end(),
                         [](std::uint64_t a, std::uint64_t b) { return rankOf(a) < rankOf(b); });
        std::size_t k = 0;
        for (std::size_t i = start; i < n; i += gap) slots[i] = chain[k++];
    }
}

// Replays the Shell sort with the halving gaps on the ranks. The chains of a pass are apart
// from each other, so threads share them out.
void replayShellSort(std::uint64_t* slots, std::size_t n, unsigned threads) {
    for (std::size_t gap = n / 2; gap >= 1; gap /= 2) {
        const auto parts =
            static_cast<unsigned>(std::clamp<std::size_t>(gap / kChainsPerThread, 1, threads));
        runParts(parts, [&](unsigned t) {
            sortChains(slots, n, gap, gap * t / parts, gap * (t + 1) / parts);
        });
    }
}

// The sorted items [from, to) of one thread, with bits in whole words of their own.
struct RankPart {
    std::size_t from = 0;
    std::size_t to = 0;
    std::size_t boundaries = 0;  // items that rank above the one before them
    bool caseOnly = false;       // an item compares equal to the one before yet differs in case
};

// The two items have equal heads, so that comparing them reads their lines.
bool sameHead(const SortItem& a, const SortItem& b) {
    return std::equal(std::begin(a.head), std::end(a.head), std::begin(b.head));
}

// Fetches ahead what comparing item k with the one before it reads: the lines lie all over
// memory, and are read only where the heads are equal.
void prefetchComparison(const EntryTable& table, std::size_t k, std::size_t to) {
    const SortItem* items = table.items.data();
    if (k + 2 * kPrefetchAhead < to) {
        const std::size_t far = k + 2 * kPrefetchAhead;
        if (sameHead(items[far - 1], items[far])) {
            __builtin_prefetch(table.spans.data() + items[far - 1].entry);
            __builtin_prefetch(table.spans.data() + items[far].entry);
        }
    }
    if (k + kPrefetchAhead < to) {
        const std::size_t near = k + kPrefetchAhead;
        if (sameHead(items[near - 1], items[near])) {
            __builtin_prefetch(lineData(table, items[near - 1].entry) + kLineBytesInHead);
            __builtin_prefetch(lineData(table, items[near].entry) + kLineBytesInHead);
        }
    }
}

// Marks every sorted item that compares unequal to the one before it: it starts a new rank.
void markBoundaries(const EntryTable& table, RankPart& part, std::uint64_t* bits) {
    const SortItem* items = table.items.data();
    for (std::size_t k = std::max<std::size_t>(part.from, 1); k < part.to; ++k) {
        prefetchComparison(table, k, part.to);
        if (compareItems(table, items[k - 1], items[k]) != 0) {
            bits[k / kBoundaryWordBits] |= std::uint64_t{1} << (k % kBoundaryWordBits);
            ++part.boundaries;
        } else if (lineText(table, items[k - 1].entry) != lineText(table, items[k].entry)) {
            part.caseOnly = true;
        }
    }
}

// Puts each sorted item's (rank << 32 | entry) in the replay slot of its entry; `rank` is that
// of the item before the part.
void placeRanks(EntryTable& table, const RankPart& part, const std::uint64_t* bits,
                std::uint64_t rank) {
    const SortItem* items = table.items.data();
    std::uint64_t* slots = table.replayed.data();
    for (std::size_t k = part.from; k < part.to; ++k) {
        // The slots lie all over memory: fetch the ones a few places ahead.
        if (k + 2 * kPrefetchAhead < part.to) {
            __builtin_prefetch(slots + items[k + 2 * kPrefetchAhead].entry, 1);
        }
        rank += (bits[k / kBoundaryWordBits] >> (k % kBoundaryWordBits)) & 1;
        slots[items[k].entry] = (rank << 32) | items[k].entry;
    }
}

}  // namespace

void sortEntries(EntryTable& table, unsigned threads) {
    threads = std::max(threads, 1u);
    const std::size_t n = table.size();
    sortItems(table, table.items.data(), n, threads);
    // Each thread takes whole words of the boundary bits.
    const std::size_t words = (n + kBoundaryWordBits - 1) / kBoundaryWordBits;
    const auto partCount = static_cast<unsigned>(std::clamp<std::size_t>(words, 1, threads));
    std::vector<RankPart> parts(partCount);
    for (unsigned t = 0; t < partCount; ++t) {
        parts[t].from = std::min(n, words * t / partCount * kBoundaryWordBits);
        parts[t].to = std::min(n, words * (t + 1) / partCount * kBoundaryWordBits);
    }
    std::vector<std::uint64_t> bits(words);
    runParts(partCount, [&](unsigned t) { markBoundaries(table, parts[t], bits.data()); });
    if (std::none_of(parts.begin(), parts.end(), [](const RankPart& p) { return p.caseOnly; })) {
        return;
    }
    std::vector<std::uint64_t> firstRanks(partCount);
    for (unsigned t = 1; t < partCount; ++t) {
        firstRanks[t] = firstRanks[t - 1] + parts[t - 1].boundaries;
    }
    table.replayed.reserve(n, !table.smallPages);
    table.replayed.growTo(n);
    runParts(partCount,
             [&](unsigned t) { placeRanks(table, parts[t], bits.data(), firstRanks[t]); });
    replayShellSort(table.replayed.data(), n, threads);
}

}  // namespace vestrel
