// Writes a problem collection for the benchmarks, the same bytes on every run:
//     gen_collection epd <lines> <out.epd>
//     gen_collection pgn <games> <out.pgn>
//     gen_collection fen <lines> <out.fen>
// About 5% of the records repeat an earlier position (the mate length may differ), 2% are
// left-right mirror images of an earlier one and 1% are illegal. Lines end in CR LF. Every
// game has the seven roster tags; most problem games have a move with a comment. FEN lines
// carry their move counters and, on most lines, a trailing comment.

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "position_gen.h"

namespace vestrel::bench {
namespace {

constexpr std::uint64_t kSeed = 0x5EED'2026'0C0F'FEE5ull;
constexpr std::string_view kLineEnd = "\r\n";
constexpr std::string_view kParamLetters = "CRKPXcrkpx";
constexpr std::string_view kMovingPieces = "QRBNK";

enum class Stipulation { Mate, Helpmate, Selfmate, Stalemate, Reflexmate, HelpStalemate, DmOnly };

struct Problem {
    Position pos;
    Stipulation stipulation = Stipulation::Mate;
};

// Record i's own position, rebuilt from its index alone, so that a later duplicate or mirror
// image can refer back to it without keeping a million positions around.
Problem baseProblem(std::uint64_t index) {
    Random rng(kSeed ^ (index * 0xD1B54A32D192ED03ull));
    Problem problem;
    problem.pos = randomPosition(rng);
    const int roll = rng.below(100);
    problem.stipulation = roll < 55   ? Stipulation::Mate
                          : roll < 75 ? Stipulation::Helpmate
                          : roll < 85 ? Stipulation::Selfmate
                          : roll < 90 ? Stipulation::Stalemate
                          : roll < 93 ? Stipulation::Reflexmate
                          : roll < 95 ? Stipulation::HelpStalemate
                                      : Stipulation::DmOnly;
    return problem;
}

int moveCount(Random& rng) {
    const int roll = rng.below(100);
    if (roll < 10) return 1;
    if (roll < 45) return 2;
    if (roll < 75) return 3;
    if (roll < 87) return 4;
    if (roll < 94) return 5;
    return 6 + rng.below(7);
}

void appendNumber(std::string& out, long value, int width = 0) {
    char digits[24];
    const auto result = std::to_chars(digits, digits + sizeof digits, value);
    for (long len = result.ptr - digits; len < width; ++len) out += '0';
    out.append(digits, result.ptr);
}

// Picks how record `index` relates to the earlier ones; `fresh` marks records that carry
// their own position, the only ones a duplicate or mirror image may point back to.
struct Plan {
    Problem problem;
    bool repeated = false;
};

Plan planRecord(Random& rng, std::uint64_t index, std::vector<bool>& fresh) {
    const int roll = rng.below(1000);
    Plan plan;
    if (index > 100 && roll < 50) {  // a duplicate
        std::uint64_t j = 0;
        do j = rng.next() % index;
        while (!fresh[j]);
        plan.problem = baseProblem(j);
        plan.repeated = true;
    } else if (index > 100 && roll < 70) {  // a mirror image, of a position without castling
        for (;;) {
            const std::uint64_t j = rng.next() % index;
            if (!fresh[j]) continue;
            plan.problem = baseProblem(j);
            if (plan.problem.pos.castling == "-") break;
        }
        plan.problem.pos = mirrorFiles(plan.problem.pos);
        plan.repeated = true;
    } else if (roll < 80) {  // illegal
        plan.problem = baseProblem(index);
        plan.problem.pos = makeIllegal(rng, plan.problem.pos);
    } else {
        plan.problem = baseProblem(index);
        fresh[index] = true;
    }
    return plan;
}

std::string_view markOf(Stipulation s) {
    switch (s) {
        case Stipulation::Mate:
        case Stipulation::DmOnly:
            return "#";
        case Stipulation::Helpmate:
            return "h#";
        case Stipulation::Selfmate:
            return "s#";
        case Stipulation::Stalemate:
            return "=";
        case Stipulation::Reflexmate:
            return "r#";
        case Stipulation::HelpStalemate:
            return "h=";
    }
    return "#";
}

void appendTime(std::string& out, Random& rng) {
    const int seconds = rng.chance(70.0) ? rng.below(120) : rng.below(3600);
    appendNumber(out, seconds / 60, 2);
    out += ':';
    appendNumber(out, seconds % 60, 2);
}

// Solver parameters such as "C2/R4/K1/".
void appendParams(std::string& out, Random& rng) {
    const int terms = 1 + rng.below(3);
    for (int t = 0; t < terms; ++t) {
        out += kParamLetters[static_cast<std::size_t>(rng.below(10))];
        appendNumber(out, 1 + rng.below(8));
        out += '/';
    }
}

void writeEpdRecord(std::string& out, Random& rng, std::uint64_t index, const Plan& plan) {
    const Problem& problem = plan.problem;
    out += positionFields(problem.pos);
    if (rng.chance(1.0)) {  // a bare FEN line with its move counters
        out += " 0 1";
        out += kLineEnd;
        return;
    }
    const int moves = moveCount(rng);
    if (problem.stipulation == Stipulation::DmOnly) {
        out += " dm ";
        appendNumber(out, moves);
        out += ';';
    } else {
        out += " bm ";
        out += markOf(problem.stipulation);
        appendNumber(out, moves);
        out += ';';
        if (problem.stipulation == Stipulation::Mate && rng.chance(15.0)) {
            out += " ce ";
            appendNumber(out, 32768 - 2 * moves);
            out += "; dm ";
            appendNumber(out, moves);
            out += ';';
        }
    }
    if (rng.chance(40.0)) {
        out += ' ';
        appendTime(out, rng);
        out += ';';
        if (rng.chance(15.0)) {
            out += ' ';
            appendTime(out, rng);
            out += " @ ";
            appendParams(out, rng);
            out += ';';
        }
    }
    const int idRoll = rng.below(100);
    if (idRoll < 60) {
        out += " id \"Bench ";
        appendNumber(out, static_cast<long>(index + 1));
        out += "\";";
    } else if (idRoll < 70) {
        out += " id \"Composer ";
        appendNumber(out, 1 + rng.below(500));
        out += ", problem ";
        appendNumber(out, 1 + rng.below(200));
        out += plan.repeated ? " (version)\";" : "\";";
    }
    out += kLineEnd;
}

// The stipulation in words, English or German, as problem collections put it in a tag.
void appendStipulationWords(std::string& out, Random& rng, Stipulation s, int moves) {
    const bool german = rng.below(3) == 0;
    switch (s) {
        case Stipulation::Mate:
        case Stipulation::DmOnly:
            out += german ? (rng.below(2) == 0 ? "Matt in " : "Schachmatt in ") : "Mate in ";
            break;
        case Stipulation::Helpmate:
            out += german ? "Hilfsmatt in " : "Helpmate in ";
            break;
        case Stipulation::Selfmate:
            out += german ? "Selbstmatt in " : "Selfmate in ";
            break;
        case Stipulation::Stalemate:
            out += german ? "Patt in " : "Stalemate in ";
            break;
        case Stipulation::Reflexmate:
            out += "Reflexmate in ";
            break;
        case Stipulation::HelpStalemate:
            out += german ? "Hilfspatt in " : "Help-stalemate in ";
            break;
    }
    appendNumber(out, moves);
}

void appendTag(std::string& out, std::string_view name, std::string_view value) {
    out += '[';
    out += name;
    out += " \"";
    out += value;
    out += "\"]";
    out += kLineEnd;
}

void appendDate(std::string& out, Random& rng) {
    appendNumber(out, 1850 + rng.below(175));
    out += '.';
    appendNumber(out, 1 + rng.below(12), 2);
    out += '.';
    appendNumber(out, 1 + rng.below(28), 2);
}

// The seven roster tags, the stipulation in words in the Event tag of a problem game.
void writeRosterTags(std::string& out, Random& rng, std::uint64_t index, const Problem& problem,
                     bool problemGame) {
    std::string value;
    if (problemGame) {
        value = rng.chance(10.0) ? "Problem " + std::to_string(index + 1) + ", " : "";
        appendStipulationWords(value, rng, problem.stipulation, moveCount(rng));
    } else {
        value = "Club championship";
    }
    appendTag(out, "Event", value);
    appendTag(out, "Site", rng.chance(60.0) ? "Bench collection" : "?");
    value.clear();
    appendDate(value, rng);
    appendTag(out, "Date", value);
    value.clear();
    appendNumber(value, 1 + rng.below(30));
    appendTag(out, "Round", value);
    value = "Composer ";
    appendNumber(value, 1 + rng.below(500));
    appendTag(out, "White", value);
    appendTag(out, "Black", "?");
    appendTag(out, "Result", "*");
}

void writePgnGame(std::string& out, Random& rng, std::uint64_t index, const Plan& plan) {
    const Problem& problem = plan.problem;
    const bool problemGame = !rng.chance(2.0);  // now and then an ordinary game, no FEN
    writeRosterTags(out, rng, index, problem, problemGame);
    if (problemGame) {
        std::string value = positionFields(problem.pos);
        value += " 0 1";
        appendTag(out, "FEN", value);
        appendTag(out, "SetUp", "1");
    }
    out += kLineEnd;
    if (problemGame && rng.chance(70.0)) {
        out += problem.pos.side == 'w' ? "1. " : "1... ";
        out += kMovingPieces[static_cast<std::size_t>(rng.below(5))];
        out += static_cast<char>('a' + rng.below(8));
        out += static_cast<char>('1' + rng.below(8));
        out += rng.chance(50.0) ? "+ {threatens mate} *" : "! {the key} *";
    } else if (problemGame) {
        out += '*';
    } else {
        out += "1. e4 e5 2. Nf3 Nc6 {a game, not a problem} *";
    }
    out += kLineEnd;
    out += kLineEnd;
}

// A FEN line with its move counters and, most of the time, a comment after them.
void writeFenLine(std::string& out, Random& rng, std::uint64_t index, const Plan& plan) {
    out += positionFields(plan.problem.pos);
    out += " 0 1";
    const int roll = rng.below(100);
    if (roll < 40) {
        out += " ; ";
        out += markOf(plan.problem.stipulation);
        appendNumber(out, moveCount(rng));
        out += " by Composer ";
        appendNumber(out, 1 + rng.below(500));
    } else if (roll < 70) {
        out += " {Problem ";
        appendNumber(out, static_cast<long>(index + 1));
        out += ", ";
        appendDate(out, rng);
        out += '}';
    } else if (roll < 85) {
        out += " % source unknown";
    }
    out += kLineEnd;
}

int usage() {
    std::fputs("usage: gen_collection {epd|pgn|fen} <count> <output file>\n", stderr);
    return 2;
}

}  // namespace
}  // namespace vestrel::bench

