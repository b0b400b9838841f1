#include "database/time_update.h"

#include <algorithm>
#include <string_view>

#include "base/line_reader.h"
#include "base/output.h"
#include "database/rewrite.h"
#include "text/text.h"

namespace vestrel {

namespace {

// Separators already looked at stand in the line as these bytes until the line is done.
constexpr char kColonPlaceholder = '\x01';
constexpr char kApostrophePlaceholder = '\x02';

// "0" + value, last two characters.
void appendTwoDigits(std::string& out, long long value) {
    std::string text = "0";
    appendDecimal(text, value);
    out.append(rightPart(text, 2));
}

// The rescaled time for `total` seconds, or "99" sep "99" past 99 minutes.
std::string scaledTime(long long total, double factor, char sep) {
    // Extended precision on purpose: 60 seconds with factor 0.1 gives 599, not 600.
    const long double quotient = static_cast<long double>(total) / factor;
    constexpr long double kLimit = 1e15L;  // far beyond any two-digit time, still exact
    long long seconds = 0;
    if (quotient >= kLimit) {
        seconds = static_cast<long long>(kLimit);
    } else if (quotient <= -kLimit) {
        seconds = -static_cast<long long>(kLimit);
    } else if (quotient == quotient) {
        seconds = static_cast<long long>(quotient);
    }
    const long long m = seconds / 60;
    const long long s = seconds % 60;
    std::string text;
    if (m > 99) {
        text = "99";
        text.push_back(sep);
        text.append("99");
        return text;
    }
    appendTwoDigits(text, m);
    text.push_back(sep);
    appendTwoDigits(text, s);
    return text;
}

// Converts the time around the separator at `p` when its minutes and seconds are whole
// numbers; true when it did.
bool convertTimeAt(std::string& line, std::size_t p, double factor) {
    if (p < 2) return false;  // the minutes would include the separator itself
    const std::string_view view = line;
    const auto minutes = parseWholeInteger(view.substr(p - 2, 2));
    const auto seconds = parseWholeInteger(view.substr(p + 1, 2));
    if (!minutes || !seconds) return false;
    const long long total = static_cast<long long>(*minutes) * 60 + *seconds;
    const std::size_t replaced = std::min<std::size_t>(5, line.size() - (p - 2));
    line.replace(p - 2, replaced, scaledTime(total, factor, line[p]));
    return true;
}

}  // namespace

int updateLineTimes(std::string& line, double factor) {
    int count = 0;
    // Every ":" from left to right, then every "'". A conversion only rewrites digits, blanks
    // and signs around its own separator, so the search can go on behind it.
    const std::pair<char, char> kinds[] = {{':', kColonPlaceholder},
                                           {'\'', kApostrophePlaceholder}};
    for (const auto& [sep, placeholder] : kinds) {
        std::size_t p = line.find(sep);
        while (p != std::string::npos) {
            if (convertTimeAt(line, p, factor)) ++count;
            line[p] = placeholder;
            p = line.find(sep, p + 1);
        }
    }
    for (char& c : line) {
        if (c == kColonPlaceholder) c = ':';
        if (c == kApostrophePlaceholder) c = '\'';
    }
    return count;
}

FileStatus updateSolutionTimes(const RunSettings& settings) {
    const std::string& stem = settings.databaseStem;
    Rewrite rewrite;
    LineReader reader;
    const FileStatus begun = beginDatabaseRewrite(rewrite, reader, stem);
    if (begun != FileStatus::Ok) return begun;
    long long count = 0;
    std::string work;
    std::string_view line;
    while (nextLine(reader, line)) {
        work.assign(line);
        count += updateLineTimes(work, settings.timeFactor);
        rewriteLine(rewrite, work);
    }
    const FileStatus readEnd = databaseReadEnd(reader);
    closeLineReader(reader);
    if (readEnd != FileStatus::Ok) {
        abandonRewrite(rewrite);
        return readEnd;
    }
    if (!commitRewrite(rewrite)) return FileStatus::DatabaseNotWritten;
    std::string closing = "\n";
    appendDecimal(closing, count);
    closing.append(" solution times updated in \"");
    closing.append(stem);
    closing.append(".epd\"");
    closing.append(kLineEnd);
    writeError(closing);
    return FileStatus::Ok;
}

}  // namespace vestrel
