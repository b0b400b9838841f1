#pragma once
// A plain solver for the tests: every move of every line, no table, no pruning, no ordering.
// Slow, but simple enough to trust, so the real solver is checked against it.

#include <algorithm>
#include <vector>

#include "position/movegen.h"
#include "position/position.h"
#include "solver/stipulation.h"

namespace vestrel::reference {

inline bool reached(const Position& p, Goal goal) {
    MoveList list;
    generateLegalMoves(p, list);
    return list.size == 0 && inCheck(p) == (goal == Goal::Mate);
}

// Direct play: the side to move forces the goal within n moves.
inline bool forces(const Position& p, int n, Goal goal) {
    MoveList list;
    generateLegalMoves(p, list);
    for (Move m : list) {
        const Position q = afterMove(p, m);
        if (reached(q, goal)) return true;
        if (n == 1) continue;
        MoveList replies;
        generateLegalMoves(q, replies);
        if (replies.size == 0) continue;
        bool all = true;
        for (Move r : replies) all = all && forces(afterMove(q, r), n - 1, goal);
        if (all) return true;
    }
    return false;
}

// Selfplay, the defender to move: it must reach the goal against the attacker by its n-th move.
inline bool selfForced(const Position& q, int n, Goal goal) {
    MoveList replies;
    generateLegalMoves(q, replies);
    if (replies.size == 0) return false;
    for (Move r : replies) {
        const Position p = afterMove(q, r);
        if (reached(p, goal)) continue;
        if (n == 1) return false;
        MoveList list;
        generateLegalMoves(p, list);
        bool any = false;
        for (Move m : list) any = any || selfForced(afterMove(p, m), n - 1, goal);
        if (!any) return false;
    }
    return true;
}

// The first moves that succeed at exactly `moves` (direct and selfplay).
inline std::vector<Move> keys(const Position& p, Play play, Goal goal, int moves) {
    std::vector<Move> found;
    MoveList list;
    generateLegalMoves(p, list);
    for (Move m : list) {
        const Position q = afterMove(p, m);
        bool key = false;
        if (play == Play::Self) {
            key = selfForced(q, moves, goal);
        } else if (reached(q, goal)) {
            key = true;
        } else if (moves > 1) {
            MoveList replies;
            generateLegalMoves(q, replies);
            key = replies.size != 0;
            for (Move r : replies) key = key && forces(afterMove(q, r), moves - 1, goal);
        }
        if (key) found.push_back(m);
    }
    return found;
}

// Helpplay: the number of lines of k plies whose last move reaches the goal.
inline long helpLines(const Position& p, int k, Goal goal) {
    MoveList list;
    generateLegalMoves(p, list);
    long count = 0;
    for (Move m : list) {
        const Position q = afterMove(p, m);
        count += k == 1 ? (reached(q, goal) ? 1 : 0) : helpLines(q, k - 1, goal);
    }
    return count;
}

}  // namespace vestrel::reference
