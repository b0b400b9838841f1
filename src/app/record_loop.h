#pragma once
// The record loop: reads the input files as one stream of records, runs each through the
// filters and the seen-position test, and writes those accepted.

#include "app/input_files.h"
#include "app/progress.h"
#include "app/run_state.h"
#include "app/verify_run.h"
#include "base/output.h"
#include "base/settings.h"
#include "database/rewrite.h"

namespace vestrel {

enum class LoopEnd {
    Done,
    OutputFailed,
    PipeClosed,
    DatabaseFailed,
    LogFailed,
    LineTooLong,
    ColumnMissing,  // a CSV input without a needed column: the loop never started
    InputFailed,    // a read of the input file failed: its rest would be missing
    InputNotFound,  // a later input file could not be opened when its turn came
};

// Where the records of a run go after marking: straight out, or through the verify batch.
struct RecordSink {
    BufferedWriter& out;
    Rewrite* database;
    ProgressCounter& progress;
    VerifyRun* verify;  // with --verify
};

// Reads the input files one after the other as one stream of records.
LoopEnd recordLoop(const RunSettings& settings, RunState& state, InputStream& input,
                   RecordSink& sink);

}  // namespace vestrel
