#pragma once
// Byte-string helpers shared by every subsystem. Letters are ASCII only; every other byte
// (the 0xF1 of the usage text, Latin-1 letters in PGN tags) passes through unchanged.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vestrel {

inline constexpr std::string_view kLineEnd = "\r\n";

constexpr char toUpperAscii(char c) { return (c >= 'a' && c <= 'z') ? char(c - 32) : c; }
constexpr char toLowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? char(c + 32) : c; }
constexpr bool isDigit(char c) { return c >= '0' && c <= '9'; }
constexpr bool isUpperLetter(char c) { return c >= 'A' && c <= 'Z'; }
constexpr bool isLowerLetter(char c) { return c >= 'a' && c <= 'z'; }

// Replaces every occurrence of `from` in `text` by `to`, left to right; inserted text is not
// rescanned. An empty `from` changes nothing. `scratch` is a reused buffer.
void replaceAll(std::string& text, std::string_view from, std::string_view to,
                std::string& scratch);

// Removes every byte below 33 (space and control characters) from both ends.
std::string_view trimText(std::string_view text);
std::string_view trimLeft(std::string_view text);
std::string_view trimRight(std::string_view text);

// Cuts the field before the first space off the front of `rest`, together with that space
// (the whole of `rest` when it has none). The field is empty when `rest` starts with a space.
// `separator`, when given, receives the space that was cut (empty at the end of the text).
// Inline: the record path cuts two fields of every line.
inline std::string_view cutField(std::string_view& rest, std::string_view* separator = nullptr) {
    const std::size_t space = rest.find(' ');
    const std::string_view field = rest.substr(0, space);
    const std::string_view cut =
        space == std::string_view::npos ? std::string_view() : rest.substr(space, 1);
    if (separator != nullptr) *separator = cut;
    rest.remove_prefix(field.size() + cut.size());
    return field;
}

// The rightmost n bytes (the whole text when it is shorter).
std::string_view rightPart(std::string_view text, std::size_t n);

std::string upperCase(std::string_view text);
bool equalsIgnoreCase(std::string_view a, std::string_view b);

constexpr int maxOf(int a, int b) { return a > b ? a : b; }
constexpr int signOf(long long v) { return v > 0 ? 1 : (v < 0 ? -1 : 0); }

// Whole-text decimal number: optional "+" or "-", then at least one digit, nothing else.
// Fails (nothing) when the value does not fit in a signed 32-bit integer.
std::optional<std::int32_t> parseOperandNumber(std::string_view text);

// Record conversion: leading spaces, an optional sign, then digits; every byte must be used.
// Values beyond the 32-bit range saturate instead of overflowing.
std::optional<std::int32_t> parseWholeInteger(std::string_view text);

// Lenient record conversion: leading spaces, optional sign, then the digits up to the first
// byte that is not one; no digits gives 0. Saturates at the 32-bit limits.
std::int32_t parseLeadingInteger(std::string_view text);

// Decimal text of a signed number.
std::string decimalText(long long value);
void appendDecimal(std::string& out, long long value);

}  // namespace vestrel
