#include "solver/solver.h"

#include <algorithm>

#include "solver/mate_in_one.h"
#include "solver/move_tests.h"
#include "solver/node.h"

namespace vestrel {

namespace {

constexpr int kMaxPly = 2 * kMaxSolveMoves + 2;

// The table answers direct play only from this ply on: a position two plies from the root
// transposes almost never (27 hits in 66,000 look-ups of the mates in 3), and the look-ups
// and stores there cost more than they save (0.3% of the mates in 3's instructions).
constexpr int kFirstTabledPly = 3;

// Mixed into every table key, so that the facts of one kind of search never answer another.
constexpr std::uint64_t kSearchKeys[3][2] = {
    {0x3c6ef372fe94f82bULL, 0xa54ff53a5f1d36f1ULL},  // direct: mate, stalemate
    {0x510e527fade682d1ULL, 0x9b05688c2b3e6c1fULL},  // help
    {0x1f83d9abfb41bd6bULL, 0x5be0cd19137e2179ULL},  // self
};

struct Search {
    TranspositionTable& table;
    LeafTable& leaves;  // the defender's nodes one attacking move from the end
    Goal goal;
    std::uint64_t searchKey;
    std::uint64_t budget;
    SolveResult& result;
    // Move lists by ply, and one for the mates found: the thread's own, made once, as a
    // list is cleared wherever it is made (which cost the mates in 2 a seventh).
    MoveList* lists;
    MoveList& mates;
    std::uint64_t nodes = 0;
    bool stopped = false;  // out of nodes, or enough helpmate lines counted
    std::array<std::array<Move, 2>, kMaxPly + 2> killers{};  // the last refutations by ply
    std::array<Move, kMaxPly + 2> line{};                    // the moves played, by ply
    // The last refutation of an attacking move to each square, tried first by the defender
    // one move from the end (1% of the mates in 3; by origin and square too, the clearing
    // costs the mates in 2 more).
    std::array<Move, 64> counters{};
};

// Counts a position visited; false (and stopped) once the budget is spent.
bool spend(Search& s) {
    if (++s.nodes > s.budget) {
        s.stopped = true;
        s.result.kind = SolveKind::OutOfNodes;
    }
    return !s.stopped;
}

void addKiller(Search& s, int ply, Move move) {
    std::array<Move, 2>& k = s.killers[std::size_t(ply)];
    if (k[0] == move) return;
    k[1] = k[0];
    k[0] = move;
}

// What the table holds for direct mates and selfmates: the smallest depth at which the
// node's search is proven to succeed, the largest at which it is proven to fail, and the
// move that succeeded.
struct Bounds {
    int proven = 0;   // 0: none
    int refuted = 0;  // 0: none
    Move move;
};

Bounds unpack(std::uint32_t data) {
    return Bounds{int(data & 0xFF), int((data >> 8) & 0xFF), Move{std::uint16_t(data >> 16)}};
}

void remember(Search& s, TranspositionTable& table, std::uint64_t key, int depth, bool success,
              Move move) {
    if (s.stopped) return;  // a search cut short proves nothing
    Bounds b = unpack(probeTable(table, key));
    if (success) {
        if (b.proven == 0 || depth < b.proven) b.proven = depth;
    } else if (depth > b.refuted) {
        b.refuted = depth;
    }
    if (move.bits != 0) b.move = move;
    storeTable(table, key,
               std::uint32_t(b.proven) | (std::uint32_t(b.refuted) << 8) |
                   (std::uint32_t(b.move.bits) << 16));
}

// The side to move mates at once, by the dedicated test.
bool mateInOne(const Position& p, Search& s) {
    const bool found = findMates(p, s.mates, true, s.nodes) != 0;
    if (s.nodes > s.budget) {
        s.stopped = true;
        s.result.kind = SolveKind::OutOfNodes;
        return false;
    }
    return found;
}

// The side to move reaches the goal with one move; `list` holds its legal moves.
bool goalInOne(const Position& p, const MoveList& list, Search& s) {
    if (s.goal == Goal::Mate) return mateInOne(p, s);
    for (Move m : list) {
        if (!spend(s)) return false;
        const Position q = afterMove(p, m);
        if (!inCheck(q) && !hasLegalMove(q)) return true;
    }
    return false;
}

bool defend(const Node& node, int n, int ply, Search& s);
bool attack(const Node& node, int n, int ply, Search& s);

// The attacker to move reaches the goal with its next move.
bool lastMove(const Position& p, int ply, Search& s) {
    if (s.goal == Goal::Mate) return mateInOne(p, s);
    MoveList& list = s.lists[std::size_t(ply)];
    generateLegalMoves(p, list);
    return goalInOne(p, list, s);
}

// A defence that escapes: remembered as the node's refutation and as a killer of its ply.
bool refuted(Search& s, TranspositionTable& table, std::uint64_t key, int n, int ply, Move r) {
    if (!s.stopped) addKiller(s, ply, r);
    remember(s, table, key, n, false, r);
    return false;
}

// A refutation one move from the end, stored without a look-up: nothing was known of
// the node when its search began, and nothing else writes that table meanwhile (0.5%).
bool refutedLeaf(Search& s, std::uint64_t key, int ply, Move r) {
    if (s.stopped) return false;
    addKiller(s, ply, r);
    storeLeaf(s.leaves, key, false);
    return false;
}

// The board of a defender's node one attacking move from the end, as the last refutations are
// tried on it: a node of the search, played on copies; or a scratch copy of the node's position,
// played on itself and made again from the position before (`before`, `move`) when the
// refutation fails, one time in fifty: a copy less a leaf (0.4% of the mates in 3's
// instructions, 0.6% of their time).
struct Played {
    const Position& position;
    bool escapes(Move r, int ply, Search& s) const {
        return !lastMove(afterMove(position, r), ply, s);
    }
};
struct Scratch {
    Position& position;
    const Position& before;
    Move move;
    bool escapes(Move r, int ply, Search& s) const {
        makeMove(position, r);
        const bool escaped = !lastMove(position, ply, s);
        if (!escaped) position = afterMove(before, move);
        return escaped;
    }
};

// The defender tries the last refutations of its ply, and of the attacking move's square,
// before any move list is built: one of them usually escapes. Notes the moves tried; 1 when
// one escaped, -1 when the search stopped, else 0.
template <typename Board>
int tryLastRefutations(const Board& board, std::uint64_t key, int ply, Search& s, Move (&tried)[3],
                       int& triedCount) {
    const std::array<Move, 2>& killers = s.killers[std::size_t(ply)];
    Move& counter = s.counters[s.line[std::size_t(ply) - 1].to()];
    const Move candidates[3] = {counter, killers[0], killers[1]};
    for (int i = 0; i < 3; ++i) {
        // A move met before was played or found illegal then: its second legality test cost
        // the mates in 3 0.7% of their instructions.
        const Move r = candidates[i];
        if (r.bits == 0 || std::find(candidates, candidates + i, r) != candidates + i) continue;
        if (!isLegalMove(board.position, r)) continue;
        tried[triedCount++] = r;
        if (!spend(s)) return -1;
        if (board.escapes(r, ply + 1, s)) {
            counter = r;
            refutedLeaf(s, key, ply, r);
            return 1;
        }
    }
    return 0;
}

// The defender to move, the attacker to reach the goal with its next move, once the last
// refutations (`tried`) failed.
bool searchOtherDefences(const Node& node, int ply, Search& s, const Move (&tried)[3],
                         int triedCount) {
    const Position& q = node.position;
    const std::uint64_t key = node.key ^ s.searchKey;
    Move& counter = s.counters[s.line[std::size_t(ply) - 1].to()];
    // Then the king's steps, which the move list would begin with, before the list is made:
    // they are most of the refutations the killers miss (nine in ten in check), and the
    // lists they spare cost the mates in 3 1% of their instructions.
    const Color us = q.sideToMove;
    const Square king = q.kingSquare(us);
    const Bitboard withoutKing = q.occupied() ^ squareBit(king);
    for (Bitboard to = kingAttacks(king) & ~q.pieces(us); to != 0;) {
        const Square step = popLowest(to);
        const Move r = Move::make(king, step);
        if (isAttacked(q, step, ~us, q.pieces(~us), withoutKing)) continue;
        if (std::find(tried, tried + triedCount, r) != tried + triedCount) continue;
        if (!spend(s)) return false;
        if (!lastMove(afterMove(q, r), ply + 1, s)) {
            counter = r;
            return refutedLeaf(s, key, ply, r);
        }
    }
    MoveList& list = s.lists[std::size_t(ply)];
    generateLegalMoves(q, list);
    if (list.size == 0) return inCheck(q) == (s.goal == Goal::Mate);
    for (Move r : list) {
        if (r.from() == king && r.kind() == MoveKind::Normal) continue;  // tried above
        if (std::find(tried, tried + triedCount, r) != tried + triedCount) continue;
        if (!spend(s)) return false;
        if (!lastMove(afterMove(q, r), ply + 1, s)) {
            counter = r;
            return refutedLeaf(s, key, ply, r);
        }
    }
    if (!s.stopped) storeLeaf(s.leaves, key, true);
    return true;
}

// The defender to move, the attacker to reach the goal with its next move.
bool searchLastDefence(const Node& node, int ply, Search& s) {
    Move tried[3];
    int triedCount = 0;
    const std::uint64_t key = node.key ^ s.searchKey;
    if (tryLastRefutations(Played{node.position}, key, ply, s, tried, triedCount) != 0) {
        return false;
    }
    return searchOtherDefences(node, ply, s, tried, triedCount);
}

// What the leaf table knows of a defender's node one attacking move from the end: 1 when
// every defence loses, 0 when one escapes, -1 when nothing is known.
int knownLastDefence(std::uint64_t key, const Search& s) {
    return probeLeaf(s.leaves, key ^ s.searchKey);
}

bool defendLastMove(const Node& node, int ply, Search& s) {
    const int known = knownLastDefence(node.key, s);
    return known >= 0 ? known == 1 : searchLastDefence(node, ply, s);
}

// The same after the attacker's move: the move is played only when the table does not know
// the node (one in six is known). Inlined into the attacker's loop: 1% of the mates in 3.
[[gnu::always_inline]] inline bool defendLastMoveAfter(const Node& node, Move move, int ply,
                                                       Search& s) {
    const std::uint64_t key = keyAfter(node, move);
    const int known = knownLastDefence(key, s);
    if (known >= 0) return known == 1;
    Node next{afterMove(node.position, move), key};
    Move tried[3];
    int triedCount = 0;
    const Scratch board{next.position, node.position, move};
    if (tryLastRefutations(board, key ^ s.searchKey, ply, s, tried, triedCount) != 0) {
        return false;
    }
    return searchOtherDefences(next, ply, s, tried, triedCount);
}

// The attacker two moves from the end tries the moves that won before ahead of its move
// list: where it wins, one of them wins six times in ten, and the list is never made (nor
// ordered). Notes the moves tried; 1 when one won (it stands in the line), -1 when the search
// stopped, else 0.
int tryPreferred(const Node& node, const Move (&preferred)[3], Move (&tried)[3], int& triedCount,
                 int ply, Search& s) {
    for (int i = 0; i < 3; ++i) {
        const Move m = preferred[i];
        if (m.bits == 0 || std::find(preferred, preferred + i, m) != preferred + i) continue;
        if (!isLegalMove(node.position, m)) continue;
        tried[triedCount++] = m;
        if (!spend(s)) return -1;
        s.line[std::size_t(ply)] = m;
        if (defendLastMoveAfter(node, m, ply + 1, s)) {
            addKiller(s, ply, m);
            return 1;
        }
        if (s.stopped) return -1;
    }
    return 0;
}

// Direct play: the side to move forces the goal within n of its moves (n >= 1).
bool attack(const Node& node, int n, int ply, Search& s) {
    const Position& p = node.position;
    if (n == 1) return lastMove(p, ply, s);
    MoveList& list = s.lists[std::size_t(ply)];
    const std::uint64_t key = node.key ^ s.searchKey;
    const bool tabled = ply >= kFirstTabledPly;
    const Bounds known = tabled ? unpack(probeTable(s.table, key)) : Bounds{};
    if (known.proven != 0 && known.proven <= n) return true;
    if (known.refuted >= n) return false;
    const Move preferred[3] = {known.move, s.killers[std::size_t(ply)][0],
                               s.killers[std::size_t(ply)][1]};
    Move tried[3];
    int triedCount = 0;
    if (n == 2) {
        const int won = tryPreferred(node, preferred, tried, triedCount, ply, s);
        if (won != 0) {
            if (won > 0 && tabled) remember(s, s.table, key, n, true, s.line[std::size_t(ply)]);
            return won > 0;
        }
    }
    if (n == 2 && s.goal == Goal::Mate) {
        // With two moves to go, checks first and the rest as generated: seven nodes in ten
        // there fail and try every move whatever the order, so the full order cost more than
        // it saved (1.4% of the mates in 3's instructions; no order at all cost 6% more).
        const CheckInfo info = checkInfo(p);
        generateChecksFirst(p, list, CheckSquares{info.squares, info.discoverers, info.king});
    } else {
        generateLegalMoves(p, list);
    }
    // The shortest win first: a goal in one ends the search at once. With two moves to go the
    // loop below finds it as soon (checks come first), and a search that fails saves a test.
    if (n > 2 && goalInOne(p, list, s)) {
        if (tabled) remember(s, s.table, key, 1, true, Move{});
        return true;
    }
    if (n > 2 || s.goal != Goal::Mate) {
        const CheckInfo info = checkInfo(p);
        orderMoves(p, list, preferred, n == 2 ? 0 : 3, s.goal == Goal::Mate ? &info : nullptr,
                   MoveOrder::Attacker);
    }
    for (Move m : list) {
        if (std::find(tried, tried + triedCount, m) != tried + triedCount) continue;
        if (!spend(s)) return false;
        s.line[std::size_t(ply)] = m;
        if (n == 2 ? defendLastMoveAfter(node, m, ply + 1, s)
                   : defend(playMove(node, m), n - 1, ply + 1, s)) {
            addKiller(s, ply, m);
            if (tabled) remember(s, s.table, key, n, true, m);
            return true;
        }
        if (s.stopped) return false;
    }
    if (tabled) remember(s, s.table, key, n, false, Move{});
    return false;
}

// Direct play, the defender to move: every defence loses within n attacking moves; with no
// defence at all, the goal must be reached already.
bool defend(const Node& node, int n, int ply, Search& s) {
    const Position& q = node.position;
    MoveList& list = s.lists[std::size_t(ply)];
    if (n == 0) {
        generateLegalMoves(q, list);
        return list.size == 0 && inCheck(q) == (s.goal == Goal::Mate);
    }
    if (n == 1) return defendLastMove(node, ply, s);
    const std::uint64_t key = node.key ^ s.searchKey;
    const bool tabled = ply >= kFirstTabledPly;
    const Bounds known = tabled ? unpack(probeTable(s.table, key)) : Bounds{};
    if (known.proven != 0 && known.proven <= n) return true;
    if (known.refuted >= n) return false;
    generateLegalMoves(q, list);
    if (list.size == 0) return inCheck(q) == (s.goal == Goal::Mate);
    // Checks first, then the refutations that worked before, then captures: a check leaves
    // the attacker the fewest moves, so it refutes at the least cost.
    const CheckInfo info = checkInfo(q);
    const std::array<Move, 2>& killers = s.killers[std::size_t(ply)];
    const Move preferred[3] = {known.move, killers[0], killers[1]};
    // Band by band, each in list order, rather than the list sorted: the first defence tried
    // refutes nine times in ten, and the sort cost the mates in 3 0.5%.
    std::uint8_t bands[256];
    rankMoves(q, list, preferred, 3, &info, MoveOrder::Defender, bands);
    unsigned present = 0;
    for (int i = 0; i < list.size; ++i) present |= 1U << bands[i];
    for (int b = 0; b < kMoveBands; ++b) {
        if ((present & (1U << b)) == 0) continue;
        for (int i = 0; i < list.size; ++i) {
            if (bands[i] != b) continue;
            const Move r = list.moves[i];
            if (!spend(s)) return false;
            if (!attack(playMove(node, r), n, ply + 1, s)) {
                if (tabled) return refuted(s, s.table, key, n, ply, r);
                if (!s.stopped) addKiller(s, ply, r);
                return false;
            }
        }
    }
    if (tabled) remember(s, s.table, key, n, true, Move{});
    return true;
}

bool selfDefend(const Node& node, int n, int ply, Search& s);

// Selfplay: the side to move forces the other side to reach the goal against it by the other
// side's n-th move (n >= 1).
bool selfAttack(const Node& node, int n, int ply, Search& s) {
    const Position& p = node.position;
    const std::uint64_t key = node.key ^ s.searchKey;
    const Bounds known = unpack(probeTable(s.table, key));
    if (known.proven != 0 && known.proven <= n) return true;
    if (known.refuted >= n) return false;
    MoveList& list = s.lists[std::size_t(ply)];
    generateLegalMoves(p, list);
    const CheckInfo info = checkInfo(p);
    const Move preferred[3] = {known.move, s.killers[std::size_t(ply)][0],
                               s.killers[std::size_t(ply)][1]};
    orderMoves(p, list, preferred, 3, &info, MoveOrder::Attacker);
    for (Move m : list) {
        if (!spend(s)) return false;
        if (selfDefend(playMove(node, m), n, ply + 1, s)) {
            addKiller(s, ply, m);
            remember(s, s.table, key, n, true, m);
            return true;
        }
        if (s.stopped) return false;
    }
    remember(s, s.table, key, n, false, Move{});
    return false;
}

// Selfplay, the defender to move: it has a move, and each of its moves either reaches the
// goal against the attacker or leaves a position the attacker still wins with n - 1 moves.
bool selfDefend(const Node& node, int n, int ply, Search& s) {
    const Position& q = node.position;
    MoveList& list = s.lists[std::size_t(ply)];
    generateLegalMoves(q, list);
    if (list.size == 0) return false;
    if (n == 1 && s.goal == Goal::Mate) {
        // Only a checking move can mate: any other one escapes at once.
        const CheckInfo info = checkInfo(q);
        for (Move r : list) {
            if (!givesCheck(q, r, info)) return false;
        }
    }
    const std::array<Move, 2>& killers = s.killers[std::size_t(ply)];
    preferMoves(list, killers.data(), 2);
    for (Move r : list) {
        if (!spend(s)) return false;
        const Node next = playMove(node, r);
        if (goalReached(next.position, s.goal)) continue;
        if (n == 1 || !selfAttack(next, n - 1, ply + 1, s)) {
            if (!s.stopped) addKiller(s, ply, r);
            return false;
        }
    }
    return true;
}

// Counts a helpmate line of `length` plies; keeps the first ones.
void recordLine(Search& s, int length) {
    SolveResult& r = s.result;
    ++r.count;
    if (r.solutions.size() < kListedSolutions) {
        r.solutions.emplace_back(s.line.begin(), s.line.begin() + length);
    }
    if (r.count >= kCountedSolutions) {
        r.countStopped = true;
        s.stopped = true;
    }
}

// Helpplay: both sides play together so that the last of `k` plies reaches the goal against
// the side that moves after it. Counts every such line.
void help(const Node& node, int k, int ply, Search& s) {
    const Position& p = node.position;
    MoveList& list = s.lists[std::size_t(ply)];
    if (k == 1) {
        if (s.goal == Goal::Mate) {
            findMates(p, list, false, s.nodes);
        } else {
            MoveList& moves = s.lists[std::size_t(ply) + 1];
            generateLegalMoves(p, moves);
            list.size = 0;
            for (Move m : moves) {
                if (spend(s) && goalReached(afterMove(p, m), s.goal)) list.add(m);
            }
        }
        if (!spend(s)) return;
        for (Move m : list) {
            s.line[std::size_t(ply)] = m;
            recordLine(s, ply + 1);
            if (s.stopped) return;
        }
        return;
    }
    generateLegalMoves(p, list);
    const std::uint64_t key = node.key ^ s.searchKey;
    const std::uint32_t noLine = std::uint32_t{1} << k;  // no line of k plies from here
    if ((probeTable(s.table, key) & noLine) != 0) return;
    const std::int64_t before = s.result.count;
    for (Move m : list) {
        if (!spend(s)) return;
        s.line[std::size_t(ply)] = m;
        help(playMove(node, m), k - 1, ply + 1, s);
        if (s.stopped) return;
    }
    if (s.result.count == before) storeTable(s.table, key, probeTable(s.table, key) | noLine);
}

// The keys at depth `moves`: each first move that succeeds, in listing order.
void listKeys(const Node& node, const Stipulation& st, int moves, Search& s) {
    const Position& p = node.position;
    MoveList list;  // the root's own: the searches below use every ply's list
    generateLegalMoves(p, list);
    const CheckInfo info = checkInfo(p);
    orderMoves(p, list, nullptr, 0, &info, MoveOrder::Attacker);
    MoveList keys;
    for (Move m : list) {
        if (!spend(s)) return;
        const Node q = playMove(node, m);
        s.line[0] = m;
        const bool key =
            st.play == Play::Self ? selfDefend(q, moves, 1, s) : defend(q, moves - 1, 1, s);
        if (s.stopped) return;
        if (key) keys.add(m);
    }
    std::sort(keys.moves, keys.moves + keys.size, listsBefore);
    s.result.count = keys.size;
    for (Move m : keys) {
        if (s.result.solutions.size() < kListedSolutions) s.result.solutions.push_back({m});
    }
}

// Direct mates and selfmates: the shortest depth that succeeds, then its keys.
void solveForced(const Node& p, const Stipulation& st, Search& s) {
    SolveResult& r = s.result;
    for (int d = 1; d <= st.moves; ++d) {
        if (d < st.moves) {
            const bool found = st.play == Play::Self ? selfAttack(p, d, 0, s) : attack(p, d, 0, s);
            if (s.stopped) return;
            if (!found) continue;
        }
        listKeys(p, st, d, s);
        if (s.stopped) return;
        r.moves = d;
        if (d < st.moves) {
            r.kind = SolveKind::Short;
        } else {
            r.kind = r.count == 0   ? SolveKind::Unsound
                     : r.count == 1 ? SolveKind::Sound
                                    : SolveKind::Cooked;
        }
        return;
    }
}

bool linesBefore(const std::vector<Move>& a, const std::vector<Move>& b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), listsBefore);
}

}  // namespace

