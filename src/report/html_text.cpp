#include "report/html_text.h"

#include <array>
#include <charconv>

namespace vestrel {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Windows-1252 from 0x80 to 0x9F; the five unassigned bytes read as U+FFFD.
constexpr std::array<char32_t, 32> kWindows1252High = {
    0x20AC,       kReplacement, 0x201A, 0x0192, 0x201E, 0x2026,       0x2020, 0x2021,
    0x02C6,       0x2030,       0x0160, 0x2039, 0x0152, kReplacement, 0x017D, kReplacement,
    kReplacement, 0x2018,       0x2019, 0x201C, 0x201D, 0x2022,       0x2013, 0x2014,
    0x02DC,       0x2122,       0x0161, 0x203A, 0x0153, kReplacement, 0x017E, 0x0178,
};

void appendReference(std::string& out, char32_t code) {
    char digits[16];
    const auto end = std::to_chars(digits, digits + sizeof digits, std::uint32_t(code)).ptr;
    out.append("&#");
    out.append(digits, end);
    out.push_back(';');
}

// The length of a well-formed UTF-8 sequence at the start of `s` (from its lead byte on), or
// 0: no overlong forms, no surrogates, nothing beyond U+10FFFF.
std::size_t utf8Length(std::string_view s) {
    const auto byte = [&s](std::size_t i) { return static_cast<unsigned char>(s[i]); };
    const auto tail = [&](std::size_t i) { return i < s.size() && (byte(i) & 0xC0) == 0x80; };
    const unsigned lead = byte(0);
    if (lead >= 0xC2 && lead <= 0xDF) return tail(1) ? 2 : 0;
    if (lead >= 0xE0 && lead <= 0xEF) {
        if (!tail(1) || !tail(2)) return 0;
        if (lead == 0xE0 && byte(1) < 0xA0) return 0;   // overlong
        if (lead == 0xED && byte(1) >= 0xA0) return 0;  // surrogate
        return 3;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        if (!tail(1) || !tail(2) || !tail(3)) return 0;
        if (lead == 0xF0 && byte(1) < 0x90) return 0;
        if (lead == 0xF4 && byte(1) >= 0x90) return 0;
        return 4;
    }
    return 0;
}

// Bytes that stand for themselves in the page: printable ASCII but for the five with a meaning
// in HTML, and the tab.
constexpr std::array<bool, 256> kPlainByte = [] {
    std::array<bool, 256> table{};
    for (int c = 0x20; c < 0x7F; ++c) table[std::size_t(c)] = true;
    for (char c : std::string_view("&<>\"'")) table[std::uint8_t(c)] = false;
    table['\t'] = true;
    return table;
}();

}  // namespace

void appendEscaped(std::string& out, std::string_view bytes) {
    for (std::size_t i = 0; i < bytes.size();) {
        // A run of plain bytes in one piece.
        std::size_t plain = i;
        while (plain < bytes.size() && kPlainByte[static_cast<unsigned char>(bytes[plain])])
            ++plain;
        if (plain != i) {
            out.append(bytes.substr(i, plain - i));
            i = plain;
            continue;
        }
        const unsigned char c = static_cast<unsigned char>(bytes[i]);
        if (c >= 0x80) {
            const std::size_t n = utf8Length(bytes.substr(i));
            if (n != 0) {
                out.append(bytes.substr(i, n));
                i += n;
                continue;
            }
            appendReference(out, c < 0xA0 ? kWindows1252High[c - 0x80] : char32_t(c));
        } else if (c == '&') {
            out.append("&amp;");
        } else if (c == '<') {
            out.append("&lt;");
        } else if (c == '>') {
            out.append("&gt;");
        } else if (c == '"') {
            out.append("&quot;");
        } else if (c == '\'') {
            out.append("&#39;");
        } else if ((c < 0x20 && c != '\t') || c == 0x7F) {
            appendReference(out, kReplacement);
        } else {
            out.push_back(char(c));
        }
        ++i;
    }
}

void appendEscapedCut(std::string& out, std::string_view bytes, std::size_t limit) {
    if (bytes.size() <= limit) {
        appendEscaped(out, bytes);
        return;
    }
    // Cut before a UTF-8 continuation byte never splits a character in two.
    std::size_t cut = limit;
    while (cut > 0 && (static_cast<unsigned char>(bytes[cut]) & 0xC0) == 0x80) --cut;
    appendEscaped(out, bytes.substr(0, cut));
    out.append("&#8230;");
}

void appendNumber(std::string& out, std::int64_t value) {
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    out.append(digits, end);
}

}  // namespace vestrel
