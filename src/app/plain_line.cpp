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
    // Most runs select nothing: one test instead of four calls a line.
    const bool selecting = !selection.find.items.empty() || !selection.skip.items.empty() ||
                           selection.time.active || selection.params.mode != ParamsMode::Off;
    if (selecting && (!passesFindFilter(line, selection) || !passesSkipFilter(line, selection) ||
                      !passesTimeFilter(opcodes, selection, state.scratch) ||
                      !passesParamsFilter(opcodes, selection, state.scratch))) {
        return PlainVerdict::Dropped;
    }
    pending.illegalMove = false;
    prepareMark(pending, steps.marking, state.marking);
    return PlainVerdict::Queued;
}

std::string_view plainOutputLine(const LineParts& plain, const OutputLineSettings& settings,
                                 std::string& work) {
    if (plain.opcodeText.empty() || settings.append == OpcodeChoice::None) {
        return plain.positionFields;
    }
    if (plain.line.back() == ';') return plain.line;
    work.assign(plain.line);
    work.push_back(';');
    return work;
}

}  // namespace vestrel
