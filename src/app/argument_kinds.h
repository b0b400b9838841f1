#pragma once
// Arguments that look like something else: file names beginning with "/" like options, the
// help words of other programs, and a file name given to a mode that reads no input file.

#include <string>
#include <string_view>
#include <vector>

#include "base/settings.h"

namespace vestrel {

// A path with an input file's ending: it begins with "/", holds another "/" later and ends in
// ".epd", ".fen" or ".pgn" (any case). No option looks like that, except a database named with
// its mode ("/u+/srv/db.epd", "/u=data/db.epd"), which stays an option.
bool looksLikeFilePath(std::string_view argument);

// An argument beginning with "/" that is the input file's name all the same: such a path,
// whether the file is there or not, or the name of an existing regular file with such an
// ending ("/problems.epd" in the root folder).
bool namesInputFile(std::string_view argument);

// "/?", "-h", "-?" or "--help" in any letter case: the help, as other programs give it.
bool asksForHelp(std::string_view argument);

// The error message for an input file name given to /u- or /u:, which read no input file,
// naming the arguments that do what was probably meant; empty when there is none to give.
std::string inputForDatabaseMode(const std::vector<std::string_view>& arguments,
                                 const RunSettings& settings);

}  // namespace vestrel
