#include "app/plain_line.h"

#include "filter/selection.h"

namespace vestrel {

PlainVerdict filterPlainLine(std::string_view line, const StepSettings& steps, RunState& state,
                             PendingRecord& pending) {
    // The placement is read as a board on the way when marking needs one.
    BoardScan* board = readsBoards(steps.marking, state.marking) ? &pending.board : nullptr;
    switch (splitPlainLine(line, steps.split, pending.plain, board)) {
        case LineFit::Other:
            pending.plain.line = {};
            return PlainVerdict::Other;
        case LineFit::Dropped:
            return PlainVerdict::Dropped;
        case LineFit::Plain:
            break;
    }
    const SelectionSettings& selection = steps.selection;
    const std::string_view opcodes = pending.plain.opcodeText;
    if (steps.selectsPlainLines &&
        (!passesFindFilter(line, selection) || !passesSkipFilter(line, selection) ||
         !passesTimeFilter(opcodes, selection, state.scratch) ||
         !passesParamsFilter(opcodes, selection, state.scratch))) {
        return PlainVerdict::Dropped;
    }
    pending.illegalMove = false;
    prepareMark(pending, steps.marking, state.marking);
    return PlainVerdict::Queued;
}

}  // namespace vestrel
