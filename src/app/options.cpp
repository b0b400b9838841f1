#include "app/options.h"

#include <cmath>
#include <cstdlib>

#include "base/platform.h"
#include "base/range.h"
#include "filter/opcode_edit.h"
#include "filter/selection.h"
#include "text/text.h"

namespace vestrel {

namespace {

constexpr std::size_t kMaxOperand = 255;

// A range operand of /p or /m, after one optional leading "=".
bool storeRangeOperand(std::string_view operand, Range& range) {
    if (!operand.empty() && operand[0] == '=') operand.remove_prefix(1);
    if (!checkRangeSyntax(operand)) return false;
    range = storeRange(operand);
    return true;
}

bool isTimeText(std::string_view lower, std::string_view upper) {
    if (lower.size() != 5 || upper.size() != 5) return false;
    for (std::string_view t : {lower, upper}) {
        for (std::size_t i = 0; i < 5; ++i) {
            if (i == 2 ? t[i] != ':' : !isDigit(t[i])) return false;
        }
    }
    return true;
}

bool storeTime(std::string_view o, TimeSetting& time) {
    if (o.size() > 1 && o[0] == '=') o.remove_prefix(1);
    time = TimeSetting{};
    time.active = true;
    if (o.empty()) return true;
    if (o == "@") {
        time.marker = '@';
        return true;
    }
    if (o.back() == '@') {
        time.marker = '@';
        o.remove_suffix(1);
    }
    if (!o.empty() && (o[0] == '+' || o[0] == '-' || o[0] == '~')) time.mode = o[0];
    switch (time.mode) {
        case '+':
        case '~':
            time.lower = std::string(o.substr(1));
            break;
        case '-':
            time.upper = std::string(o.substr(1));
            break;
        default:
            if (o.size() >= 6 && o[5] == '-') {
                time.lower = std::string(o.substr(0, 5));
                if (o.size() > 6) time.upper = std::string(o.substr(6));
            } else {
                time.lower = time.upper = std::string(o);
            }
    }
    return isTimeText(time.lower, time.upper);
}

bool isParamsLetter(char c) {
    switch (toUpperAscii(c)) {
        case 'C':
        case 'R':
        case 'K':
        case 'P':
        case 'X':
            return true;
        default:
            return false;
    }
}

bool storeParams(std::string_view o, std::string& params) {
    if (o.size() > 1 && o[0] == '=') o.remove_prefix(1);
    if (o.empty()) {
        params = "@";
        return true;
    }
    std::string terms(o);
    if (terms.back() != '/') terms.push_back('/');
    std::size_t start = 0;
    while (start < terms.size()) {
        std::size_t slash = terms.find('/', start);
        std::string_view term(terms.data() + start, slash + 1 - start);
        if (!isParamsLetter(term[0])) return false;
        if (term.size() > 2 && !checkRangeSyntax(term.substr(1, term.size() - 2))) return false;
        start = slash + 1;
    }
    params = std::move(terms);
    return true;
}

// Optional sign, digits with an optional point and fraction, optional exponent.
bool isDecimalReal(std::string_view s) {
    std::size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    std::size_t digits = 0;
    while (i < s.size() && isDigit(s[i])) ++i, ++digits;
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && isDigit(s[i])) ++i, ++digits;
    }
    if (digits == 0) return false;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
        std::size_t expDigits = 0;
        while (i < s.size() && isDigit(s[i])) ++i, ++expDigits;
        if (expDigits == 0) return false;
    }
    return i == s.size();
}

bool storeDatabase(std::string_view o, RunSettings& settings) {
    std::string operand(o);
    if (operand.empty() ||
        (operand[0] != '=' && operand[0] != '+' && operand[0] != '-' && operand[0] != ':')) {
        operand.insert(operand.begin(), '=');
    }
    switch (operand[0]) {
        case ':': {
            std::string number = operand.substr(1);
            if (!isDecimalReal(number)) return false;
            const double factor = std::strtod(number.c_str(), nullptr);
            if (!std::isfinite(factor) || !(factor > 0.0)) return false;
            settings.databaseMode = DatabaseMode::TimeUpdate;
            settings.timeFactor = factor;
            return true;
        }
        case '+':
            settings.databaseMode = DatabaseMode::Update;
            break;
        case '-':
            settings.databaseMode = DatabaseMode::Sort;
            break;
        default:
            settings.databaseMode = DatabaseMode::Compare;
            break;
    }
    if (operand.size() > 1) {
        std::string stem = operand.substr(1);
        if (stem.size() >= 4 && equalsIgnoreCase(rightPart(stem, 4), ".EPD")) {
            stem.resize(stem.size() - 4);
        }
        settings.databaseStem = std::move(stem);
    }
    return true;
}

