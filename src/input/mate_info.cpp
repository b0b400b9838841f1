#include "input/mate_info.h"

#include <charconv>
#include <string_view>

#include "text/text.h"

namespace vestrel {

namespace {

constexpr std::size_t kNotFound = std::string_view::npos;
// A "bm #n" or "dm n" is mate information only for |n| below this.
constexpr long long kMateLengthLimit = 384;
// Mate scores: 32768 - 2n for a mate in n; a "ce" counts as a mate score when its magnitude
// lies strictly between the floor and 32767.
constexpr long long kMateScoreBase = 32768;
constexpr long long kMateScoreFloor = 32000;
constexpr long long kMateScoreCeiling = 32767;

// Where the operand of `pattern` (such as " bm #") starts, searching the opcode text with a
// space put in front of it so that an opcode at the very start counts; the first one wins.
std::size_t operandStart(std::string_view text, std::string_view pattern) {
    if (text.starts_with(pattern.substr(1))) return pattern.size() - 1;
    std::size_t at = text.find(pattern);
    return at == kNotFound ? kNotFound : at + pattern.size();
}

// The operand text from `start` up to the next ";".
std::string_view operandAt(std::string_view text, std::size_t start) {
    std::size_t end = text.find(';', start);
    return text.substr(start, end == kNotFound ? kNotFound : end - start);
}

long long magnitudeOf(long long v) { return v < 0 ? -v : v; }

// 32768 - 2n for a mate in n, -(32767 - 2|n|) for being mated in |n|.
long long scoreOfMate(long long n) {
    return n > 0 ? kMateScoreBase - 2 * n : -(kMateScoreCeiling + 2 * n);
}

// Puts `a`, `b` and `c` in front of the text. Shifting the text once instead of three times
// saved nothing measurable ("bench.epd /#", bench/instructions.sh).
void prependParts(std::string& text, std::string_view a, std::string_view b, std::string_view c) {
    text.insert(0, c);
    text.insert(0, b);
    text.insert(0, a);
}

void appendOpcode(std::string& text, std::string_view head, std::string_view operand) {
    text.append(head);
    text.append(operand);
    text.push_back(';');
}

}  // namespace

int convertMateInfo(std::string& opcodeText, const MateInfoSettings& settings) {
    if (!opcodeText.empty() && opcodeText.back() != ';') opcodeText.push_back(';');

    std::size_t bmAt = operandStart(opcodeText, " bm #");
    std::size_t dmAt = operandStart(opcodeText, " dm ");
    std::size_t ceAt = operandStart(opcodeText, " ce ");

    if (bmAt != kNotFound || dmAt != kNotFound) {
        std::string_view operandView = operandAt(opcodeText, bmAt != kNotFound ? bmAt : dmAt);
        std::optional<std::int32_t> parsed = parseWholeInteger(operandView);
        if (!parsed || *parsed == 0 || magnitudeOf(*parsed) >= kMateLengthLimit) return 0;
        long long n = *parsed;
        int length = static_cast<int>(magnitudeOf(n));
        if (!settings.addMissingForms) return length;

        // The operand goes on as written ("03" stays "03"). Copied, because the text is
        // about to move; a number below the limit fits the string's own small buffer.
        std::string operand(operandView);
        if (bmAt == kNotFound) prependParts(opcodeText, "bm #", operand, "; ");
        if (dmAt == kNotFound && n > 0) appendOpcode(opcodeText, " dm ", operand);
        if (ceAt == kNotFound) {
            opcodeText.append(" ce ");
            appendDecimal(opcodeText, scoreOfMate(n));
            opcodeText.push_back(';');
        }
        return length;
    }

    if (ceAt != kNotFound) {
        std::optional<std::int32_t> parsed = parseWholeInteger(operandAt(opcodeText, ceAt));
        if (!parsed) return 0;
        long long score = *parsed;
        long long magnitude = magnitudeOf(score);
        if (magnitude <= kMateScoreFloor || magnitude >= kMateScoreCeiling) return 0;
        long long n = signOf(score) * ((kMateScoreBase - magnitude) / 2);
        int length = static_cast<int>(magnitudeOf(n));
        if (!settings.addMissingForms) return length;

        // Numbers derived from the score are written fresh in plain decimal.
        char digits[24];
        std::to_chars_result written = std::to_chars(digits, digits + sizeof digits, n);
        std::string_view nText(digits, static_cast<std::size_t>(written.ptr - digits));
        prependParts(opcodeText, "bm #", nText, "; ");
        if (n > 0) appendOpcode(opcodeText, " dm ", nText);
        return length;
    }
    return 0;
}

}  // namespace vestrel
