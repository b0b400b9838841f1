#pragma once
// Mate information in its three EPD forms: "bm #n", "dm n" and a mate score "ce".

#include <string>

namespace vestrel {

// What the mate-info step takes from the options.
struct MateInfoSettings {
    bool addMissingForms = false;  // /#
};

// Ends the opcode text with ";", and with /# adds the forms the record lacks. Returns the
// mate length |n| found (0 when the record has no usable mate information).
int convertMateInfo(std::string& opcodeText, const MateInfoSettings& settings);

}  // namespace vestrel