bool storeHeaderTags(std::string_view argument, RunSettings& settings) {
    if (argument == "/h") argument = "/h+Event,Site,Date,Round,White,Black,Result";
    argument = argument.substr(0, 2 + kMaxOperand);
    if (argument.size() < 4 || (argument[2] != '+' && argument[2] != '-')) return false;
    settings.headerTagMode =
        argument[2] == '+' ? HeaderTagMode::UseListed : HeaderTagMode::IgnoreListed;
    settings.headerTagList = "," + std::string(argument.substr(3)) + ",";
    return true;
}

// Applies one argument; false when its operand is illegal.
bool applyOption(std::string_view argument, RunSettings& settings, bool& known) {
    known = true;
    if (argument == "/hc") {
        settings.hashCount = true;
        return true;
    }
    if (argument == "/xy") {
        settings.mirrorTest = true;
        return true;
    }
    if (argument.size() < 2 || argument[0] != '/') {
        known = false;
        return true;
    }
    const std::string_view operand = argument.substr(2, kMaxOperand);
    switch (argument[1]) {
        case 'f':
        case 'F':
            settings.findList = (argument[1] == 'f' ? "-" : "+") + std::string(operand);
            return true;
        case 's':
        case 'S':
            settings.skipList = (argument[1] == 's' ? "-" : "+") + std::string(operand);
            return true;
        case 'r':
        case 'R':
            settings.replaceList = std::string(operand);
            return true;
        case 'p':
            if (operand.empty()) {
                settings.legalityTest = true;
                return true;
            }
            return storeRangeOperand(operand, settings.pieceRange);
        case 'm':
            if (operand.empty()) {
                settings.mateRange = storeRange("~0");
                return true;
            }
            return storeRangeOperand(operand, settings.mateRange);
        case 'c':
            if (argument == "/c") {
                settings.castlingEdit = CastlingEdit::Set;
            } else if (argument == "/c+") {
                settings.castlingEdit = CastlingEdit::Insert;
            } else if (argument == "/c-") {
                settings.castlingEdit = CastlingEdit::Delete;
            } else {
                return false;
            }
            return true;
        case '#':
            settings.mateInfo = true;
            return true;
        case 'h':
            return storeHeaderTags(argument, settings);
        case 'a':
            settings.appendList = std::string(operand);
            return true;
        case 'd':
            settings.deleteList = std::string(operand);
            return true;
        case 'u':
            return storeDatabase(operand, settings);
        case '0':
            settings.noOutput = true;
            return true;
        case '1':
            settings.noHash = true;
            return true;
        case '2':
            settings.noDuplicateTest = true;
            return true;
        case 't':
            return storeTime(operand, settings.time);
        case 'q':
        case '@':
            return storeParams(operand, settings.params);
        default:
            known = false;
            return true;
    }
}

// An absolute name of an existing EPD, FEN or PGN file is the input file, not an option.
bool namesInputFile(std::string_view argument) {
    const std::string_view ending = rightPart(argument, 4);
    if (!equalsIgnoreCase(ending, ".EPD") && !equalsIgnoreCase(ending, ".FEN") &&
        !equalsIgnoreCase(ending, ".PGN")) {
        return false;
    }
    return isRegularFile(std::string(argument));
}

// Cuts the stored lists into items once, so that records never split them again.
void deriveLists(RunSettings& settings) {
    settings.findItems.clear();
    settings.skipItems.clear();
    settings.replacements.clear();
    if (settings.findList.size() > 1) settings.findItems = itemList(settings.findList.substr(1));
    if (settings.skipList.size() > 1) settings.skipItems = itemList(settings.skipList.substr(1));
    if (!settings.replaceList.empty())
        settings.replacements = replacementList(settings.replaceList);
    settings.appendNames = nameList(settings.appendList);
    settings.deleteNames = nameList(settings.deleteList);
}

}  // namespace

OptionResult parseArguments(const std::vector<std::string_view>& arguments, RunSettings& settings) {
    OptionResult result;
    for (std::string_view argument : arguments) {
        if (argument.empty() || argument[0] != '/' || namesInputFile(argument)) {
            settings.inputFile = std::string(argument);
            continue;
        }
        bool known = true;
        const bool legal = applyOption(argument, settings, known);
        if (!known || !legal) {
            result.verdict = known ? OptionVerdict::Illegal : OptionVerdict::Unknown;
            result.argument = std::string(argument);
            return result;
        }
    }
    deriveLists(settings);
    return result;
}

}  // namespace vestrel
