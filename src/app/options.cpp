#include "app/options.h"

#include <cmath>
#include <cstdlib>
#include <optional>
#include <utility>

#include "app/argument_kinds.h"
#include "app/range_parse.h"
#include "app/verify_options.h"
#include "base/platform.h"
#include "input/record_reader.h"
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

// The mode a /t operand's first character selects; any other character starts a from-to.
TimeMode timeModeOf(char c) {
    switch (c) {
        case '+':
            return TimeMode::More;
        case '-':
            return TimeMode::Less;
        case '~':
            return TimeMode::Unequal;
        default:
            return TimeMode::FromTo;
    }
}

bool storeTime(std::string_view o, TimeSetting& time) {
    if (o.size() > 1 && o[0] == '=') o.remove_prefix(1);
    time = TimeSetting{};
    time.active = true;
    if (o.empty()) return true;
    if (o == "@") {
        time.secondTime = true;
        return true;
    }
    if (o.back() == '@') {
        time.secondTime = true;
        o.remove_suffix(1);
    }
    if (!o.empty()) time.mode = timeModeOf(o[0]);
    switch (time.mode) {
        case TimeMode::More:
        case TimeMode::Unequal:
            time.lower = std::string(o.substr(1));
            break;
        case TimeMode::Less:
            time.upper = std::string(o.substr(1));
            break;
        case TimeMode::FromTo:
            if (o.size() >= 6 && o[5] == '-') {
                time.lower = std::string(o.substr(0, 5));
                if (o.size() > 6) time.upper = std::string(o.substr(6));
            } else {
                time.lower = time.upper = std::string(o);
            }
    }
    return isTimeText(time.lower, time.upper);
}

// The /@ operand: nothing ("the record has params"), or terms each ended by "/" (a final
// "/" is supplied), parsed once into typed terms.
bool storeParams(std::string_view o, ParamsSetting& params) {
    if (o.size() > 1 && o[0] == '=') o.remove_prefix(1);
    if (o.empty()) {
        params = ParamsSetting{ParamsMode::Present, {}};
        return true;
    }
    std::vector<ParamsTerm> terms;
    while (!o.empty()) {
        const std::size_t slash = o.find('/');
        const std::size_t end = slash == std::string_view::npos ? o.size() : slash + 1;
        if (!parseParamsTerm(o.substr(0, end), terms.emplace_back())) return false;
        o.remove_prefix(end);
    }
    params = ParamsSetting{ParamsMode::Terms, std::move(terms)};
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

// The texts between commas, with a final "," supplied when missing: "a,,b" has three items,
// "a," one; an empty text is a single empty item.
std::vector<std::string> splitItems(std::string_view list) {
    std::vector<std::string> items;
    do {
        const std::size_t comma = list.find(',');
        items.emplace_back(list.substr(0, comma));
        list.remove_prefix(comma == std::string_view::npos ? list.size() : comma + 1);
    } while (!list.empty());
    return items;
}

// A find or skip list; an empty operand turns the filter off.
TextList textList(std::string_view operand, ListMatch match) {
    if (operand.empty()) return TextList{};
    return TextList{match, splitItems(operand)};
}

// The /r list as old=new pairs, each item split at its first "="; an item without "=" deletes.
std::vector<Replacement> replacementList(std::string_view operand) {
    std::vector<Replacement> pairs;
    if (operand.empty()) return pairs;
    for (const std::string& item : splitItems(operand)) {
        const std::size_t eq = item.find('=');
        if (eq == std::string::npos) {
            pairs.push_back({item, ""});
        } else {
            pairs.push_back({item.substr(0, eq), item.substr(eq + 1)});
        }
    }
    return pairs;
}

// Names of an /a or /d list: trimmed, spaces as commas, items between commas (may be empty).
std::vector<std::string> nameList(std::string_view operand) {
    std::string text(trimText(operand));
    for (char& c : text) {
        if (c == ' ') c = ',';
    }
    text.push_back(',');
    return splitItems(text);
}

// The /a operand: nothing writes no opcodes, ";" all of them as without /a, else the names.
void storeAppendList(std::string_view operand, RunSettings& settings) {
    settings.appendNames.clear();
    if (operand.empty()) {
        settings.append = OpcodeChoice::None;
    } else if (operand == ";") {
        settings.append = OpcodeChoice::All;  // the same as no /a
    } else {
        settings.append = OpcodeChoice::Listed;
        settings.appendNames = nameList(operand);
    }
}

bool storeHeaderTags(std::string_view argument, RunSettings& settings) {
    if (argument == "/h") argument = "/h+Event,Site,Date,Round,White,Black,Result";
    argument = argument.substr(0, 2 + kMaxOperand);
    if (argument.size() < 4 || (argument[2] != '+' && argument[2] != '-')) return false;
    settings.headerTagMode =
        argument[2] == '+' ? HeaderTagMode::UseListed : HeaderTagMode::IgnoreListed;
    settings.headerTags = splitItems(argument.substr(3));
    return true;
}

// The /c operand: nothing, "+" or "-".
bool storeCastlingEdit(std::string_view argument, RunSettings& settings) {
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
}

// The options that select and edit records (/f /F /s /S /r /R /p /m /c /#); false when the
// operand is illegal, `known` false when the letter is none of them.
bool applyRecordOption(std::string_view argument, std::string_view operand, RunSettings& settings,
                       bool& known) {
    switch (argument[1]) {
        case 'f':
        case 'F':
            settings.find = textList(operand, argument[1] == 'f' ? ListMatch::Any : ListMatch::All);
            return true;
        case 's':
        case 'S':
            settings.skip = textList(operand, argument[1] == 's' ? ListMatch::Any : ListMatch::All);
            return true;
        case 'r':
        case 'R':
            settings.replacements = replacementList(operand);
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
            return storeCastlingEdit(argument, settings);
        case '#':
            settings.mateInfo = true;
            return true;
        default:
            known = false;
            return true;
    }
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
        case 'h':
            return storeHeaderTags(argument, settings);
        case 'a':
            storeAppendList(operand, settings);
            return true;
        case 'd':
            settings.deleteNames.clear();
            if (!operand.empty()) settings.deleteNames = nameList(operand);
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
            return applyRecordOption(argument, operand, settings, known);
    }
}

