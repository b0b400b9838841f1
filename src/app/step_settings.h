#pragma once
// The settings of each record step, filled once from the run settings, so that every step
// reads only what it needs and is tested without the option parser.

#include "base/settings.h"
#include "filter/marking.h"
#include "filter/opcode_edit.h"
#include "filter/selection.h"
#include "input/epd_line.h"
#include "input/mate_info.h"
#include "input/record_reader.h"

namespace vestrel {

struct StepSettings {
    ReaderSettings reader;
    SplitSettings split;
    MateInfoSettings mateInfo;
    SelectionSettings selection;
    MarkSettings marking;
    OutputLineSettings output;
    // A line-mode record may be its input line as it stands (no option edits or keeps a copy
    // of it): such records are read without copying their line.
    bool plainLines = false;
    // A find, skip, time or params filter is set: most runs select nothing, and their plain
    // lines take one test instead of four calls.
    bool selectsPlainLines = false;
    // Such a line met again byte for byte is marked as the duplicate it was before, unread: the
    // seen set finds keys by equality and counts no comparisons, and no report takes each
    // record's details.
    bool knowsRepeatedLines = false;
};

StepSettings stepSettings(const RunSettings& settings);

// The seen-position rules the options ask for: /1, /2, /xy and /hc.
SeenPolicy seenPolicy(const RunSettings& settings);

}  // namespace vestrel
