// libFuzzer target: one input line through every step a record can take, in every reading
// mode and with the options that change the path, plus the database line helpers. Any
// crash or sanitizer report is a fault: no input may read or write outside its texts.
//     make fuzz            (clang's libFuzzer, AddressSanitizer and UBSan)
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "app/options.h"
#include "app/range_parse.h"
#include "app/run_state.h"
#include "app/step_settings.h"
#include "database/sort.h"
#include "database/sort_key.h"
#include "database/time_update.h"
#include "filter/marking.h"
#include "filter/opcode_edit.h"
#include "filter/selection.h"
#include "input/epd_line.h"
#include "input/mate_info.h"
#include "input/pgn_header.h"
#include "input/puzzle_csv.h"
#include "input/record_reader.h"
#include "input/stipulation_phrase.h"
#include "position/board.h"
#include "position/diagonal.h"
#include "position/mirror.h"
#include "position/symmetry.h"

namespace {

using namespace vestrel;

RunSettings settingsFor(std::uint8_t choice) {
    RunSettings settings;
    std::vector<std::string_view> arguments;
    if (choice & 1) arguments.push_back("/#");
    if (choice & 2) arguments.push_back("/c+");
    if (choice & 4) arguments.push_back("/t@");
    if (choice & 8) arguments.push_back("/@C/k2-/r+1/");
    if (choice & 16) arguments.push_back("/abm,id,c0");
    if (choice & 32) arguments.push_back("/dbm id");
    if (choice & 64) arguments.push_back("/r w = b ,;=,bm=dm");
    if (choice & 128) arguments.push_back("/h-Event");
    arguments.push_back("/xy");
    arguments.push_back("/p");
    parseArguments(arguments, settings);
    return settings;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    StepSettings steps = stepSettings(settingsFor(data[0]));
    const SelectionSettings& selection = steps.selection;
    const std::string_view line(reinterpret_cast<const char*>(data) + 1, size - 1);

    RunState state;
    state.marking.seen = SeenSet(SeenPolicy{LookupMode::Hashed, true, (data[0] & 1) != 0});
    // Each reading mode, without and with --words; twice, so that header state and stored
    // keys meet a second record, and a third time as the end of the input. CSV lines are read
    // under a header that names every column.
    (void)readPuzzleHeader("PuzzleId,FEN,Moves,Rating,Themes", state.reader.columns,
                           state.reader.fields);
    constexpr std::array kKinds = {InputKind::Epd, InputKind::Fen, InputKind::Pgn, InputKind::Csv};
    for (std::size_t mode = 0; mode < 2 * kKinds.size(); ++mode) {
        steps.reader.words = mode >= kKinds.size();
        state.reader.input = kKinds[mode % kKinds.size()];
        for (int round = 0; round < 3; ++round) {
            const std::string_view text = round < 2 ? line : std::string_view();
            if (round == 2 && !recordWaiting(state.reader)) continue;
            if (!recordFromLine(text, steps.reader, state.reader, state.record)) continue;
            if (!passesFindFilter(state.record, selection)) continue;
            applyReplacements(state.record, selection, state.scratch);
            PendingRecord& record = state.pending[0];
            if (!splitRecord(state.record, steps.split, record.split)) continue;
            const int mateLength = convertMateInfo(record.split.opcodeText, steps.mateInfo);
            (void)passesMateFilter(mateLength, selection);
            (void)passesTimeFilter(record.split.opcodeText, selection, state.scratch);
            (void)passesParamsFilter(record.split.opcodeText, selection, state.scratch);
            record.illegalMove = state.reader.illegalMove;
            prepareMark(record, steps.marking, state.marking);
            if (markRecord(record, steps.marking, state.marking, state.log) ==
                MarkVerdict::Marked) {
                continue;
            }
            buildOutputLine(record.split.positionFields, record.split.opcodeText, steps.output,
                            state.line, state.scratch);
        }
    }

    // The position helpers on the raw text as well, which need not be a record at all.
    (void)validatePosition(line);
    std::string reflected;
    (void)reflectDiagonal(line, reflected);
    MirrorImages images;
    mirrorImages(line, images);
    (void)analyseSymmetry(line);
    std::string mateInfo, work, scratch;
    (void)examineHeaderLine(line, steps.reader.headerTags, mateInfo, work, scratch);
    (void)readStipulationPhrase(line, mateInfo, work);
    (void)statesStipulation(line);
    PuzzleColumns columns;
    CsvFields fields;
    if (readPuzzleHeader(line, columns, fields).empty()) {
        (void)puzzleRecord(line, columns, fields, scratch);
    }
    (void)checkRangeSyntax(line);
    ParamsTerm term;
    if (parseParamsTerm(line.substr(0, line.find('/') + 1), term))
        (void)matchParamsTerm(term, line);
    std::string keyScratch;
    std::string_view key;
    (void)databaseLineKey(line, keyScratch, key);
    KeyBuffer sortKey;
    buildSortKey(sortKey, line, work);
    std::string times(line);
    (void)updateLineTimes(times, 0.5);
    return 0;
}
