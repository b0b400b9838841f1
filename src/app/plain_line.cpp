#include "app/plain_line.h"

#include "filter/selection.h"

namespace vestrel {

bool passesPlainSelection(std::string_view line, std::string_view opcodes,
                          const StepSettings& steps, RunState& state) {
    const SelectionSettings& selection = steps.selection;
    return passesFindFilter(line, selection) && passesSkipFilter(line, selection) &&
           passesTimeFilter(opcodes, selection, state.scratch) &&
           passesParamsFilter(opcodes, selection, state.scratch);
}

}  // namespace vestrel
