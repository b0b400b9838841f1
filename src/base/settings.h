#pragma once
// The run settings: every option's value, filled once by option parsing and read by every
// step of the run through a const reference.

#include <cstdint>
#include <string>
#include <vector>

namespace vestrel {

enum class RangeKind { None, More, Less, Unequal, Exact, FromTo };

// A number range of /p, /m and the params terms: "+x", "-x", "~x", "x" or "x-z".
struct Range {
    RangeKind kind = RangeKind::None;
    std::int32_t x = 0;
    std::int32_t z = 0;
};

// The /t setting. `mode` is '+', '-', '~' or ' ' (from-to); `marker` is '@' or ' '.
struct TimeSetting {
    bool active = false;
    char mode = ' ';
    char marker = ' ';
    std::string lower = "00:00";
    std::string upper = "99:99";
};

enum class CastlingEdit { None, Set, Insert, Delete };
enum class HeaderTagMode { All, UseListed, IgnoreListed };
enum class DatabaseMode { None, Compare, Update, Sort, TimeUpdate };

// One old=new pair of the /r list.
struct Replacement {
    std::string from;
    std::string to;
};

struct RunSettings {
    std::string inputFile;  // empty: the default "Vandrelo.epd"

    // Find and skip lists as stored: a sign character ('-' any, '+' all) and the operand.
    std::string findList;
    std::string skipList;
    std::string replaceList;
    // The same lists cut into items once, so records need not re-split them.
    std::vector<std::string> findItems;
    std::vector<std::string> skipItems;
    std::vector<Replacement> replacements;

    bool legalityTest = false;  // /p without operand
    Range pieceRange;           // /p with operand
    Range mateRange;            // /m
    CastlingEdit castlingEdit = CastlingEdit::None;
    bool mateInfo = false;  // /#

    HeaderTagMode headerTagMode = HeaderTagMode::All;
    std::string headerTagList;  // "," + tags + ","

    std::string appendList = ";";          // /a
    std::string deleteList;                // /d
    std::vector<std::string> appendNames;  // name lists of /a and /d, cut once
    std::vector<std::string> deleteNames;

    DatabaseMode databaseMode = DatabaseMode::None;
    std::string databaseStem = "Vandrelo";
    double timeFactor = 1.0;

    bool noOutput = false;         // /0
    bool noHash = false;           // /1
    bool noDuplicateTest = false;  // /2
    bool mirrorTest = false;       // /xy
    bool hashCount = false;        // /hc

    TimeSetting time;    // /t
    std::string params;  // /@ and /q: terms each ended by "/", or "@"; empty: off

    // Derived once: does any step need the mate-info conversion?
    bool convertsMateInfo() const { return mateInfo || mateRange.kind != RangeKind::None; }
    bool appendsDefault() const { return appendList == ";"; }
    std::string databaseFileName() const { return databaseStem + ".epd"; }
    std::string backupFileName() const { return databaseStem + ".bak"; }
};

}  // namespace vestrel
