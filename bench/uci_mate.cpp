// Drives Stockfish through UCI, one thread, for the mate benchmark. Two modes, reading EPD
// lines on standard input:
//
//     uci_mate <engine> filter <depth> [longest]
//                                        prints "<fields> bm #n" for each position where a
//                                        search of that depth reports a mate in n <= longest
//                                        (default 3)
//     uci_mate <engine> mate             runs "go mate n" for each "<fields> bm #n" line and
//                                        prints "<fields>\t<n>\t<found>\t<microseconds>", where
//                                        found is the mate length Stockfish proved (0: none)
//                                        and the time runs from "go" to "bestmove"
//
// POSIX only, as the benchmarks are.

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>

namespace {

struct Engine {
    FILE* in = nullptr;   // to the engine
    FILE* out = nullptr;  // from the engine
};

Engine startEngine(const char* path) {
    int toEngine[2], fromEngine[2];
    if (pipe(toEngine) != 0 || pipe(fromEngine) != 0) std::exit(1);
    if (fork() == 0) {
        dup2(toEngine[0], 0);
        dup2(fromEngine[1], 1);
        close(toEngine[1]);
        close(fromEngine[0]);
        execl(path, path, static_cast<char*>(nullptr));
        std::_Exit(127);
    }
    close(toEngine[0]);
    close(fromEngine[1]);
    return Engine{fdopen(toEngine[1], "w"), fdopen(fromEngine[0], "r")};
}

void send(Engine& e, const std::string& command) {
    std::fputs(command.c_str(), e.in);
    std::fputc('\n', e.in);
    std::fflush(e.in);
}

bool readLine(Engine& e, std::string& line) {
    line.clear();
    for (int c; (c = std::fgetc(e.out)) != EOF;) {
        if (c == '\n') return true;
        line.push_back(char(c));
    }
    return !line.empty();
}

void waitFor(Engine& e, const std::string& word) {
    std::string line;
    while (readLine(e, line) && line.rfind(word, 0) != 0) {
    }
}

// The mate score of an info line: n for "score mate n", 0 for none or a mate against.
int mateScore(const std::string& line) {
    const std::size_t at = line.find(" score mate ");
    if (at == std::string::npos) return 0;
    const int n = std::atoi(line.c_str() + at + 12);
    return n > 0 ? n : 0;
}

// Runs a search to its bestmove; the mate of its last info line with a score.
int search(Engine& e, const std::string& fields, const std::string& go) {
    send(e, "position fen " + fields + " 0 1");
    send(e, go);
    std::string line;
    int mate = 0;
    while (readLine(e, line) && line.rfind("bestmove", 0) != 0) {
        if (line.find(" score ") != std::string::npos) mate = mateScore(line);
    }
    return mate;
}

// The four position fields of an EPD line, and the n of its "bm #n" (0 when none).
std::string fieldsOf(const std::string& line, int& moves) {
    std::size_t end = 0;
    for (int i = 0; i < 4 && end != std::string::npos; ++i) end = line.find(' ', end + 1);
    const std::size_t bm = line.find("bm #");
    moves = bm == std::string::npos ? 0 : std::atoi(line.c_str() + bm + 4);
    return line.substr(0, end);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: uci_mate <engine> filter <depth> [longest] | mate\n");
        return 2;
    }
    Engine e = startEngine(argv[1]);
    send(e, "uci");
    waitFor(e, "uciok");
    send(e, "setoption name Threads value 1");
    send(e, "setoption name Hash value 16");
    send(e, "isready");
    waitFor(e, "readyok");
    const std::string mode = argv[2];
    const std::string depth = argc > 3 ? argv[3] : "5";
    const int longest = argc > 4 ? std::atoi(argv[4]) : 3;
    std::string line;
    while (std::getline(std::cin, line)) {
        int moves = 0;
        const std::string fields = fieldsOf(line, moves);
        if (mode == "filter") {
            const int mate = search(e, fields, "go depth " + depth);
            if (mate >= 1 && mate <= longest) std::printf("%s bm #%d;\n", fields.c_str(), mate);
            continue;
        }
        if (moves < 1) continue;
        send(e, "ucinewgame");
        send(e, "isready");
        waitFor(e, "readyok");
        const auto start = std::chrono::steady_clock::now();
        const int mate = search(e, fields, "go mate " + std::to_string(moves));
        const auto micros = std::chrono::duration_cast<std::chrono::microseconds>(
                                std::chrono::steady_clock::now() - start)
                                .count();
        std::printf("%s\t%d\t%d\t%lld\n", fields.c_str(), moves, mate <= moves ? mate : 0,
                    static_cast<long long>(micros));
        std::fflush(stdout);
    }
    send(e, "quit");
    wait(nullptr);
    return 0;
}
