#include "app/record_loop.h"

#include <string>
#include <string_view>
#include <utility>

#include "app/plain_line.h"
#include "app/step_settings.h"
#include "filter/marking.h"
#include "filter/opcode_edit.h"
#include "filter/selection.h"
#include "input/epd_line.h"
#include "input/mate_info.h"
#include "input/record_reader.h"
#include "input/stipulation_phrase.h"
#include "report/report.h"
#include "text/text.h"

namespace vestrel {

namespace {

// Records between asking for the stored texts a key will be compared with and marking it:
// their slots, asked for when the queue was filled, have come by then.
constexpr std::size_t kTextsAhead = 4;

enum class FilterVerdict { Queued, Dropped, TooLong };

// Queues a line met before byte for byte, as the remembered entry says.
void queueRepeated(std::string_view line, RepeatedLines::Entry entry, const RepeatedLines& repeated,
                   PendingRecord& pending) {
    pending.repeated = entry;
    pending.plain.line = line;
    pending.plain.positionFields = line.substr(0, repeated.fieldsLength(entry));
}

// Remembers a line that was its own record and found its key stored: its bytes with the LF or
// CR LF after them (at hand, as the line is), and its log line. Kept out of the record loop,
// and the loop's branches for repeated lines are marked unlikely, which lays them out after
// it: a collection that does not repeat itself runs a loop as compact as before. (Out of line,
// those branches cost a repeated line 45 instructions more.)
[[gnu::noinline]] void rememberLine(const LineParts& plain, const Marking& marking,
                                    RepeatedLines& repeated) {
    const std::string_view line = plain.line;
    const char* after = line.data() + line.size();
    const std::size_t ending = after[0] == '\n' ? 1 : after[0] == '\r' && after[1] == '\n' ? 2 : 0;
    repeated.remember(std::string_view(line.data(), line.size() + ending), line.size(),
                      plain.positionFields.size(), marking.logEnd);
}

// Runs one record through the steps before marking; Queued when it reaches the seen-position
// test, its key built and its look-up asked for; TooLong when replacements would grow it past
// the limit. A line that stays where it is (`lineStays`) may be its own record, read uncopied.
FilterVerdict filterRecord(std::string_view line, bool lineStays, const RunSettings& settings,
                           const StepSettings& steps, RunState& state, ReadAhead* ahead,
                           PendingRecord& pending) {
    constexpr FilterVerdict kDrop = FilterVerdict::Dropped;
    const SelectionSettings& selection = steps.selection;
    const InputKind kind = state.reader.input;
    pending.verdictsAhead = false;
    if (steps.plainLines && lineStays && (kind == InputKind::Epd || kind == InputKind::Fen)) {
        // Nothing is remembered unless steps.knowsRepeatedLines.
        const RepeatedLines::Entry known = state.repeated.find(line);
        state.repeated.follow(known);
        if (known != RepeatedLines::kNone) {
            queueRepeated(line, known, state.repeated, pending);
            return FilterVerdict::Queued;
        }
        pending.repeated = RepeatedLines::kNone;
        const LineFacts* facts = ahead != nullptr ? ahead->find(line) : nullptr;
        const PlainVerdict plain = filterPlainLine(line, steps, state, pending, facts);
        if (plain != PlainVerdict::Other) {
            return plain == PlainVerdict::Queued ? FilterVerdict::Queued : kDrop;
        }
    }
    state.repeated.follow(RepeatedLines::kNone);
    pending.repeated = RepeatedLines::kNone;
    pending.plain.line = {};
    if (!recordFromLine(line, steps.reader, state.reader, state.record)) return kDrop;
    if (!passesFindFilter(state.record, selection)) return kDrop;
    if (!passesSkipFilter(state.record, selection)) return kDrop;
    if (!selection.replacements.empty() &&
        !applyReplacements(state.record, selection, state.scratch)) {
        return FilterVerdict::TooLong;
    }
    SplitRecord& split = pending.split;
    if (!splitRecord(state.record, steps.split, split)) return kDrop;
    pending.illegalMove = state.reader.illegalMove;
    if (settings.convertsMateInfo()) {
        const int mateLength = convertMateInfo(split.opcodeText, steps.mateInfo);
        if (!passesMateFilter(mateLength, selection)) return kDrop;
    }
    if (!passesTimeFilter(split.opcodeText, selection, state.scratch)) return kDrop;
    if (!passesParamsFilter(split.opcodeText, selection, state.scratch)) return kDrop;
    prepareMark(pending, steps.marking, state.marking);
    return FilterVerdict::Queued;
}

// Queues the next line when it is the one that followed the last known line the last time.
inline bool takeExpectedLine(InputStream& input, RunState& state, PendingRecord& pending) {
    RepeatedLines& repeated = state.repeated;
    const RepeatedLines::Entry expected = repeated.expected();
    std::string_view line;
    if (!takeKnownLine(input.reader, repeated.raw(expected), repeated.lineLength(expected), line)) {
        return false;
    }
    ++input.lineNumber;
    ++state.lines;
    repeated.follow(expected);
    queueRepeated(line, expected, repeated, pending);
    return true;
}

// Marks a queued line met before byte for byte; false when its log line is lost.
inline bool markRepeatedLine(const PendingRecord& record, const StepSettings& steps,
                             RunState& state, ProgressCounter& progress) {
    (void)markRepeated(state.repeated.logLine(record.repeated), steps.marking, state.marking,
                       state.log);
    if (state.log.failed) return false;
    if (!progress.pending.empty()) pendProgress(progress);
    return true;
}

// Fills the queue with the next records that pass the filters; how many it holds.
std::size_t fillQueue(const RunSettings& settings, const StepSettings& steps, RunState& state,
                      InputStream& input, ReadAhead* ahead, ProgressCounter& progress,
                      bool& tooLong) {
    std::size_t count = 0;
    std::string_view line;
    releaseLinesRead(input.reader);  // no record holds a view of a line read before
    while (!tooLong && count < state.pending.size()) {
        // The records queued may be views of the reader's bytes: they are written before any
        // further bytes are read.
        if (count != 0 && !nextLineAtHand(input.reader)) break;
        // The line that came after the last known line, the last time, is tried first.
        if (state.repeated.expected() != RepeatedLines::kNone &&
            takeExpectedLine(input, state, state.pending[count])) [[unlikely]] {
            state.pendingLines[count++] = input.lineNumber;
            continue;
        }
        const std::int64_t before = input.lineNumber;
        if (!nextInputLine(input, state.reader, line)) break;
        state.lines += input.lineNumber - before;
        const FilterVerdict verdict = filterRecord(line, lineAtHand(input.reader), settings, steps,
                                                   state, ahead, state.pending[count]);
        if (verdict == FilterVerdict::Queued) {
            state.pendingLines[count++] = input.lineNumber;
        } else if (verdict == FilterVerdict::TooLong) {
            tooLong = true;
        } else if (!progress.pending.empty()) {
            pendProgress(progress);
        }
    }
    return count;
}

// How standard output stands. A database update goes on when the reader of the output has
// gone (vestrel in.epd /u+ | head): the database is what the run is for.
LoopEnd outputEnd(const BufferedWriter& out, bool updating) {
    if (!out.failed || (out.brokenPipe && updating)) return LoopEnd::Done;
    return out.brokenPipe ? LoopEnd::PipeClosed : LoopEnd::OutputFailed;
}

// Writes one accepted record: the progress count with /0, else its output line and the
// database copy. A record that is its input line (`plain`) is written from the line.
LoopEnd writeRecord(const RunSettings& settings, const StepSettings& steps, SplitRecord& record,
                    RunState& state, RecordSink& sink, const LineParts& plain = {}) {
    BufferedWriter& out = sink.out;
    Rewrite* database = sink.database;
    ProgressCounter& progress = sink.progress;
    ++state.output;
    if (settings.words && !statesStipulation(record.opcodeText)) ++state.withoutStipulation;
    if (settings.noOutput) {
        countProgress(progress);
        pendProgress(progress);
        return LoopEnd::Done;
    }
    std::string_view line;
    if (plain.line.empty()) {
        buildOutputLine(record.positionFields, record.opcodeText, steps.output, state.line,
                        state.scratch);
        line = state.line;
    } else {
        line = plainOutputLine(plain, steps.output, state.line);
    }
    if (database != nullptr) {
        rewriteLine(*database, line);
        if (database->out.failed) return LoopEnd::DatabaseFailed;
    }
    writePieces(out, {line, kLineEnd});
    return outputEnd(out, database != nullptr);
}

// Hands a record that met the tests to the report: whether the seen set stored its key (it
// held `stored` keys before), whether it was set aside and why.
void reportTested(const RunSettings& settings, const RunState& state, const PendingRecord& record,
                  std::size_t queued, std::int32_t stored, MarkVerdict verdict) {
    const bool scanned = settings.legalityTest || state.marking.seen.readsBoards();
    reportRecord(
        *state.report,
        {record.positionFields(), record.opcodeText(), record.keyText, state.pendingLines[queued],
         state.marking.seen.size() > stored, verdict == MarkVerdict::Marked, state.marking.tag,
         scanned && record.board.board ? int(record.board.pieceCount) : -1});
}

// Solves the verify batch and writes it in input order: the log lines of marked records, and
// for each accepted record its verdict's log line and the record itself.
LoopEnd writeBatch(const RunSettings& settings, const StepSettings& steps, RunState& state,
                   RecordSink& sink, const LineReader& input) {
    VerifyRun& verify = *sink.verify;
    solveBatch(verify);
    const std::size_t used = std::exchange(verify.used, 0);
    for (std::size_t i = 0; i < used; ++i) {
        VerifyEntry& entry = verify.batch[i];
        if (!entry.accepted) writeBytes(state.log, entry.markLog);
        if (entry.accepted) writeVerdictLog(entry, state.log);
        if (entry.accepted && state.report) {
            reportVerdict(*state.report, entry.line, entry.split.positionFields,
                          entry.split.opcodeText, entry.verdict.text);
        }
        if (state.log.failed) return LoopEnd::LogFailed;
        if (!entry.accepted) {
            if (!sink.progress.pending.empty()) pendProgress(sink.progress);
            continue;
        }
        const LoopEnd end = writeRecord(settings, steps, entry.split, state, sink);
        if (end != LoopEnd::Done) return end;
    }
    showVerifyProgress(verify, input, false);
    return LoopEnd::Done;
}

// With --verify: marks the record into the batch, a marked record's log line kept for its
// turn, and writes the batch when it is full.
LoopEnd queueForVerify(const RunSettings& settings, const StepSettings& steps,
                       PendingRecord& record, std::size_t queued, RunState& state, RecordSink& sink,
                       const LineReader& input) {
    VerifyEntry& entry = nextEntry(*sink.verify);
    BufferedWriter capture;  // never drains: its bytes wait in the entry
    capture.fd = state.log.fd;
    capture.capacity = std::string::npos;
    capture.buffer.swap(entry.markLog);
    const std::int32_t stored = state.report ? state.marking.seen.size() : 0;
    const MarkVerdict verdict = markRecord(record, steps.marking, state.marking, capture);
    if (state.report) reportTested(settings, state, record, queued, stored, verdict);
    const bool marked = verdict == MarkVerdict::Marked;
    entry.markLog.swap(capture.buffer);
    if (capture.failed) {
        --sink.verify->used;  // the log is lost: write what came before, then stop
        const LoopEnd end = writeBatch(settings, steps, state, sink, input);
        return end == LoopEnd::Done ? LoopEnd::LogFailed : end;
    }
    if (!marked) {
        entry.accepted = true;
        entry.line = state.pendingLines[queued];
        entry.split.positionFields.assign(record.split.positionFields);
        entry.split.opcodeText.assign(record.split.opcodeText);
    }
    return batchFull(*sink.verify) ? writeBatch(settings, steps, state, sink, input)
                                   : LoopEnd::Done;
}

// Whether the thread reading ahead pays for the file being read: a mapped EPD or FEN file whose
// lines are their own records, in a run that reads each placement as a board. Not with the
// report (which takes the board of each record) nor with --verify.
bool readsAhead(const StepSettings& steps, const RunState& state, const InputStream& input,
                const RecordSink& sink) {
    const InputKind kind = state.reader.input;
    return input.reader.mappedBytes != 0 && (kind == InputKind::Epd || kind == InputKind::Fen) &&
           steps.plainLines && readsBoards(steps.marking, state.marking) && !state.report &&
           sink.verify == nullptr;
}

// Marks the queued records of the file being read in order and writes those accepted; a lost
// log line ends the run.
LoopEnd fileLoop(const RunSettings& settings, const StepSettings& steps, RunState& state,
                 InputStream& input, RecordSink& sink) {
    // The keys of a mapped file stay where they are rather than being copied.
    if (input.reader.mapping) {
        state.marking.seen.keepKeysIn(input.reader.mapping, KeptFile::Input);
    }
    ReadAhead readAhead;
    ReadAhead* ahead = nullptr;
    if (readsAhead(steps, state, input, sink) &&
        readAhead.start(input.reader, input.reader.begin, steps.split, steps.marking,
                        state.marking.seen.readsBoards())) {
        ahead = &readAhead;
    }
    bool tooLong = false;  // a record that replacements would grow past the limit
    // Whether the record marked before was a duplicate: a line is remembered by its bytes only
    // in a run of duplicates, where the lines after it are likely to come back with it.
    bool afterDuplicate = false;
    for (std::size_t count;
         (count = fillQueue(settings, steps, state, input, ahead, sink.progress, tooLong)) != 0;) {
        for (std::size_t i = 0; i < count; ++i) {
            PendingRecord& record = state.pending[i];
            if (i + kTextsAhead < count &&
                state.pending[i + kTextsAhead].repeated == RepeatedLines::kNone) {
                state.marking.seen.prefetchTexts(state.pending[i + kTextsAhead].ticket);
            }
            if (sink.verify != nullptr) {
                const LoopEnd end =
                    queueForVerify(settings, steps, record, i, state, sink, input.reader);
                if (end != LoopEnd::Done) return end;
                continue;
            }
            if (record.repeated != RepeatedLines::kNone) [[unlikely]] {
                if (!markRepeatedLine(record, steps, state, sink.progress)) {
                    return LoopEnd::LogFailed;
                }
                afterDuplicate = true;
                continue;
            }
            const std::int32_t stored = state.report ? state.marking.seen.size() : 0;
            const MarkVerdict verdict = markRecord(record, steps.marking, state.marking, state.log);
            if (state.report) reportTested(settings, state, record, i, stored, verdict);
            if (verdict == MarkVerdict::Marked) {
                const bool duplicate = state.marking.lastSeen == SeenVerdict::Duplicate;
                // A line that is its own record is known by its bytes from now on.
                if (duplicate && afterDuplicate && steps.knowsRepeatedLines &&
                    !record.plain.line.empty()) {
                    rememberLine(record.plain, state.marking, state.repeated);
                }
                afterDuplicate = duplicate;
                if (state.log.failed) return LoopEnd::LogFailed;
                if (!sink.progress.pending.empty()) pendProgress(sink.progress);
                continue;
            }
            afterDuplicate = false;
            const LoopEnd end =
                writeRecord(settings, steps, record.split, state, sink, record.plain);
            if (end != LoopEnd::Done) return end;
        }
    }
    // A file's verdicts reach the report and the log before the next file begins.
    if (sink.verify != nullptr) {
        const LoopEnd end = writeBatch(settings, steps, state, sink, input.reader);
        if (end != LoopEnd::Done) return end;
    }
    if (tooLong || input.lineTooLong) return LoopEnd::LineTooLong;
    if (input.readFailed) return LoopEnd::InputFailed;
    return LoopEnd::Done;
}

}  // namespace

// Reads the input files one after the other as one stream of records.
LoopEnd recordLoop(const RunSettings& settings, RunState& state, InputStream& input,
                   RecordSink& sink) {
    state.output = 0;
    const StepSettings steps = stepSettings(settings);
    if (!beginInput(input, state.reader)) return LoopEnd::ColumnMissing;
    while (true) {
        const LoopEnd end = fileLoop(settings, steps, state, input, sink);
        if (end != LoopEnd::Done) return end;
        const InputKind kind = state.reader.input;
        if (!openNextInput(input, state.reader)) break;
        // The lines of a file of another kind are other records.
        if (state.reader.input != kind) state.repeated.clear();
        state.repeated.follow(RepeatedLines::kNone);
        if (state.report) beginReportFile(*state.report, currentInputName(input));
    }
    if (!input.failed.empty()) return LoopEnd::InputNotFound;
    if (!input.missingColumn.empty()) return LoopEnd::ColumnMissing;
    (void)flushWriter(sink.out);
    return outputEnd(sink.out, sink.database != nullptr);
}

}  // namespace vestrel
