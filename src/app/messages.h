#pragma once
// What the program says on standard error: the usage text, the error messages and the closing
// report of a record run.

#include <chrono>
#include <string>
#include <string_view>

#include "app/files.h"
#include "app/run_state.h"
#include "app/verify_run.h"
#include "base/file_status.h"
#include "base/settings.h"

namespace vestrel {

inline constexpr int kExitOk = 0;
inline constexpr int kExitError = 1;

// The usage text; "\xF1" is the plus-minus sign of the console's code page.
inline constexpr std::string_view kUsage =
    "\nVestrel Ver.2.6 - EPD utility for Plimb/Vandrelo\r\n"
    "\nExtracts & modifies EPD-lines from EPD/FEN/PGN-files\r\n"
    "\nVestrel [infile] [options] [{>|>>}outfile]\r\n"
    "\nOption: /f|s|r[strings] ... find|skip|replace \"strings\"\r\n"
    "        /p|m[[\xF1~]x|y-z] ... piece|mate \"number\" [more|less|unequal|from-to]\r\n"
    "        /c[\xF1]           ... set castlings [ins|del]\r\n"
    "        /#              ... set mate info (\"ce\" <-> \"dm\")\r\n"
    "        /a|d[opcodes]   ... append|delete \"opcodes\"\r\n"
    "        /u[\xF1=][file]    ... update|sort|compare \"Vandrelo.epd\" (or \"file\")\r\n"
    "        /h[\xF1tags]       ... use|ignore \"tags\" in PGN headers for mate info\r\n"
    "        /0              ... no output (infos only)\r\n"
    "        /1              ... no hash usage\r\n"
    "        /2              ... no duplicate test\r\n"
    "        /xy             ... extra mirror test\r\n"
    "        /t[times][@]    ... filter \"times\":  [[\xF1~]xx:xx|yy:yy-zz:zz][@]\r\n"
    "        /@|q[params]    ... filter \"params\": {CRKPXcrkpx}[[\xF1~]x|y-z][/...]\r\n";

// The usage text for a UTF-8 terminal: LF line ends and the plus-minus sign as UTF-8.
std::string utf8Usage();

// A message line: line feed, text, bell for errors, CR LF.
void writeMessage(std::string_view text, bool error);
// Writes an error message; the exit status of an error.
int errorExit(std::string_view text);
// Writes a whole answer (--help, --version) to standard output.
int writeToOutput(std::string_view text);

std::string quoted(std::string_view name);

// The message of a failed file or database operation; `file` names the input file at fault.
// Ok is no failure and has no message.
std::string fileStatusMessage(FileStatus status, const RunSettings& settings,
                              std::string_view file = {});
// Writes the message of a failed file or database operation; the exit status of an error.
int fileErrorExit(FileStatus status, const RunSettings& settings, std::string_view file = {});

// The closing report of a record run, written piece by piece.
void writeClosingReport(const RunSettings& settings, const RunState& state,
                        std::chrono::steady_clock::time_point start);
// The closing report's further lines: records without a stipulation (--words), CSV lines
// skipped, and the verdict counts (--verify).
void writeFurtherReportLines(const RunSettings& settings, const RunState& state,
                             const VerifyRun* verify);

}  // namespace vestrel