constexpr std::string_view kReportOption = "--report=";
constexpr std::string_view kReportLimitOption = "--report-limit=";

bool isReportOption(std::string_view argument) {
    return argument.starts_with(kReportOption) || argument.starts_with(kReportLimitOption);
}

// --report=FILE needs a name; --report-limit=N a number from 0 on.
bool storeReportOption(std::string_view argument, ReportSetting& report) {
    if (argument.starts_with(kReportOption)) {
        report.file = std::string(argument.substr(kReportOption.size()));
        return report.on();
    }
    const std::optional<std::int32_t> limit =
        parseOperandNumber(argument.substr(kReportLimitOption.size()));
    if (!limit || *limit < 0) return false;
    report.limit = *limit;
    return true;
}

// --type=epd|fen|pgn: the type of standard input.
bool storeInputType(std::string_view argument, RunSettings& settings) {
    constexpr std::pair<std::string_view, InputType> kTypes[] = {{"--type=epd", InputType::Epd},
                                                                 {"--type=fen", InputType::Fen},
                                                                 {"--type=pgn", InputType::Pgn}};
    for (const auto& [text, type] : kTypes) {
        if (argument == text) {
            settings.standardInputType = type;
            return true;
        }
    }
    return false;
}

// Adds an input file to the list; false for a second "-", as standard input is read once.
bool addInputFile(std::string_view argument, RunSettings& settings) {
    if (argument == kStandardInputName) {
        for (const std::string& name : settings.inputFiles) {
            if (name == kStandardInputName) return false;
        }
    }
    settings.inputFiles.emplace_back(argument);
    return true;
}

}  // namespace

OptionResult parseArguments(const std::vector<std::string_view>& arguments, RunSettings& settings) {
    OptionResult result;
    for (std::string_view argument : arguments) {
        if (argument == "--words") {
            settings.words = true;
            continue;
        }
        if (isVerifyOption(argument)) {
            if (applyVerifyOption(argument, settings.verify)) continue;
            result.verdict = OptionVerdict::Illegal;
            result.argument = std::string(argument);
            return result;
        }
        if (argument == "--legal" || argument == "--canonical") {
            (argument == "--legal" ? settings.fullLegalityTest : settings.canonicalKeys) = true;
            continue;
        }
        if (isReportOption(argument)) {
            if (storeReportOption(argument, settings.report)) continue;
            result.verdict = OptionVerdict::Illegal;
            result.argument = std::string(argument);
            return result;
        }
        bool known = true;
        bool legal = true;
        if (argument.starts_with("--type")) {
            legal = storeInputType(argument, settings);
        } else if (argument.empty() || argument[0] != '/' || namesInputFile(argument)) {
            legal = addInputFile(argument, settings);
        } else {
            // File names keep the command line's text; what is matched against records takes
            // the records' code page.
            legal = argument.starts_with("/u")
                        ? applyOption(argument, settings, known)
                        : applyOption(recordCodePage(argument), settings, known);
        }
        if (!known || !legal) {
            result.verdict = known ? OptionVerdict::Illegal : OptionVerdict::Unknown;
            result.argument = std::string(argument);
            return result;
        }
    }
    if (settings.report.on()) settings.report.arguments.assign(arguments.begin(), arguments.end());
    return result;
}

}  // namespace vestrel
