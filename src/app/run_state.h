#pragma once
// Everything that changes during a record run, owned by the run flow and passed explicitly.

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "base/output.h"
#include "filter/marking.h"
#include "filter/repeated_lines.h"
#include "input/epd_line.h"
#include "input/record_reader.h"
#include "report/report.h"

namespace vestrel {

// Records that passed the filters wait in a short queue before marking, so that their
// seen-set look-ups overlap: with one record make bench's 1M lines take 0.29 s CPU instead of
// 0.15 s. 16 records take 3-7% less CPU time than 8 on the 1M-line shapes and 4% less on 10M
// keys, whose table lines come from memory; 32 gain nothing more.
inline constexpr std::size_t kRecordsAhead = 16;

struct RunState {
    std::int64_t output = 0;  // records written
    Marking marking;          // seen positions and the counts of marked records
    RepeatedLines repeated;   // lines marked as duplicates, known again by their bytes
    ReaderState reader;
    // --words: records written without a stipulation
    std::int64_t withoutStipulation = 0;
    BufferedWriter log;      // "Vestrel.log"; fd -1 when it could not be created
    std::int64_t lines = 0;  // input lines read
    std::array<std::int64_t, kRecordsAhead> pendingLines{};  // the line of each queued record
    std::unique_ptr<Report> report;  // what --report gathers; none without it

    // Buffers reused by every record, so the hot path does not allocate.
    std::string record;
    std::array<PendingRecord, kRecordsAhead> pending;
    std::string line;
    std::string scratch;
};

}  // namespace vestrel
