#pragma once
// The run settings: every option's value, filled once by option parsing and read by every
// step of the run through a const reference.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vestrel {

// The name, without ".epd", of the default input file and of the default database.
inline constexpr std::string_view kDefaultStem = "Vandrelo";

enum class RangeKind { None, More, Less, Unequal, Exact, FromTo };

// A number range of /p, /m and the params terms: "+x", "-x", "~x", "x" or "x-z".
struct Range {
    RangeKind kind = RangeKind::None;
    std::int32_t x = 0;
    std::int32_t z = 0;
};

enum class TimeMode { FromTo, More, Less, Unequal };

// The /t setting; an exact time is from-to with both times equal.
struct TimeSetting {
    bool active = false;
    TimeMode mode = TimeMode::FromTo;
    bool secondTime = false;  // "@": the time after the record's second-time marker
    std::string lower = "00:00";
    std::string upper = "99:99";
};

// One term of /@ or /q: a letter, an optional range and "/".
struct ParamsTerm {
    char letter = 'C';         // upper case
    bool alternative = false;  // written in lower case: or instead of and
    // "letter number /": that text must occur in the record's params, read without minus
    // signs. Every other form tests the letter's value against `range` (a bare letter is
    // "unequal 0").
    bool exact = false;
    std::string exactText;  // the number and its "/"
    Range range;
};

enum class ParamsMode { Off, Present, Terms };

// The /@ setting: off, "the record has params" (no terms), or the terms in their order.
struct ParamsSetting {
    ParamsMode mode = ParamsMode::Off;
    std::vector<ParamsTerm> terms;
};

enum class ListMatch { Any, All };

// A find or skip list: its items, and whether any or all of them must occur. No items: off.
struct TextList {
    ListMatch match = ListMatch::Any;
    std::vector<std::string> items;
};

enum class CastlingEdit { None, Set, Insert, Delete };
enum class HeaderTagMode { All, UseListed, IgnoreListed };
enum class DatabaseMode { None, Compare, Update, Sort, TimeUpdate };
// Which opcodes /a writes: all in their order (no /a), none (/a alone), or the listed ones.
enum class OpcodeChoice { All, None, Listed };

// One old=new pair of the /r list.
struct Replacement {
    std::string from;
    std::string to;
};

// --report=FILE and --report-limit=N: an HTML report of the run besides its normal outputs.
struct ReportSetting {
    std::string file;                    // empty: no report
    std::int64_t limit = 500;            // diagrams shown per kind of set-aside record
    std::vector<std::string> arguments;  // the command line as typed, for the report's header
    bool on() const { return !file.empty(); }
};

// What --verify asks: the longest stipulation to solve (0: no verification), the solver
// threads (0: one per core) and the positions one record may visit.
inline constexpr int kDefaultVerifyMoves = 3;
inline constexpr std::uint64_t kDefaultVerifyNodes = 20'000'000;
struct VerifySetting {
    int maxMoves = 0;
    int threads = 0;
    std::uint64_t nodes = kDefaultVerifyNodes;
};

// The kind of an input file: line mode (EPD, FEN) or PGN mode.
enum class InputType { Epd, Fen, Pgn };

// The input file name that stands for standard input.
inline constexpr std::string_view kStandardInputName = "-";

struct RunSettings {
    // The input files in the order given, read as one stream; none: the default "Vandrelo.epd".
    std::vector<std::string> inputFiles;
    InputType standardInputType = InputType::Epd;  // --type, for "-"

    TextList find;                          // /f (any), /F (all)
    TextList skip;                          // /s (any), /S (all)
    std::vector<Replacement> replacements;  // /r, in list order

    bool legalityTest = false;      // /p without operand
    bool fullLegalityTest = false;  // --legal: the /p test, then checks, last move, material
    bool canonicalKeys = false;     // --canonical: unusable e.p. squares, colour-reversed twins
    Range pieceRange;               // /p with operand
    Range mateRange;                // /m
    CastlingEdit castlingEdit = CastlingEdit::None;
    bool mateInfo = false;  // /#

    HeaderTagMode headerTagMode = HeaderTagMode::All;
    std::vector<std::string> headerTags;  // /h, in the order given

    OpcodeChoice append = OpcodeChoice::All;  // /a
    std::vector<std::string> appendNames;
    std::vector<std::string> deleteNames;  // /d; empty: nothing deleted

    DatabaseMode databaseMode = DatabaseMode::None;
    std::string databaseStem = std::string(kDefaultStem);
    double timeFactor = 1.0;

    bool noOutput = false;         // /0
    bool noHash = false;           // /1
    bool noDuplicateTest = false;  // /2
    bool mirrorTest = false;       // /xy
    bool hashCount = false;        // /hc

    TimeSetting time;      // /t
    ParamsSetting params;  // /@ and /q

    bool words = false;    // --words: stipulations read as phrases, number words included
    ReportSetting report;  // --report, --report-limit
    VerifySetting verify;  // --verify, --threads, --verify-nodes

    // Derived once: does any step need the mate-info conversion?
    bool convertsMateInfo() const { return mateInfo || mateRange.kind != RangeKind::None; }
    std::string databaseFileName() const { return databaseStem + ".epd"; }
    std::string backupFileName() const { return databaseStem + ".bak"; }
};

}  // namespace vestrel
