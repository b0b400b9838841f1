#pragma once
// Everything that changes during a record run, owned by the run flow and passed explicitly.

#include <cstdint>
#include <string>

#include "base/output.h"
#include "filter/seen_set.h"
#include "input/epd_line.h"
#include "input/record_reader.h"
#include "position/mirror.h"

namespace vestrel {

struct RunCounters {
    std::int64_t output = 0;
    std::int64_t duplicates = 0;
    std::int64_t illegal = 0;
};

struct RunState {
    RunCounters counters;
    SeenSet seen;
    ReaderState reader;
    std::string mirrorKind;  // "x", "y", "xy" or empty, for the log tag
    BufferedWriter log;      // "Vestrel.log"; fd -1 when it could not be created

    // Buffers reused by every record, so the hot path does not allocate.
    std::string record;
    SplitRecord split;
    std::string key;
    std::string image;
    std::string reflected;
    MirrorImages images;           // of the key
    MirrorImages reflectedImages;  // of its diagonal reflection
    std::string line;
    std::string scratch;
};

}  // namespace vestrel
