#include "input/stipulation_phrase.h"

#include <array>
#include <cstddef>
#include <cstdint>

#include "text/text.h"

namespace vestrel {

namespace {

// Longer texts are titles or notes, not a stipulation phrase.
constexpr std::size_t kMaxTokens = 24;
// Numbers in digits are stipulations below this limit, as in the header reading.
constexpr int kMoveNumberLimit = 300;

// Bytes of the normalised text: word bytes, a space between words, a bar between parts.
constexpr char kWordGap = ' ';
constexpr char kPartGap = '|';
constexpr char kUnknownLetter = '_';

// A Latin-1 letter spelt in ASCII ("ü" is "ue", "é" is "e"); other bytes of 0xA0 and above
// separate words, and the control range 0x80 to 0x9F is a letter no word table holds.
constexpr std::string_view latinLetter(unsigned char c) {
    if (c < 0xA0) return "_";
    if (c < 0xC0 || c == 0xD7 || c == 0xF7) return " ";
    const unsigned char lower = c == 0xDF ? c : static_cast<unsigned char>(c | 0x20);
    switch (lower) {
        case 0xE4:
        case 0xE6:
            return "ae";
        case 0xE7:
            return "c";
        case 0xF0:
            return "d";
        case 0xF1:
            return "n";
        case 0xF6:
            return "oe";
        case 0xFC:
            return "ue";
        case 0xFD:
        case 0xFF:
            return "y";
        case 0xFE:
            return "th";
        case 0xDF:
            return "ss";
        default:
            break;
    }
    if (lower <= 0xE5) return "a";
    if (lower <= 0xEB) return "e";
    if (lower <= 0xEF) return "i";
    if (lower <= 0xF8) return "o";
    return "u";
}

// Bytes that end a part of a title: "Problem 12, Mate in 3", "Mate in 2 (twin)".
constexpr bool isPartBreak(char c) {
    switch (c) {
        case ',':
        case ';':
        case ':':
        case '(':
        case ')':
        case '[':
        case ']':
        case '{':
        case '}':
        case '|':
        case '/':
        case '.':
        case '!':
        case '?':
            return true;
        default:
            return false;
    }
}

constexpr bool isWordByte(char c) {
    return isLowerLetter(c) || isDigit(c) || c == '#' || c == '=' || c == '.' ||
           c == kUnknownLetter;
}

constexpr bool isAlphanumeric(char c) { return isLowerLetter(c) || isUpperLetter(c) || isDigit(c); }

// Writes the text as lower-case ASCII words (digits, "#", "=" and a decimal point included)
// separated by spaces, with a bar where a part ends. A hyphen inside a word ("Help-mate",
// "dix-sept") separates words; one beside a space separates parts.
void normalise(std::string_view text, std::string& out) {
    out.clear();
    const std::size_t n = text.size();
    for (std::size_t i = 0; i < n; ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        const auto next = i + 1 < n ? static_cast<unsigned char>(text[i + 1]) : 0;
        if (c >= 0x80) {
            const bool continued = next >= 0x80 && next <= 0xBF;
            if (c == 0xC3 && continued) {  // UTF-8 of a Latin-1 letter
                out.append(latinLetter(static_cast<unsigned char>(next + 0x40)));
                ++i;
            } else if (c == 0xC2 && continued) {
                out.push_back(kWordGap);
                ++i;
            } else if (c == 0xE2 && next == 0x80 && i + 2 < n &&
                       (text[i + 2] == '\x93' || text[i + 2] == '\x94')) {  // en or em dash
                out.push_back(kPartGap);
                i += 2;
            } else {
                out.append(latinLetter(c));
            }
        } else if (isAlphanumeric(char(c)) || c == '#' || c == '=') {
            out.push_back(toLowerAscii(char(c)));
        } else if (c == '-') {
            const bool inWord = i > 0 && isAlphanumeric(text[i - 1]) && isAlphanumeric(char(next));
            out.push_back(inWord ? kWordGap : kPartGap);
        } else if (c == '.' && i > 0 && isDigit(text[i - 1]) && isDigit(char(next))) {
            out.push_back('.');  // "h#2.5" is one word, a number no stipulation takes
        } else if (c == '\'') {
            continue;  // "White's"
        } else {
            out.push_back(isPartBreak(char(c)) ? kPartGap : kWordGap);
        }
    }
}

// Only a text with a mark or a goal word ("mate", "matt", "mat", "patt", "stalemate", ...)
// can state a stipulation; each goal word holds "mat" or "pat".
bool mayStateStipulation(std::string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = toLowerAscii(text[i]);
        if (c == '#' || c == '=') return true;
        if ((c == 'm' || c == 'p') && i + 2 < text.size() && toLowerAscii(text[i + 1]) == 'a' &&
            toLowerAscii(text[i + 2]) == 't') {
            return true;
        }
    }
    return false;
}

struct WordValue {
    std::string_view word;
    int value;
};

// One to twenty in English, German and French; "dix" before "sept", "huit" or "neuf" is read
// as one number by readNumber.
constexpr WordValue kNumberWords[] = {
    {"one", 1},       {"two", 2},        {"three", 3},     {"four", 4},       {"five", 5},
    {"six", 6},       {"seven", 7},      {"eight", 8},     {"nine", 9},       {"ten", 10},
    {"eleven", 11},   {"twelve", 12},    {"thirteen", 13}, {"fourteen", 14},  {"fifteen", 15},
    {"sixteen", 16},  {"seventeen", 17}, {"eighteen", 18}, {"nineteen", 19},  {"twenty", 20},
    {"ein", 1},       {"eins", 1},       {"einem", 1},     {"zwei", 2},       {"drei", 3},
    {"vier", 4},      {"fuenf", 5},      {"funf", 5},      {"sechs", 6},      {"sieben", 7},
    {"acht", 8},      {"neun", 9},       {"zehn", 10},     {"elf", 11},       {"zwoelf", 12},
    {"zwolf", 12},    {"dreizehn", 13},  {"vierzehn", 14}, {"fuenfzehn", 15}, {"funfzehn", 15},
    {"sechzehn", 16}, {"siebzehn", 17},  {"achtzehn", 18}, {"neunzehn", 19},  {"zwanzig", 20},
    {"un", 1},        {"une", 1},        {"deux", 2},      {"trois", 3},      {"quatre", 4},
    {"cinq", 5},      {"sept", 7},       {"huit", 8},      {"neuf", 9},       {"dix", 10},
    {"onze", 11},     {"douze", 12},     {"treize", 13},   {"quatorze", 14},  {"quinze", 15},
    {"seize", 16},    {"dixsept", 17},   {"dixhuit", 18},  {"dixneuf", 19},   {"vingt", 20},
};

// A goal word: its mark ("#" mate, "=" stalemate) and the type letter it carries, if any.
struct GoalWord {
    std::string_view word;
    char type;
    char mark;
};

constexpr GoalWord kGoalWords[] = {
    {"mate", 0, '#'},
    {"mates", 0, '#'},
    {"matt", 0, '#'},
    {"mat", 0, '#'},
    {"matent", 0, '#'},
    {"checkmate", 0, '#'},
    {"checkmates", 0, '#'},
    {"schachmatt", 0, '#'},
    {"stalemate", 0, '='},
    {"patt", 0, '='},
    {"pat", 0, '='},
    {"helpmate", 'h', '#'},
    {"hilfsmatt", 'h', '#'},
    {"selfmate", 's', '#'},
    {"selbstmatt", 's', '#'},
    {"automat", 's', '#'},
    {"reflexmate", 'r', '#'},
    {"reflexmatt", 'r', '#'},
    {"helpstalemate", 'h', '='},
    {"hilfspatt", 'h', '='},
    {"selfstalemate", 's', '='},
    {"selbstpatt", 's', '='},
    {"reflexstalemate", 'r', '='},
    {"reflexpatt", 'r', '='},
};

struct TypeWord {
    std::string_view word;
    char type;
};

// Written before a goal word: "Help-mate", "Hilfs-Matt", "Self-mate", "Auto-mat".
constexpr TypeWord kTypesBefore[] = {
    {"help", 'h'}, {"hilfs", 'h'}, {"self", 's'}, {"selbst", 's'}, {"reflex", 'r'}, {"auto", 's'},
};
// Written after a goal word, in French: "mat aidé", "pat aidé", "mat inverse".
constexpr TypeWord kTypesAfter[] = {{"aide", 'h'}, {"inverse", 's'}};

constexpr std::string_view kPrepositions[] = {"in", "en"};
constexpr std::string_view kMoveWords[] = {"move",   "moves", "zug",  "zuge",
                                           "zuegen", "zugen", "coup", "coups"};

// Words that may stand before the stipulation itself: "White to play and", "Weiß zieht und
// setzt", "Les blancs jouent et font", "Trait aux blancs", "échec et".
constexpr std::string_view kLeadWords[] = {
    "white",  "black",  "to",    "play",    "plays", "move",  "and",  "force",
    "forces", "check",  "weiss", "schwarz", "zieht", "und",   "am",   "zug",
    "setzt",  "schach", "les",   "blancs",  "noirs", "blanc", "noir", "jouent",
    "joue",   "et",     "font",  "fait",    "trait", "aux",   "au",   "echec",
};

template <typename Table>
bool listed(const Table& table, std::string_view word) {
    for (std::string_view w : table) {
        if (w == word) return true;
    }
    return false;
}

template <typename Entry, std::size_t N>
const Entry* find(const Entry (&table)[N], std::string_view word) {
    for (const Entry& e : table) {
        if (e.word == word) return &e;
    }
    return nullptr;
}

// Digits for a move count from 1 to 299; 0 when the text is none.
int movesInDigits(std::string_view digits) {
    if (digits.empty() || digits.size() > 3) return 0;
    int value = 0;
    for (char c : digits) {
        if (!isDigit(c)) return 0;
        value = value * 10 + (c - '0');
    }
    return value < kMoveNumberLimit ? value : 0;
}

struct Stipulation {
    char type = 0;  // 'h', 's', 'r' or none
    char mark = '#';
    int moves = 0;
    bool bareMark = false;  // only a mark and a number, without a type letter or other words
};

// The short forms "#2", "h#3", "s=4" and "2#".
bool readShortForm(std::string_view token, Stipulation& s) {
    if (token.size() >= 2 && token.back() == '#') {
        s = {0, '#', movesInDigits(token.substr(0, token.size() - 1)), true};
        return s.moves != 0;
    }
    char type = 0;
    if (!token.empty() && (token[0] == 'h' || token[0] == 's' || token[0] == 'r')) {
        type = token[0];
        token.remove_prefix(1);
    }
    if (token.empty() || (token[0] != '#' && token[0] != '=')) return false;
    s = {type, token[0], movesInDigits(token.substr(1)), type == 0};
    return s.moves != 0;
}

struct Tokens {
    std::array<std::string_view, kMaxTokens> items;
    std::size_t count = 0;
};

// The words of `text`, split at spaces and bars; false when there are too many.
bool tokenize(std::string_view text, Tokens& tokens) {
    tokens.count = 0;
    std::size_t i = 0;
    while (i < text.size()) {
        if (!isWordByte(text[i])) {
            ++i;
            continue;
        }
        std::size_t end = i;
        while (end < text.size() && isWordByte(text[end])) ++end;
        if (tokens.count == kMaxTokens) return false;
        tokens.items[tokens.count++] = text.substr(i, end - i);
        i = end;
    }
    return true;
}

// A number at token `at`, in digits or words; the index after it, or 0 when there is none.
std::size_t readNumber(const Tokens& t, std::size_t at, int& moves) {
    if (at >= t.count) return 0;
    moves = movesInDigits(t.items[at]);
    if (moves != 0) return at + 1;
    const WordValue* word = find(kNumberWords, t.items[at]);
    if (word == nullptr) return 0;
    moves = word->value;
    if (word->word == "dix" && at + 1 < t.count) {  // "dix-sept", "dix huit", "dix neuf"
        const std::string_view unit = t.items[at + 1];
        if (unit == "sept" || unit == "huit" || unit == "neuf") {
            moves = 10 + find(kNumberWords, unit)->value;
            return at + 2;
        }
    }
    return at + 1;
}

// A goal with its type ("mate", "help mate", "hilfsmatt", "mat aidé") at token `at`; the index
// after it, or 0.
std::size_t readGoal(const Tokens& t, std::size_t at, Stipulation& s) {
    if (at >= t.count) return 0;
    const TypeWord* before = find(kTypesBefore, t.items[at]);
    if (before != nullptr) {
        if (at + 1 >= t.count) return 0;
        const GoalWord* goal = find(kGoalWords, t.items[at + 1]);
        if (goal == nullptr || goal->type != 0) return 0;
        s.type = before->type;
        s.mark = goal->mark;
        return at + 2;
    }
    const GoalWord* goal = find(kGoalWords, t.items[at]);
    if (goal == nullptr) return 0;
    s.type = goal->type;
    s.mark = goal->mark;
    ++at;
    if (goal->type == 0 && at < t.count) {
        const TypeWord* after = find(kTypesAfter, t.items[at]);
        if (after != nullptr) {
            s.type = after->type;
            ++at;
        }
    }
    return at;
}

// A preposition, a number and a move word after it, from token `at`; the index after them,
// or 0. The preposition may be left out only after a goal of a type ("Selfmate 3"): "Pat 2"
// is rather a name and a number.
std::size_t readCount(const Tokens& t, std::size_t at, Stipulation& s, bool afterTypedGoal) {
    if (at < t.count && listed(kPrepositions, t.items[at])) {
        ++at;
    } else if (!afterTypedGoal) {
        return 0;
    }
    at = readNumber(t, at, s.moves);
    if (at == 0) return 0;
    if (at < t.count && listed(kMoveWords, t.items[at])) ++at;
    return at;
}

// The stipulation itself, from token `at` to the end: a short form, a goal and its count
// ("mate in two moves"), or the count and then the goal ("in 3 Zügen matt").
bool readCore(const Tokens& t, std::size_t at, Stipulation& s) {
    if (at + 1 == t.count && readShortForm(t.items[at], s)) return true;
    s = Stipulation{};
    std::size_t end = readGoal(t, at, s);
    if (end != 0 && readCount(t, end, s, s.type != 0) == t.count) return true;
    s = Stipulation{};
    end = readCount(t, at, s, false);
    return end != 0 && readGoal(t, end, s) == t.count;
}

// Is the whole token list a stipulation: lead words, then the stipulation itself?
bool readTokens(const Tokens& t, Stipulation& s) {
    for (std::size_t at = 0; at < t.count; ++at) {
        if (readCore(t, at, s)) {
            if (at > 0) s.bareMark = false;
            return true;
        }
        if (!listed(kLeadWords, t.items[at])) return false;
    }
    return false;
}

void writeMateInfo(const Stipulation& s, std::string& mateInfo) {
    mateInfo.clear();
    if (s.type != 0) mateInfo.push_back(s.type);
    mateInfo.push_back(s.mark);
    appendDecimal(mateInfo, s.moves);
}

}  // namespace

