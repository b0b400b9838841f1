#include "solver/solver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <string_view>

#include "position/move_text.h"
#include "reference_solver.h"
#include "solver/verify.h"

namespace vestrel {
namespace {

constexpr std::uint64_t kBudget = 50'000'000;

// A random position of two kings and two to four other pieces, the side to move at random.
template <typename Next>
Position randomPosition(Next& next) {
    constexpr std::string_view kPieces = "QRRBBNNPPqrrbbnnpp";
    Position p;
    auto place = [&](Piece piece) {
        for (;;) {
            const Square s = Square(next() % 64);
            if (p.pieceOn(s) != Piece::None) continue;
            if (typeOf(piece) == PieceType::Pawn && (rankOf(s) == kRank1 || rankOf(s) == kRank8)) {
                continue;
            }
            p.put(piece, s);
            return;
        }
    };
    place(Piece::WhiteKing);
    place(Piece::BlackKing);
    const int others = 2 + int(next() % 3);
    for (int i = 0; i < others; ++i) place(pieceFromLetter(kPieces[next() % kPieces.size()]));
    p.sideToMove = next() % 2 == 0 ? Color::White : Color::Black;
    return p;
}

// Kings apart and the side that has just moved not in check.
bool isUsable(const Position& p) {
    const Color moved = ~p.sideToMove;
    return (kingAttacks(p.kingSquare(Color::White)) & p.pieces(Color::Black, PieceType::King)) ==
               0 &&
           attackersTo(p, p.kingSquare(moved), p.sideToMove) == 0;
}

std::vector<Move> sorted(std::vector<Move> moves) {
    std::sort(moves.begin(), moves.end(), [](Move a, Move b) { return a.bits < b.bits; });
    return moves;
}

// The solver's verdict, shortest length and solutions against the reference's.
void expectAgreement(const Position& p, const Stipulation& st, const SolveResult& r) {
    if (st.play == Play::Help) {
        const long lines = reference::helpLines(p, 2 * st.moves, st.goal);
        EXPECT_EQ(r.count, lines);
        EXPECT_EQ(r.kind, lines == 0   ? SolveKind::Unsound
                          : lines == 1 ? SolveKind::Sound
                                       : SolveKind::Cooked);
        return;
    }
    int shortest = 0;
    std::vector<Move> keys;
    for (int d = 1; d <= st.moves && shortest == 0; ++d) {
        keys = reference::keys(p, st.play, st.goal, d);
        if (!keys.empty()) shortest = d;
    }
    if (shortest == 0) {
        EXPECT_EQ(r.kind, SolveKind::Unsound);
        return;
    }
    EXPECT_EQ(r.moves, shortest);
    EXPECT_EQ(r.count, std::int64_t(keys.size()));
    if (shortest < st.moves) {
        EXPECT_EQ(r.kind, SolveKind::Short);
    } else {
        EXPECT_EQ(r.kind, keys.size() == 1 ? SolveKind::Sound : SolveKind::Cooked);
    }
    std::vector<Move> listed;
    for (const std::vector<Move>& solution : r.solutions) listed.push_back(solution.front());
    if (keys.size() <= kListedSolutions) {
        EXPECT_EQ(sorted(listed), sorted(keys));
    }
}

// The verdict text of a record, and the solutions of its stipulation as solutionsText writes
// them (for a sound problem, its key or helpmate line).
struct Verified {
    std::string verdict, solutions;
};

Verified verify(std::string_view record, int maxMoves = 4, std::uint64_t budget = kBudget) {
    SolverState state;
    const std::size_t bm = record.find(" bm ");
    const std::string_view fields = record.substr(0, bm);
    const std::string_view opcodes = record.substr(bm + 1);
    Verified v{verifyRecord(fields, opcodes, {maxMoves, budget}, state).text, ""};
    Stipulation stipulation;
    Position position;
    if (readStipulation(opcodes, maxMoves, stipulation) == StipulationRead::Ok &&
        readPosition(fields, position) == PositionRule::Legal && v.verdict == "sound") {
        v.solutions =
            solutionsText(position, stipulation, solve(position, stipulation, budget, state));
    }
    return v;
}

// Published and composed problems of each kind with their solutions, and variants with a
// piece added or taken away that cook them, shorten them or break them. The direct mates
// were checked with Stockfish ("go mate n" and multi-line searches), the others by hand and
// with the plain reference solver.
TEST(VerifyRecord, SolvesTheProblemsOfEachKind) {
    struct Case {
        std::string_view record, verdict, key;
    };
    const Case cases[] = {
        // Direct mates.
        {"6k1/5ppp/8/8/8/8/8/R5K1 w - - bm #1;", "sound", "Ra8#"},
        {"kbK5/pp6/1P6/8/8/8/8/R7 w - - bm #2;", "sound", "Ra6"},  // Morphy
        {"4k3/1N6/8/8/8/8/8/R3K2R w - - bm #2;", "sound", "Rh7"},
        {"3k4/P2B4/4K3/8/8/8/8/8 w - - bm #3;", "sound", "a8=Q+"},
        {"8/8/8/4R3/7K/8/8/6k1 w - - bm #3;", "sound", "Kg3"},
        {"8/6B1/7B/2K4B/8/8/k7/8 w - - bm #4;", "sound", "Kb4"},
        {"6k1/5ppp/8/8/8/8/8/RR4K1 w - - bm #1;", "cooked: Rb8#, Ra8#", ""},
        {"k7/2K5/8/8/8/8/8/1Q6 w - - bm #1;", "cooked: Qb8#, Qb7#, Qa2#, Qa1#", ""},
        {"6k1/5ppp/8/8/8/8/8/R5K1 w - - bm #2;", "short: #1 Ra8#", ""},
        {"kbK5/pp6/1P6/8/8/8/8/R7 w - - bm #3;", "short: #2 Ra6", ""},
        {"8/8/8/4k3/1Q6/8/2R1K3/8 w - - bm #4;", "short: #3 Rc6", ""},
        {"6k1/5ppp/8/8/8/8/8/6K1 w - - bm #1;", "unsound", ""},
        {"6k1/5ppp/8/8/8/8/r7/R5K1 w - - bm #1;", "unsound", ""},
        {"kbK5/pp6/1P6/8/8/8/8/8 w - - bm #2;", "unsound", ""},
        // Helpmates.
        {"8/5r2/8/6N1/8/kP6/3K4/8 w - - bm h#2;", "sound", "1.Kc1 Kxb3 2.Kb1 Rf1#"},
        {"8/8/2R2K2/8/8/4k3/5BB1/8 b - - bm h#2;", "sound", "1.Kf4 Kg6 2.Kg4 Rc4#"},
        {"8/8/8/8/1P1K4/n7/6k1/1r6 w - - bm h#3;", "sound", "1.Kc5 Nc2 2.Kb5 Nd4+ 3.Ka4 Ra1#"},
        {"5r2/7k/8/7K/8/8/5R2/8 b - - bm h#2;",
         "cooked: 1.Kg8 Kh6 2.Kh8 Rxf8#, 1.Kg8 Kg6 2.Kh8 Rxf8#", ""},
        {"8/8/2R2K2/8/8/4k3/5B2/8 b - - bm h#2;", "unsound", ""},
        // Selfmates.
        {"6q1/8/8/5b2/4r3/5Q2/5K1k/8 b - - bm s#1;", "sound", "Qg2+"},
        {"K7/3Q4/k7/6R1/8/7B/8/7q w - - bm s#1;", "sound", "Qb7+"},
        {"4k2K/7R/8/8/8/1Q3Rq1/8/8 w - - bm s#2;", "sound", "Rf8+"},
        {"K7/3Q4/k7/6R1/8/7B/8/7q w - - bm s#2;", "short: s#1 Qb7+", ""},
        // Stalemates.
        {"k7/8/5QN1/6K1/8/8/3N4/8 w - - bm =1;", "sound", "Qb6"},
        {"8/8/6q1/4p3/3n4/8/K5k1/8 b - - bm =2;", "sound", "Qc2+"},
        {"3B4/4N3/1N6/8/8/5K2/8/5k2 b - - bm h=2;", "sound", "1.Kg1 Bc7 2.Kh1 Kf2"},
        {"1BK5/7N/8/1q4R1/8/8/8/7k b - - bm s=1;", "sound", "Qd7+"},
        {"7k/5Q2/6K1/8/8/8/8/8 w - - bm =1;",
         "cooked: Kh6, Kf6, Qe6, Kh5, Kg5, Kf5, Qd5, Qc4, Qb3, Qa2", ""},
        // Records the solver does not take.
        {"6k1/5ppp/8/8/8/8/8/R5K1 w - - bm r#2;", "unchecked: unknown stipulation", ""},
        {"6k1/5ppp/8/8/8/8/8/R5K1 w - - bm #x;", "unchecked: unknown stipulation", ""},
        {"6k1/5ppp/8/8/8/8/8/R5K1 w - - bm #0;", "unchecked: unknown stipulation", ""},
        {"6k1/5ppp/8/8/8/8/8/R5K1 w - - bm #5;", "unchecked: over the limit", ""},
        {"6k1/5ppp/8/8/8/8/8/R5K1 w - - bm Ra8#;", "unchecked: no stipulation", ""},
        {"6k1/5ppp/8/8/8/8/8/R5K1 w - - bm; id \"x\";", "unchecked: no stipulation", ""},
        {"6k1/5ppp/8/8/8/8/8/R7K w - - bm #1;", "unchecked: illegal: placement", ""},
        {"k7/8/1K6/8/8/8/8/7Q w - - bm #1;", "unchecked: illegal: opposite check", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.record);
        const Verified v = verify(c.record);
        EXPECT_EQ(v.verdict, c.verdict);
        EXPECT_EQ(v.solutions, c.key);
    }
}

TEST(VerifyRecord, StopsWhenTheNodeBudgetIsSpent) {
    EXPECT_EQ(verify("8/6B1/7B/2K4B/8/8/k7/8 w - - bm #4;", 4, 1000).verdict,
              "unchecked: node budget");
    EXPECT_EQ(verify("8/8/8/8/1P1K4/n7/6k1/1r6 w - - bm h#3;", 4, 1000).verdict,
              "unchecked: node budget");
}

// A thread's table serves record after record: the results, node counts included, must not
// depend on what it solved before, or runs with other thread counts would differ.
TEST(VerifyRecord, GivesTheSameResultWhateverWasSolvedBefore) {
    const std::string_view records[] = {
        "8/8/8/4R3/7K/8/8/6k1 w - - bm #3;",
        "5r2/7k/8/7K/8/8/5R2/8 b - - bm h#2;",
        "4k2K/7R/8/8/8/1Q3Rq1/8/8 w - - bm s#2;",
        "8/8/8/4k3/1Q6/8/2R1K3/8 w - - bm #4;",
    };
    std::vector<RecordVerdict> alone;
    for (std::string_view r : records) {
        SolverState fresh;
        alone.push_back(verifyRecord(r.substr(0, r.find(" bm ")), r.substr(r.find("bm ")),
                                     {4, kBudget}, fresh));
    }
    SolverState shared;
    for (int round = 0; round < 2; ++round) {
        for (std::size_t i = 0; i < std::size(records); ++i) {
            const std::size_t k = round == 0 ? i : std::size(records) - 1 - i;
            const std::string_view r = records[k];
            const RecordVerdict v = verifyRecord(r.substr(0, r.find(" bm ")),
                                                 r.substr(r.find("bm ")), {4, kBudget}, shared);
            EXPECT_EQ(v.text, alone[k].text) << r;
            EXPECT_EQ(v.nodes, alone[k].nodes) << r;
        }
    }
}

// The leaf table counts the records in a few bits and is cleared when they run out: a record
// solved first and again past that turn must not find what its first run stored.
TEST(VerifyRecord, ForgetsEarlierRecordsPastTheLeafTablesTurn) {
    const std::string_view first = "2N5/7k/8/2P3p1/6P1/p1BKR3/P7/8 w - -";
    const std::string_view other = "8/8/8/4k3/1Q6/8/2R1K3/8 w - -";
    SolverState fresh;
    const RecordVerdict alone = verifyRecord(first, "bm #3;", {3, kBudget}, fresh);
    SolverState shared;
    int differing = 0;
    for (int i = 0; i < 4100; ++i) {
        const bool again = i == 0 || i >= 4095;  // the turn comes after 4,095 records
        const RecordVerdict v = verifyRecord(again ? first : other, "bm #3;", {3, kBudget}, shared);
        differing += again && v.nodes != alone.nodes;
    }
    EXPECT_EQ(differing, 0);
}

// Random small positions, every kind of stipulation, against the plain reference solver.
TEST(Solve, AgreesWithThePlainSolver) {
    std::uint64_t seed = 20240607;
    auto next = [&seed] {
        std::uint64_t z = (seed += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    };
    struct Kind {
        Play play;
        Goal goal;
        int moves;
        int positions;
    };
    const Kind kinds[] = {
        {Play::Direct, Goal::Mate, 2, 120}, {Play::Direct, Goal::Stalemate, 2, 60},
        {Play::Self, Goal::Mate, 2, 80},    {Play::Self, Goal::Stalemate, 1, 60},
        {Play::Help, Goal::Mate, 2, 20},    {Play::Help, Goal::Stalemate, 1, 60},
    };
    SolverState state;
    for (const Kind& kind : kinds) {
        for (int found = 0; found < kind.positions;) {
            const Position p = randomPosition(next);
            if (!isUsable(p)) continue;
            ++found;
            const Stipulation st{kind.play, kind.goal, kind.moves};
            SCOPED_TRACE(positionToFields(p) + " " + stipulationText(st));
            const SolveResult r = solve(p, st, kBudget, state);
            ASSERT_NE(r.kind, SolveKind::OutOfNodes);
            expectAgreement(p, st, r);
        }
    }
}
// Castling, en passant and promotion take the slow paths of the mate-in-one test.
TEST(Solve, AgreesWithThePlainSolverOnSpecialMoves) {
    const std::string_view positions[] = {
        "r3k2r/8/8/8/8/8/8/R3K2R w KQkq -", "r3k2r/8/8/8/8/8/8/R3K2R b KQkq -",
        "2k5/8/8/8/8/8/8/R3K2R w KQ -",     "8/8/8/8/8/8/2k5/R3K2R w KQ -",
        "8/8/8/2k5/3Pp3/8/8/4K3 b - d3",    "8/8/8/1k6/1pP5/8/8/4K2R b K c3",
        "8/8/8/8/k2Pp2Q/8/8/4K3 b - d3",    "3k4/1P6/3K4/8/8/8/8/8 w - -",
        "8/2P1k3/8/3K4/8/8/8/8 w - -",      "1r5k/P7/8/8/8/8/8/K7 w - -",
        "4k3/8/8/8/8/8/8/R3K2R w KQ -",     "4k2r/6PP/8/8/8/8/8/4K3 w k -",
    };
    const Stipulation kinds[] = {
        {Play::Direct, Goal::Mate, 2},    {Play::Direct, Goal::Stalemate, 2},
        {Play::Self, Goal::Mate, 2},      {Play::Help, Goal::Mate, 1},
        {Play::Help, Goal::Stalemate, 1},
    };
    SolverState state;
    for (std::string_view fields : positions) {
        const std::optional<Position> p = positionFromFields(fields);
        ASSERT_TRUE(p.has_value()) << fields;
        ASSERT_TRUE(isUsable(*p)) << fields;
        for (const Stipulation& st : kinds) {
            SCOPED_TRACE(std::string(fields) + " " + stipulationText(st));
            expectAgreement(*p, st, solve(*p, st, kBudget, state));
        }
    }
}

}  // namespace
}  // namespace vestrel
