#pragma once
// Line-mode records read without a copy: a line that is its own record is cut into views of
// the reader's bytes, filtered and marked from them, and written from them.

#include <string>
#include <string_view>

#include "app/read_ahead.h"
#include "app/run_state.h"
#include "app/step_settings.h"

namespace vestrel {

enum class PlainVerdict {
    Queued,   // passed the filters, its key built and its look-up asked for
    Dropped,  // a filter dropped it
    Other,    // not its own record: read it the usual way
};

// Whether such a line passes the find, skip, time and params filters (`selectsPlainLines`).
bool passesPlainSelection(std::string_view line, std::string_view opcodes,
                          const StepSettings& steps, RunState& state);

// Runs an EPD/FEN line through the steps before marking when its record is the line itself.
// The line must stay where it is until the record is written. `ahead`, when given, is what the
// thread reading ahead found for the line. Inline: every line comes here.
inline PlainVerdict filterPlainLine(std::string_view line, const StepSettings& steps,
                                    RunState& state, PendingRecord& pending,
                                    const LineFacts* ahead = nullptr) {
    LineFit fit;
    if (ahead != nullptr) {
        fit = ahead->fit;
        if (fit == LineFit::Plain) plainLineParts(line, ahead->fieldsLength, pending.plain);
    } else {
        // The placement is read as a board on the way when marking needs one.
        BoardScan* board = readsBoards(steps.marking, state.marking) ? &pending.board : nullptr;
        fit = splitPlainLine(line, steps.split, pending.plain, board);
    }
    switch (fit) {
        case LineFit::Other:
            pending.plain.line = {};
            return PlainVerdict::Other;
        case LineFit::Dropped:
            return PlainVerdict::Dropped;
        case LineFit::Plain:
            break;
    }
    if (steps.selectsPlainLines &&
        !passesPlainSelection(line, pending.plain.opcodeText, steps, state)) {
        return PlainVerdict::Dropped;
    }
    pending.illegalMove = false;
    if (ahead != nullptr) {
        pending.verdictsAhead = true;
        pending.verdicts = ahead->verdicts;
    }
    prepareMark(pending, steps.marking, state.marking);
    return PlainVerdict::Queued;
}

// The output line of such a record: a view of the line itself, or the line with the ";" that
// closes its opcodes, built in `work`. Inline: every record written from its line asks.
inline std::string_view plainOutputLine(const LineParts& plain, const OutputLineSettings& settings,
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
