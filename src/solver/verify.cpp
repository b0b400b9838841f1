#include "solver/verify.h"

#include <array>

#include "position/board.h"
#include "position/move_text.h"

namespace vestrel {

namespace {

constexpr std::array<std::string_view, kVerdictKinds> kVerdictNames = {"sound", "cooked", "short",
                                                                       "unsound", "unchecked"};

RecordVerdict unchecked(std::string_view reason) {
    return RecordVerdict{Verdict::Unchecked, "unchecked: " + std::string(reason), 0};
}

// A helpmate line with move numbers: "1.Kg8 Kh6 2.Kh8 Rxf8#".
void appendLine(Position p, const std::vector<Move>& line, std::string& out) {
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (i % 2 == 0) {
            if (i > 0) out.push_back(' ');
            out.append(std::to_string(i / 2 + 1));
            out.push_back('.');
        } else {
            out.push_back(' ');
        }
        out.append(moveToSan(p, line[i]));
        p = afterMove(p, line[i]);
    }
}

}  // namespace

std::string_view verdictName(Verdict verdict) { return kVerdictNames[std::size_t(verdict)]; }

std::string solutionsText(const Position& position, const Stipulation& stipulation,
                          const SolveResult& result) {
    std::string text;
    for (const std::vector<Move>& solution : result.solutions) {
        if (!text.empty()) text.append(", ");
        if (stipulation.play == Play::Help) {
            appendLine(position, solution, text);
        } else {
            text.append(moveToSan(position, solution.front()));
        }
    }
    const std::int64_t more = result.count - std::int64_t(result.solutions.size());
    if (result.countStopped) {
        text.append(" and more");
    } else if (more > 0) {
        text.append(" and " + std::to_string(more) + " more");
    }
    return text;
}

RecordVerdict verifyRecord(std::string_view positionFields, std::string_view opcodeText,
                           const VerifyLimits& limits, SolverState& state) {
    Stipulation stipulation;
    switch (readStipulation(opcodeText, limits.maxMoves, stipulation)) {
        case StipulationRead::Ok:
            break;
        case StipulationRead::Missing:
            return unchecked("no stipulation");
        case StipulationRead::Unknown:
            return unchecked("unknown stipulation");
        case StipulationRead::TooLong:
            return unchecked("over the limit");
    }
    Position position;
    if (readPosition(positionFields, position) != PositionRule::Legal) return unchecked("illegal");
    // The side that has just moved cannot be left in check.
    const Color moved = ~position.sideToMove;
    if (attackersTo(position, position.kingSquare(moved), position.sideToMove) != 0) {
        return unchecked("illegal");
    }
    const SolveResult result = solve(position, stipulation, limits.nodeBudget, state);
    RecordVerdict v;
    v.nodes = result.nodes;
    switch (result.kind) {
        case SolveKind::Sound:
            v = {Verdict::Sound, "sound", result.nodes};
            break;
        case SolveKind::Cooked:
            v = {Verdict::Cooked, "cooked: " + solutionsText(position, stipulation, result),
                 result.nodes};
            break;
        case SolveKind::Short: {
            Stipulation shorter = stipulation;
            shorter.moves = result.moves;
            v = {Verdict::Short,
                 "short: " + stipulationText(shorter) + " " +
                     solutionsText(position, stipulation, result),
                 result.nodes};
            break;
        }
        case SolveKind::Unsound:
            v = {Verdict::Unsound, "unsound", result.nodes};
            break;
        case SolveKind::OutOfNodes:
            v = unchecked("node budget");
            v.nodes = result.nodes;
            break;
    }
    return v;
}

}  // namespace vestrel
