#include "solver/verify.h"

#include <array>

#include "position/legality.h"
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
    // The full legality test: the static rules, then checks and what the game behind the
    // position must have been. A king in check with the other side to move could be taken.
    BoardScan scan;
    scanBoard(positionFields, scan);
    const std::string_view reason = illegalReason(scan, positionFields);
    if (!reason.empty()) return unchecked("illegal: " + std::string(reason));
    const Position position = positionFromScan(scan, positionFields);
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
