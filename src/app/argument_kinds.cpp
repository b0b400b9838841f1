#include "app/argument_kinds.h"

#include "base/platform.h"
#include "input/record_reader.h"
#include "text/text.h"

namespace vestrel {

namespace {

// An EPD, FEN, PGN or CSV file name, by its ending in any letter case.
bool hasInputEnding(std::string_view argument) { return inputKindOf(argument).has_value(); }

// "/u=", "/u+" or "/u-" and a database name.
bool namesDatabase(std::string_view argument) {
    return argument.size() > 3 && argument.starts_with("/u") &&
           (argument[2] == '=' || argument[2] == '+' || argument[2] == '-');
}

// An argument for the command shown in a message, quoted when a blank would split it.
std::string shownArgument(const std::string& argument) {
    return argument.find(' ') == std::string::npos ? argument : "\"" + argument + "\"";
}

}  // namespace

bool looksLikeFilePath(std::string_view argument) {
    return argument.size() > 1 && argument[0] == '/' &&
           argument.find('/', 1) != std::string_view::npos && hasInputEnding(argument) &&
           !namesDatabase(argument);
}

bool namesInputFile(std::string_view argument) {
    if (!hasInputEnding(argument)) return false;
    return looksLikeFilePath(argument) || isRegularFile(std::string(argument));
}

bool asksForHelp(std::string_view argument) {
    for (std::string_view word : {"/?", "-h", "-?", "--help"}) {
        if (equalsIgnoreCase(argument, word)) return true;
    }
    return false;
}

std::string inputForDatabaseMode(const std::vector<std::string_view>& arguments,
                                 const RunSettings& settings) {
    const bool sort = settings.databaseMode == DatabaseMode::Sort;
    if (settings.inputFiles.empty() ||
        (!sort && settings.databaseMode != DatabaseMode::TimeUpdate)) {
        return "";
    }
    std::string mode = sort ? "/u-" : "/u:";
    for (std::string_view argument : arguments) {
        if (!sort && argument.starts_with("/u:")) mode = std::string(argument);
    }
    const std::string& name = settings.inputFiles.front();
    std::string message = "ERROR: " + mode + " reads no input file, but \"" + name + "\" is given";
    if (equalsIgnoreCase(rightPart(name, 4), ".EPD")) {
        const std::string stem = name.substr(0, name.size() - 4);
        message += sort ? ": to sort it write " + shownArgument("/u-" + stem)
                        : ": to update its times write " + shownArgument("/u=" + stem) + " " +
                              shownArgument(mode);
    }
    return message + " !";
}

}  // namespace vestrel
