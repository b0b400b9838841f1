// Seen-position set: stores a million distinct position keys (or as many as the argument
// says), then marks all of them again and as many keys that were never stored, in the hashed
// mode, in the counted buckets of /hc and in the prefix mode of /1; then preloads them into a
// new set. Prints nanoseconds per key and the hash comparisons made.
//
//     seen_set_bench [keys]

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "filter/seen_set.h"
#include "position_gen.h"

namespace vestrel::bench {
namespace {

// Keys packed end to end in one buffer, so the benchmark's own memory stays small and flat.
struct KeyList {
    std::string bytes;
    std::vector<std::size_t> ends;

    std::size_t size() const { return ends.size(); }
    std::string_view operator[](std::size_t i) const {
        const std::size_t begin = i == 0 ? 0 : ends[i - 1];
        return std::string_view(bytes).substr(begin, ends[i] - begin);
    }
};

// Two lists of distinct keys "<placement> <w|b> - - bm #" with no key in both.
void makeKeys(std::size_t count, KeyList& stored, KeyList& absent) {
    Random rng(0xB0A2'D5E7'5EE7'0001ull);
    std::unordered_set<std::string> seen;
    seen.reserve(2 * count);
    for (KeyList* list : {&stored, &absent}) {
        list->bytes.reserve(count * 48);
        list->ends.reserve(count);
        while (list->size() < count) {
            std::string key = positionFields(randomPosition(rng, 0.0, 0.0)) + " bm #";
            if (!seen.insert(key).second) continue;
            list->bytes += key;
            list->ends.push_back(list->bytes.size());
        }
    }
}

struct Phase {
    double nsPerLookup = 0;
    std::size_t found = 0;
    std::int64_t comparisons = 0;
};

template <typename Step>
Phase timePhase(SeenSet& set, const KeyList& keys, Step step) {
    Phase phase;
    const std::int64_t comparisonsBefore = set.comparisons();
    const auto start = std::chrono::steady_clock::now();
    for (std::size_t i = 0; i < keys.size(); ++i) phase.found += step(set, keys[i]) ? 1 : 0;
    const std::chrono::duration<double, std::nano> elapsed =
        std::chrono::steady_clock::now() - start;
    phase.nsPerLookup = elapsed.count() / static_cast<double>(keys.size());
    phase.comparisons = set.comparisons() - comparisonsBefore;
    return phase;
}

void printPhase(const char* mode, const char* what, const Phase& phase, std::size_t count) {
    std::printf("  %-7s %-22s %9.1f ns/look-up  found %7zu of %7zu  hc %lld\n", mode, what,
                phase.nsPerLookup, phase.found, count, static_cast<long long>(phase.comparisons));
}

// Runs the three look-up phases in one mode; false when a look-up gave a wrong answer.
bool benchMode(const SeenPolicy& policy, const char* name, const KeyList& stored,
               const KeyList& absent) {
    SeenSet set(policy);
    const auto mark = [](SeenSet& s, std::string_view key) {
        return s.mark(key) == SeenVerdict::Duplicate;
    };
    const Phase stored1 = timePhase(set, stored, mark);
    const Phase stored2 = timePhase(set, stored, mark);
    const Phase missing = timePhase(set, absent, mark);
    printPhase(name, "mark (new keys)", stored1, stored.size());
    printPhase(name, "mark (stored keys)", stored2, stored.size());
    printPhase(name, "mark (absent keys)", missing, absent.size());

    SeenSet preload(policy);
    const Phase appended = timePhase(preload, stored, [](SeenSet& s, std::string_view key) {
        s.preload(key);
        return false;
    });
    printPhase(name, "preload", appended, stored.size());

    const bool right = stored1.found == 0 && stored2.found == stored.size() && missing.found == 0 &&
                       set.size() == std::int64_t(2 * stored.size()) &&
                       preload.size() == std::int64_t(stored.size());
    if (!right) {
        std::printf("  %s: WRONG ANSWERS (key count %lld)\n", name,
                    static_cast<long long>(set.size()));
    }
    return right;
}

}  // namespace
}  // namespace vestrel::bench

int main(int argc, char** argv) {
    using namespace vestrel::bench;
    const std::size_t count = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 1'000'000;
    KeyList stored, absent;
    makeKeys(count, stored, absent);
    std::printf("seen-position set: %zu stored keys, %zu absent keys (e.g. \"%.*s\")\n", count,
                count, static_cast<int>(stored[0].size()), stored[0].data());
    using vestrel::LookupMode;
    using vestrel::SeenPolicy;
    bool right = benchMode(SeenPolicy{LookupMode::Hashed, false, false}, "hashed", stored, absent);
    right = benchMode(SeenPolicy{LookupMode::Hashed, false, true}, "/hc", stored, absent) && right;
    right =
        benchMode(SeenPolicy{LookupMode::Prefix, false, false}, "prefix", stored, absent) && right;
    return right ? 0 : 1;
}
