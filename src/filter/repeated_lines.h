#pragma once
// Lines met again byte for byte. A line-mode line that was its own record and whose key the
// seen set held already gets that verdict again every time it comes back: a stored key is never
// taken out, and the same bytes give the same key. Such a line is known by its bytes alone, so
// a collection that repeats whole suites reads each repeat without cutting it into fields.
//
// Each line remembered keeps its bytes with the line end that followed them, where its position
// fields end, and its log line. Lines that came one after the other are linked, so that the
// line after a known one is first compared with the line that followed it the last time, and
// needs no look-up when it is the same. The texts have a budget; past it no further line is
// remembered, and those lines take the usual way. A line whose slot is taken by others is not
// remembered either: every look-up probes a few slots at most, whatever the input.

#include <cstdint>
#include <string_view>
#include <vector>

namespace vestrel {

class RepeatedLines {
public:
    using Entry = std::int32_t;  // a line remembered; kNone for none
    static constexpr Entry kNone = -1;

    // The entry of the line when it is one remembered, else kNone. Inline: every line asks.
    // Most runs remember nothing, and most lines not remembered are told by one bit. After
    // kMissesBeforeSampling look-ups in a row found nothing, only every kSampleStride-th line
    // is looked up until one is found: a collection that repeats little pays next to nothing,
    // and a repeated run of lines is still found within its first lines (those that come after
    // a line found are compared with the line that followed it, unlooked-up).
    Entry find(std::string_view line) {
        if (count_ == 0) return kNone;
        if (misses_ >= kMissesBeforeSampling && (++tick_ & (kSampleStride - 1)) != 0) {
            return kNone;
        }
        const Entry entry = probe(line);
        misses_ = entry == kNone ? misses_ + 1 : 0;
        return entry;
    }

    // Remembers a line: `raw` is the line and the LF or CR LF that ended it (the line alone
    // when it ended otherwise), `fieldsLength` how many of its bytes are its position fields,
    // and its log line those fields and `logEnd`. A line remembered already, or one past the
    // budget, changes nothing. Throws std::bad_alloc when memory runs out.
    void remember(std::string_view raw, std::size_t lineLength, std::size_t fieldsLength,
                  std::string_view logEnd);

    // The line just read is this entry (kNone: a line not known): links the entry read before
    // it to it.
    void follow(Entry entry) {
        if (entry != kNone && last_ != kNone) entries_[std::size_t(last_)].next = entry;
        last_ = entry;
    }

    // The line that came after the last line read, the last time that one came: its entry,
    // or kNone when there is none.
    Entry expected() const { return last_ == kNone ? kNone : entries_[std::size_t(last_)].next; }

    // An entry's line and its line end; empty when it ended other than by LF or CR LF.
    std::string_view raw(Entry entry) const {
        const Record& r = entries_[std::size_t(entry)];
        return {texts_.data() + r.offset, r.rawLength};
    }
    std::size_t lineLength(Entry entry) const { return entries_[std::size_t(entry)].lineLength; }
    std::size_t fieldsLength(Entry entry) const { return entries_[std::size_t(entry)].fields; }
    std::string_view logLine(Entry entry) const {
        const Record& r = entries_[std::size_t(entry)];
        return {texts_.data() + r.offset + r.lineLength + r.endLength, r.logLength};
    }

    // Forgets every line, and frees the memory.
    void clear();

    std::size_t size() const { return count_; }

private:
    struct Record {
        std::uint32_t offset = 0;  // where the line's bytes begin in texts_; its log line follows
        std::uint32_t lineLength = 0;
        std::uint32_t rawLength = 0;  // the line and its LF or CR LF; 0 when it ended otherwise
        std::uint32_t endLength = 0;  // the bytes of the line end kept after the line
        std::uint32_t fields = 0;
        std::uint32_t logLength = 0;
        Entry next = kNone;  // the line that came right after it, the last time
    };
    struct Slot {
        std::uint32_t hash = 0;
        Entry entry = kNone;
    };

    // One bit per value of the hash's top kMarkBits bits: set when a line with that value is
    // remembered.
    static constexpr unsigned kMarkBits = 19;
    static constexpr unsigned kMarkShift = 32 - kMarkBits;

    static constexpr std::uint32_t kMissesBeforeSampling = 64;
    static constexpr std::uint32_t kSampleStride = 16;

    Entry probe(std::string_view line) const;
    Entry lookUp(std::string_view line, std::uint32_t hash) const;
    void grow();

    std::vector<std::uint64_t> marks_;  // 2^kMarkBits bits, made with the first line remembered
    std::vector<Slot> slots_;           // a power of two of them, at most half taken
    std::vector<Record> entries_;
    std::vector<char> texts_;  // the lines remembered and their log lines, back to back
    std::size_t count_ = 0;
    Entry last_ = kNone;        // the entry of the last line read, when it was known
    std::uint32_t misses_ = 0;  // look-ups in a row that found nothing
    std::uint32_t tick_ = 0;    // lines passed by since sampling began
};

}  // namespace vestrel
