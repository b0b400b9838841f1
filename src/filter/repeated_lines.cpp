#include "filter/repeated_lines.h"

#include <cstring>

namespace vestrel {

namespace {

// The budget of remembered line bytes: a suite of 100,000 problems fits.
constexpr std::size_t kTextBudget = std::size_t{16} << 20;
constexpr std::size_t kFirstSlots = 1024;
// Slots a look-up examines at most from the line's home slot.
constexpr std::size_t kProbes = 8;

// A hash of the line's length and of three of its eight-byte pieces: its first, one from
// its middle and its last. Lines that share them only cost a comparison more.
std::uint32_t lineHash(std::string_view line) {
    constexpr std::uint64_t kOdd1 = 0x9E3779B97F4A7C15u;
    constexpr std::uint64_t kOdd2 = 0xC2B2AE3D27D4EB4Fu;
    const std::size_t n = line.size();
    std::uint64_t first = n;
    std::uint64_t middle = 0;
    std::uint64_t last = 0;
    if (n >= 8) {
        std::memcpy(&first, line.data(), 8);
        std::memcpy(&middle, line.data() + n / 2 - 4, 8);
        std::memcpy(&last, line.data() + n - 8, 8);
    } else {
        for (char c : line) first = first << 8 | static_cast<unsigned char>(c);
    }
    const std::uint64_t h = ((first * kOdd1) ^ (middle * kOdd2) ^ last ^ n) * kOdd1;
    return static_cast<std::uint32_t>(h >> 32);
}

}  // namespace

RepeatedLines::Entry RepeatedLines::probe(std::string_view line) const {
    const std::uint32_t hash = lineHash(line);
    if (!(marks_[hash >> kMarkShift >> 6] >> (hash >> kMarkShift & 63) & 1)) return kNone;
    return lookUp(line, hash);
}

RepeatedLines::Entry RepeatedLines::lookUp(std::string_view line, std::uint32_t hash) const {
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t k = 0, at = hash & mask; k < kProbes; ++k, at = (at + 1) & mask) {
        const Slot& slot = slots_[at];
        if (slot.entry == kNone) return kNone;
        if (slot.hash != hash) continue;
        const Record& r = entries_[std::size_t(slot.entry)];
        if (r.lineLength == line.size() &&
            std::memcmp(texts_.data() + r.offset, line.data(), line.size()) == 0) {
            return slot.entry;
        }
    }
    return kNone;
}

void RepeatedLines::remember(std::string_view raw, std::size_t lineLength, std::size_t fieldsLength,
                             std::string_view logEnd) {
    const std::string_view line = raw.substr(0, lineLength);
    const std::size_t logLength = fieldsLength + logEnd.size();
    if (line.empty() || raw.size() + logLength > kTextBudget - texts_.size()) return;
    if (!marks_.empty() && probe(line) != kNone) return;
    if (slots_.empty() || (count_ + 1) * 2 > slots_.size()) grow();
    if (marks_.empty()) marks_.assign(std::size_t{1} << kMarkBits >> 6, 0);
    const std::uint32_t hash = lineHash(line);
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t k = 0, at = hash & mask; k < kProbes; ++k, at = (at + 1) & mask) {
        Slot& slot = slots_[at];
        if (slot.entry != kNone) continue;
        const bool lineEnd = raw.size() > lineLength;
        const Record record{.offset = static_cast<std::uint32_t>(texts_.size()),
                            .lineLength = static_cast<std::uint32_t>(lineLength),
                            .rawLength = static_cast<std::uint32_t>(lineEnd ? raw.size() : 0),
                            .endLength = static_cast<std::uint32_t>(raw.size() - lineLength),
                            .fields = static_cast<std::uint32_t>(fieldsLength),
                            .logLength = static_cast<std::uint32_t>(logLength)};
        texts_.insert(texts_.end(), raw.begin(), raw.end());
        texts_.insert(texts_.end(), line.begin(), line.begin() + std::ptrdiff_t(fieldsLength));
        texts_.insert(texts_.end(), logEnd.begin(), logEnd.end());
        slot = {.hash = hash, .entry = static_cast<Entry>(entries_.size())};
        marks_[hash >> kMarkShift >> 6] |= std::uint64_t{1} << (hash >> kMarkShift & 63);
        entries_.push_back(record);
        ++count_;
        return;
    }
}

// Doubles the slots (or makes the first ones) and files every line again by its hash. A line
// with no free slot near its home is no longer found by its bytes; a link may still lead to it.
void RepeatedLines::grow() {
    std::vector<Slot> old;
    old.swap(slots_);
    slots_.assign(old.empty() ? kFirstSlots : old.size() * 2, Slot{});
    const std::size_t mask = slots_.size() - 1;
    std::size_t kept = 0;
    for (const Slot& slot : old) {
        if (slot.entry == kNone) continue;
        for (std::size_t k = 0, at = slot.hash & mask; k < kProbes; ++k, at = (at + 1) & mask) {
            if (slots_[at].entry != kNone) continue;
            slots_[at] = slot;
            ++kept;
            break;
        }
    }
    count_ = kept;
}

void RepeatedLines::clear() {
    marks_ = {};
    slots_ = {};
    entries_ = {};
    texts_ = {};
    count_ = 0;
    last_ = kNone;
    misses_ = 0;
    tick_ = 0;
}

}  // namespace vestrel
