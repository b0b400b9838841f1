#include "database/sort.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <vector>

#include "base/line_reader.h"
#include "base/output.h"
#include "base/platform.h"
#include "database/rewrite.h"
#include "text/text.h"

namespace vestrel {

namespace {

constexpr std::size_t kKeyLength = 22;
// The tail of this text fills a key that stops early; its parts line up with the key fields.
constexpr std::string_view kKeyFill = "zzzzz zzz:zzz zzz:zzz ";
constexpr std::string_view kNoTime = "zzz:zzz ";
constexpr std::string_view kUnknownTime = "???:??? ";
constexpr std::string_view kDefaultStem = "Vandrelo";
constexpr std::string_view kHeaderMark = "% Vandrelo";
constexpr std::uint32_t kMaxEntries = 999999;

char charAt(std::string_view text, std::size_t index) {
    return index < text.size() ? text[index] : '\0';
}

// The seven characters of a time field: flag sign, the five time characters, "+" flag.
void appendTimeField(std::string& key, std::string_view t, std::size_t w) {
    const char flag = charAt(t, w + 5);
    char lead = flag == '-' ? '-' : ' ';
    if (w != 0) lead = lead == '-' ? '=' : '.';
    key.push_back(lead);
    key.append(t.substr(0, 5));
    key.push_back(flag == '+' ? '+' : ' ');
}

// Adds one time field and its space; false when the key stops here. The first time is
// ended by ";" and consumed, the second one must be followed by "@" and stays.
bool appendTime(std::string& key, std::string_view& t, bool first) {
    const std::size_t colon = t.find(':');
    if (colon == std::string_view::npos || colon < 2) return false;
    t.remove_prefix(colon - 2);
    const std::size_t w = charAt(t, 5) == ':' ? 3 : 0;
    const std::size_t stop = t.find(first ? ';' : '@');
    const bool malformed = first ? (stop == std::string_view::npos || stop + 1 > w + 7)
                                 : (stop == std::string_view::npos || stop + 1 < w + 7);
    if (malformed) {
        key.append(kNoTime);
    } else if (t.substr(0, 5) == "--:--") {
        key.append(kUnknownTime);
    } else {
        appendTimeField(key, t, w);
        key.push_back(' ');
        if (first) t.remove_prefix(stop + 1);
    }
    return true;
}

// Type, moves and the two times, as far as the line allows.
void appendKeyFields(std::string& key, std::string_view t) {
    const std::size_t bm = t.find(" bm ");
    if (bm == std::string_view::npos) return;
    t.remove_prefix(bm + 4);
    const char first = charAt(t, 0);
    const char second = charAt(t, 1);
    if (first == '#' || first == '=') {
        key.push_back(' ');
        key.push_back(first);
        t.remove_prefix(1);
    } else if (second == '#' || second == '=') {
        key.push_back(first == 'h' ? 'y' : (first == 's' ? 'x' : 'z'));
        key.push_back(second);
        t.remove_prefix(2);
    } else {
        return;
    }
    const std::size_t semi = t.find(';');
    if (semi == 0 || semi == std::string_view::npos) return;
    long long moves = parseLeadingInteger(t.substr(0, semi));
    if (moves < 0) moves = -moves;
    char digits[24];
    const auto res = std::to_chars(digits, digits + sizeof digits, moves);
    const std::size_t width = static_cast<std::size_t>(res.ptr - digits);
    if (width < 3) key.append(3 - width, ' ');
    key.append(digits, res.ptr);
    key.push_back(' ');
    t.remove_prefix(semi + 1);
    if (!appendTime(key, t, true)) return;
    appendTime(key, t, false);
}

// Appends the sort key of `line` to `key`; `work` is reused scratch space.
void appendSortKey(std::string& key, std::string_view line, std::string& work) {
    const std::size_t start = key.size();
    work.assign(trimText(line));
    work.append(";;;;;");
    appendKeyFields(key, work);
    const std::size_t length = key.size() - start;
    if (length < kKeyLength) {
        key.append(kKeyFill.substr(length));
    } else {
        key.resize(start + kKeyLength);
    }
}

// Every problem line as read, with its key upper-cased for comparing.
struct EntryTable {
    std::string keys;   // kKeyLength bytes per entry
    std::string lines;  // the lines as read, back to back
    std::vector<std::size_t> lineStart{0};
    std::size_t size() const { return lineStart.size() - 1; }
};

std::string_view keyText(const EntryTable& table, std::size_t entry) {
    return std::string_view(table.keys).substr(entry * kKeyLength, kKeyLength);
}

std::string_view lineText(const EntryTable& table, std::size_t entry) {
    return std::string_view(table.lines)
        .substr(table.lineStart[entry], table.lineStart[entry + 1] - table.lineStart[entry]);
}

void addEntry(EntryTable& table, std::string_view line, std::string& work) {
    const std::size_t from = table.keys.size();
    appendSortKey(table.keys, line, work);
    for (std::size_t i = from; i < table.keys.size(); ++i) {
        table.keys[i] = toUpperAscii(table.keys[i]);
    }
    table.lines.append(line);
    table.lineStart.push_back(table.lines.size());
}

// Eight bytes as a big-endian number, so that numbers order like the bytes.
std::uint64_t loadWord(const char* p) {
    std::uint64_t word;
    std::memcpy(&word, p, sizeof word);
    if constexpr (std::endian::native == std::endian::little) word = __builtin_bswap64(word);
    return word;
}

// Upper-cases the ASCII letters of eight bytes at once.
std::uint64_t upperWord(std::uint64_t word) {
    constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
    constexpr std::uint64_t kHigh = 0x8080808080808080ULL;
    const std::uint64_t low7 = word & ~kHigh;
    const std::uint64_t atLeastA = low7 + (0x80 - 'a') * kOnes;    // high bit: byte >= 'a'
    const std::uint64_t aboveZ = low7 + (0x80 - 'z' - 1) * kOnes;  // high bit: byte > 'z'
    const std::uint64_t lower = atLeastA & ~aboveZ & ~word & kHigh;
    return word - (lower >> 2);
}

// Compares two lines from byte `skip` on as if upper-cased, byte by byte, unsigned; a
// proper prefix is smaller. The first `skip` bytes are known to compare equal.
int compareLinesUpper(std::string_view a, std::string_view b, std::size_t skip) {
    const std::size_t common = std::min(a.size(), b.size());
    std::size_t i = std::min(skip, common);
    for (; i + 8 <= common; i += 8) {
        const std::uint64_t x = upperWord(loadWord(a.data() + i));
        const std::uint64_t y = upperWord(loadWord(b.data() + i));
        if (x != y) return x < y ? -1 : 1;
    }
    for (; i < common; ++i) {
        const auto x = static_cast<unsigned char>(toUpperAscii(a[i]));
        const auto y = static_cast<unsigned char>(toUpperAscii(b[i]));
        if (x != y) return x < y ? -1 : 1;
    }
    return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

// The whole key and the first two line bytes, upper-cased and big-endian, zero-padded.
struct SortItem {
    std::uint64_t head[3];
    std::uint32_t entry;
};

constexpr std::size_t kLineBytesInHead = 3 * 8 - kKeyLength;

SortItem makeItem(const EntryTable& table, std::uint32_t entry) {
    char bytes[24] = {};
    std::memcpy(bytes, keyText(table, entry).data(), kKeyLength);
    const std::string_view line = lineText(table, entry);
    for (std::size_t i = 0; i < kLineBytesInHead && i < line.size(); ++i) {
        bytes[kKeyLength + i] = toUpperAscii(line[i]);
    }
    return SortItem{{loadWord(bytes), loadWord(bytes + 8), loadWord(bytes + 16)}, entry};
}

int compareItems(const EntryTable& table, const SortItem& a, const SortItem& b) {
    for (int w = 0; w < 3; ++w) {
        if (a.head[w] != b.head[w]) return a.head[w] < b.head[w] ? -1 : 1;
    }
    return compareLinesUpper(lineText(table, a.entry), lineText(table, b.entry), kLineBytesInHead);
}

// Shell sort with the halving gaps over the ranks, strict comparison. Each pass is an
// insertion sort of every chain of entries `gap` apart; insertion sort with a strict test is
// stable, so a chain that would take too many moves is stably sorted instead, with the same
// result. Returns the entries in their final order.
std::vector<std::uint32_t> shellSortOrder(const std::vector<std::uint32_t>& rank) {
    const std::size_t n = rank.size();
    std::vector<std::uint64_t> slots(n);
    for (std::size_t i = 0; i < n; ++i) slots[i] = (std::uint64_t{rank[i]} << 32) | i;
    const auto rankOf = [](std::uint64_t slot) { return slot >> 32; };
    std::vector<std::uint64_t> chain;
    for (std::size_t gap = n / 2; gap >= 1; gap /= 2) {
        for (std::size_t first = 0; first < gap; ++first) {
            chain.clear();
            for (std::size_t i = first; i < n; i += gap) chain.push_back(slots[i]);
            const std::size_t m = chain.size();
            const std::size_t budget = 4 * m * (std::bit_width(m) + 1);
            std::size_t moves = 0;
            bool gaveUp = false;
            for (std::size_t i = 1; i < m && !gaveUp; ++i) {
                const std::uint64_t x = chain[i];
                std::size_t j = i;
                while (j > 0 && rankOf(chain[j - 1]) > rankOf(x)) {
                    chain[j] = chain[j - 1];
                    --j;
                    if (++moves > budget) {
                        gaveUp = true;
                        break;
                    }
                }
                chain[j] = x;
            }
            if (gaveUp) {
                chain.clear();
                for (std::size_t i = first; i < n; i += gap) chain.push_back(slots[i]);
                std::stable_sort(chain.begin(), chain.end(), [&](std::uint64_t a, std::uint64_t b) {
                    return rankOf(a) < rankOf(b);
                });
            }
            std::size_t k = 0;
            for (std::size_t i = first; i < n; i += gap) slots[i] = chain[k++];
        }
    }
    std::vector<std::uint32_t> order(n);
    for (std::size_t i = 0; i < n; ++i) order[i] = static_cast<std::uint32_t>(slots[i]);
    return order;
}

// The entries in the order of the Shell sort. A fast sort settles everything except the order
// among entries that compare equal yet differ in letter case; only then are the Shell sort's
// moves replayed on the ranks.
std::vector<std::uint32_t> sortedOrder(const EntryTable& table) {
    const std::size_t n = table.size();
    std::vector<SortItem> items;
    items.reserve(n);
    for (std::size_t e = 0; e < n; ++e) {
        items.push_back(makeItem(table, static_cast<std::uint32_t>(e)));
    }
    std::sort(items.begin(), items.end(),
              [&](const SortItem& a, const SortItem& b) { return compareItems(table, a, b) < 0; });
    std::vector<std::uint32_t> rank(n);
    bool caseOnlyGroups = false;
    std::uint32_t current = 0;
    for (std::size_t k = 0; k < n; ++k) {
        if (k > 0) {
            const SortItem& prev = items[k - 1];
            const SortItem& item = items[k];
            if (compareItems(table, prev, item) != 0) {
                ++current;
            } else if (lineText(table, prev.entry) != lineText(table, item.entry)) {
                caseOnlyGroups = true;
            }
        }
        rank[items[k].entry] = current;
    }
    if (caseOnlyGroups) return shellSortOrder(rank);
    std::vector<std::uint32_t> order(n);
    for (std::size_t k = 0; k < n; ++k) order[k] = items[k].entry;
    return order;
}

// Same text in characters [from, from + count) of two keys (missing characters count as none).
bool sameField(std::string_view a, std::string_view b, std::size_t from, std::size_t count) {
    const auto field = [&](std::string_view s) {
        return from < s.size() ? s.substr(from, count) : std::string_view();
    };
    return field(a) == field(b);
}

// The sorted file: header, groups by type and moves with their empty lines and section
// comments, and the closing empty line and comment.
void writeSorted(Rewrite& rewrite, const EntryTable& table, const std::vector<std::uint32_t>& order,
                 std::string_view header, bool defaultDatabase) {
    if (defaultDatabase) rewriteLine(rewrite, header);
    std::string_view previous = header;
    for (const std::uint32_t entry : order) {
        const std::string_view key = keyText(table, entry);
        if (key.substr(0, 2) == " #") {
            if (!sameField(key, previous, 2, 3)) rewriteLine(rewrite, "");
        } else if (!sameField(key, previous, 0, 2)) {
            rewriteLine(rewrite, "");
            if (defaultDatabase && previous.substr(0, 2) == " #") {
                rewriteLine(rewrite, "% Special problem types:");
                rewriteLine(rewrite, "");
            }
        }
        rewriteLine(rewrite, lineText(table, entry));
        previous = key;
    }
    rewriteLine(rewrite, "");
    if (defaultDatabase) {
        rewriteLine(rewrite, "% New problem updates:");
        rewriteLine(rewrite, "");
    }
}

}  // namespace

std::string sortKey(std::string_view line) {
    std::string key;
    std::string work;
    appendSortKey(key, line, work);
    return key;
}

DatabaseResult sortDatabase(const RunSettings& settings,
                            std::chrono::steady_clock::time_point start) {
    const std::string& stem = settings.databaseStem;
    Rewrite rewrite;
    LineReader reader;
    if (!beginDatabaseRewrite(rewrite, reader, stem)) return DatabaseResult::NotFound;
    skipByteOrderMark(reader);
    writeError("\nReading ... ");

    EntryTable table;
    table.lines.reserve(static_cast<std::size_t>(fileSize(reader.fd)));
    std::string header;
    std::string work;
    std::string_view line;
    bool tooMany = false;
    while (nextLine(reader, line)) {
        if (line.starts_with(kHeaderMark)) {
            header.assign(line);
            continue;
        }
        if (line.empty() || line[0] == '%') continue;
        if (table.size() >= kMaxEntries) {
            tooMany = true;
            break;
        }
        addEntry(table, line, work);
    }
    const bool readFailed = reader.readFailed;
    closeLineReader(reader);
    if (tooMany || readFailed) {
        abandonRewrite(rewrite);
        return tooMany ? DatabaseResult::TooManyLines : DatabaseResult::NotFound;
    }

    writeError("\nSorting ... ");
    const std::vector<std::uint32_t> order = sortedOrder(table);

    writeError("\nWriting ... ");
    const bool defaultDatabase = stem == kDefaultStem;
    writeSorted(rewrite, table, order, header, defaultDatabase);
    if (!commitRewrite(rewrite)) return DatabaseResult::WriteFailed;
    // The default database is dated today, 18:00 local time; a failure leaves the date as it is.
    if (defaultDatabase) setModificationHourToday(rewrite.databasePath, 18);

    std::string closing(kLineEnd);
    closing.push_back('\n');
    appendDecimal(closing, static_cast<long long>(table.size()));
    closing.append(" EPD-lines sorted in \"");
    closing.append(stem);
    closing.append(".epd\"  (");
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, seconds, std::chars_format::fixed, 2);
    closing.append(buf, res.ptr);
    closing.append(" sec)");
    closing.append(kLineEnd);
    writeError(closing);
    return DatabaseResult::Done;
}

}  // namespace vestrel
