#pragma once
// What the report says about a record refused or judged by a test of its own: the legality
// rule an illegal position breaks and what the position shows against it, and the squares to
// mark on its diagram (the men at fault, the squares a verdict's keys move from and to).

#include <cstdint>
#include <string>
#include <string_view>

namespace vestrel {

struct ReasonText {
    std::string html;           // paragraphs to add to the entry, each begun with "</p><p>"
    std::uint64_t squares = 0;  // bit n: square n of the placement (a8 = 0, ..., h1 = 63)
};

// Explains why the position fields are illegal. `reason` is what the id text gives after
// "illegal: " (empty for /p's plain "illegal"): a rule of the full test ("opposite check") is
// explained when the static test passes and the position breaks that rule.
ReasonText explainIllegal(std::string_view fields, std::string_view reason);

// Why --verify left a record unchecked, from what its id text gives after "unchecked: "
// ("over the limit", "node budget", "illegal: opposite check", ...); empty for other texts.
std::string_view uncheckedInWords(std::string_view detail);

// The squares that the first moves of a verdict's solutions move from and to: "Qh8#, Qb7#",
// "#1 Ra8#" or "1.Kg8 Kh6 2.Kh8 Rxf8#, ...", in SAN as the solver writes them.
std::uint64_t keySquares(std::string_view fields, std::string_view solutions);

}  // namespace vestrel