int main(int argc, char** argv) {
    using namespace vestrel::bench;
    if (argc != 4) return usage();
    const std::string_view kind = argv[1];
    if (kind != "epd" && kind != "pgn" && kind != "fen") return usage();
    char* end = nullptr;
    const unsigned long long count = std::strtoull(argv[2], &end, 10);
    if (end == argv[2] || *end != '\0') return usage();

    std::FILE* file = std::fopen(argv[3], "wb");
    if (file == nullptr) {
        std::perror(argv[3]);
        return 1;
    }
    Random rng(kSeed);
    std::vector<bool> fresh(count, false);
    std::string buffer;
    buffer.reserve(std::size_t{1} << 21);
    bool ok = true;
    for (std::uint64_t i = 0; i < count; ++i) {
        const Plan plan = planRecord(rng, i, fresh);
        if (kind == "epd") {
            writeEpdRecord(buffer, rng, i, plan);
        } else if (kind == "fen") {
            writeFenLine(buffer, rng, i, plan);
        } else {
            writePgnGame(buffer, rng, i, plan);
        }
        if (buffer.size() >= (std::size_t{1} << 20) || i + 1 == count) {
            ok = ok && std::fwrite(buffer.data(), 1, buffer.size(), file) == buffer.size();
            buffer.clear();
        }
    }
    ok = std::fclose(file) == 0 && ok;
    if (!ok) {
        std::perror(argv[3]);
        return 1;
    }
    return 0;
}
