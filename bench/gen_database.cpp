// Writes a problem database of the given size to standard output, the same bytes for the same
// arguments on every machine: a header comment, section comments and empty lines (8 lines in
// all), and problem lines with random positions, stipulations, solution times and sources,
// every line ended by CR LF.
//
//     gen_database [lines] [seed] [case-variants-per-mille]
//
// Defaults: 1000000 lines in all, seed 1, 2 per mille of problem lines that repeat a recent
// one with the letters of its source in swapped case. Standalone build:
//
//     g++ -std=c++20 -O2 -o gen_database bench/gen_database.cpp

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// splitmix64: small, fast and fully specified, unlike the standard distributions.
struct Random {
    std::uint64_t state;
    std::uint64_t next() {
        std::uint64_t z = (state += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    unsigned below(unsigned n) { return static_cast<unsigned>(next() % n); }
};

// Two kings and a handful of other pieces, pawns off the first and last rank.
std::string randomPlacement(Random& rng) {
    char board[64];
    for (char& square : board) square = 0;
    const char pieces[] = "QRRBBNNPPPPPPPPqrrbbnnpppppppp";
    const auto place = [&](char piece) {
        for (;;) {
            const unsigned square = rng.below(64);
            const bool edgeRank = square < 8 || square >= 56;
            if (board[square] == 0 && !((piece == 'P' || piece == 'p') && edgeRank)) {
                board[square] = piece;
                return;
            }
        }
    };
    place('K');
    place('k');
    const unsigned extra = 1 + rng.below(14);
    for (unsigned i = 0; i < extra; ++i) place(pieces[rng.below(sizeof pieces - 1)]);
    std::string fen;
    for (int rank = 0; rank < 8; ++rank) {
        int empty = 0;
        for (int file = 0; file < 8; ++file) {
            const char piece = board[rank * 8 + file];
            if (piece == 0) {
                ++empty;
                continue;
            }
            if (empty > 0) fen += static_cast<char>('0' + empty);
            empty = 0;
            fen += piece;
        }
        if (empty > 0) fen += static_cast<char>('0' + empty);
        if (rank < 7) fen += '/';
    }
    return fen;
}

std::string twoDigits(unsigned value) {
    std::string text = std::to_string(value % 100);
    return text.size() < 2 ? "0" + text : text;
}

// mm:ss mostly; sometimes unknown, in the hours form or flagged.
std::string randomTime(Random& rng) {
    const unsigned kind = rng.below(100);
    if (kind < 3) return "--:--";
    std::string time;
    if (kind < 6) {
        time = std::to_string(1 + rng.below(9)) + ":" + twoDigits(rng.below(60)) + ":" +
               twoDigits(rng.below(60));
    } else {
        const unsigned seconds = rng.below(100) < 70 ? rng.below(60) : rng.below(3600);
        time = twoDigits(seconds / 60) + ":" + twoDigits(seconds % 60);
    }
    const unsigned flag = rng.below(100);
    if (flag < 5) time += '+';
    if (flag >= 5 && flag < 9) time += '-';
    return time;
}

constexpr const char* kTypes[] = {"#",  "#",  "#",  "#", "#",  "#",  "#", "h#",
                                  "h#", "s#", "s#", "=", "h=", "r#", "s="};
constexpr const char* kSources[] = {"Schwalbe",     "Problemist", "feenschach",
                                    "Die Schwalbe", "StrateGems", "Magyar Sakkvilag",
                                    "Probleemblad", "idee & form"};
constexpr unsigned long kLayoutLines = 8;

std::string randomLine(Random& rng, unsigned number) {
    std::string line = randomPlacement(rng);
    line += rng.below(2) == 0 ? " w - -" : " b - -";
    if (rng.below(100) == 0) return line + " id \"no stipulation " + std::to_string(number) + "\";";
    const unsigned moves = rng.below(10) < 8 ? 1 + rng.below(5) : 1 + rng.below(25);
    line += " bm ";
    line += kTypes[rng.below(sizeof kTypes / sizeof kTypes[0])];
    line += std::to_string(moves) + "; " + randomTime(rng) + "; " + randomTime(rng) + " @";
    line += " C" + std::to_string(rng.below(40)) + " R" + std::to_string(rng.below(9)) + " K" +
            std::to_string(rng.below(20)) + ";";
    line += " id \"";
    line += kSources[rng.below(sizeof kSources / sizeof kSources[0])];
    line += " " + std::to_string(1950 + rng.below(75)) + " no." + std::to_string(number) + "\";";
    return line;
}

// The line with the letters inside its quotes in swapped case.
std::string caseVariant(std::string line) {
    const std::size_t open = line.find('"');
    for (std::size_t i = open == std::string::npos ? line.size() : open; i < line.size(); ++i) {
        char& c = line[i];
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 32);
        } else if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c + 32);
        }
    }
    return line;
}

}  // namespace

int main(int argc, char** argv) {
    const unsigned long total = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 1000000;
    const unsigned long count = total > kLayoutLines ? total - kLayoutLines : 0;
    Random rng{argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 1};
    const unsigned variantsPerMille = argc > 3 ? std::strtoul(argv[3], nullptr, 10) : 2;

    std::string out = "% Vandrelo problem database\r\n\r\n";
    std::vector<std::string> recent;
    for (unsigned long i = 0; i < count; ++i) {
        if (i == count / 2) out += "\r\n% Special problem types:\r\n\r\n";
        std::string line;
        if (!recent.empty() && rng.below(1000) < variantsPerMille) {
            line = caseVariant(recent[rng.below(static_cast<unsigned>(recent.size()))]);
        } else {
            line = randomLine(rng, static_cast<unsigned>(i));
            if (recent.size() < 1000) {
                recent.push_back(line);
            } else {
                recent[rng.below(1000)] = line;
            }
        }
        out += line;
        out += "\r\n";
        if (out.size() > (1u << 20)) {
            std::fwrite(out.data(), 1, out.size(), stdout);
            out.clear();
        }
    }
    out += "\r\n% New problem updates:\r\n\r\n";
    std::fwrite(out.data(), 1, out.size(), stdout);
    return 0;
}