PhraseFit readStipulationPhrase(std::string_view text, std::string& mateInfo, std::string& work) {
    if (!mayStateStipulation(text)) return PhraseFit::None;
    normalise(text, work);
    Tokens tokens;
    Stipulation s;
    if (tokenize(work, tokens) && readTokens(tokens, s)) {
        writeMateInfo(s, mateInfo);
        return PhraseFit::Whole;
    }
    std::string_view rest = work;
    if (rest.find(kPartGap) == std::string_view::npos) return PhraseFit::None;
    while (!rest.empty()) {
        const std::size_t bar = rest.find(kPartGap);
        const std::string_view part = rest.substr(0, bar);
        rest.remove_prefix(bar == std::string_view::npos ? rest.size() : bar + 1);
        if (tokenize(part, tokens) && readTokens(tokens, s) && !s.bareMark) {
            writeMateInfo(s, mateInfo);
            return PhraseFit::Part;
        }
    }
    return PhraseFit::None;
}

bool statesStipulation(std::string_view opcodeText) {
    std::size_t bm = opcodeText.starts_with("bm ") ? 0 : opcodeText.find(" bm ");
    if (bm == std::string_view::npos) return false;
    std::string_view operand = opcodeText.substr(bm + (bm == 0 ? 3 : 4));
    if (!operand.empty() && (operand[0] == 'h' || operand[0] == 's' || operand[0] == 'r')) {
        operand.remove_prefix(1);
    }
    if (operand.size() < 2 || (operand[0] != '#' && operand[0] != '=')) return false;
    const char first = operand[1] == '-' && operand.size() > 2 ? operand[2] : operand[1];
    return isDigit(first);
}

}  // namespace vestrel