void prepareSolver(SolverState& state) {
    allocateTable(state.table);
    allocateLeaves(state.leaves);
    state.lists.assign(kMaxPly + 3, MoveList{});
}

SolveResult solve(const Position& position, const Stipulation& stipulation,
                  std::uint64_t nodeBudget, SolverState& state) {
    SolveResult result;
    if (state.table.entries.size() == 0) prepareSolver(state);
    startGeneration(state.table);
    startLeafGeneration(state.leaves);
    const std::uint64_t searchKey =
        kSearchKeys[std::size_t(stipulation.play)][std::size_t(stipulation.goal)];
    Search s{.table = state.table,
             .leaves = state.leaves,
             .goal = stipulation.goal,
             .searchKey = searchKey,
             .budget = nodeBudget,
             .result = result,
             .lists = state.lists.data(),
             .mates = state.lists[kMaxPly + 2]};
    if (stipulation.moves < 1 || stipulation.moves > kMaxSolveMoves) {
        result.kind = SolveKind::OutOfNodes;
        return result;
    }
    if (stipulation.play == Play::Help) {
        help(makeNode(position), 2 * stipulation.moves, 0, s);
        if (result.kind != SolveKind::OutOfNodes) {
            result.moves = stipulation.moves;
            result.kind = result.count == 0   ? SolveKind::Unsound
                          : result.count == 1 ? SolveKind::Sound
                                              : SolveKind::Cooked;
        }
        std::sort(result.solutions.begin(), result.solutions.end(), linesBefore);
    } else {
        solveForced(makeNode(position), stipulation, s);
    }
    result.nodes = s.nodes;
    return result;
}

}  // namespace vestrel
