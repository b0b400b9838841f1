#pragma once
// Reads a stipulation stated in words, as problem collections write it in titles and tags:
// "Mate in two", "White to play and mate in 3", "Selbstmatt in 3 Zügen", "Mat en deux coups",
// or the short forms "#2", "h#3", "2#". A mark with a number among other words ("#12 Chess")
// is a problem number, not a stipulation.

#include <string>
#include <string_view>

namespace vestrel {

// How much of a text is a stipulation phrase.
enum class PhraseFit {
    None,
    Part,   // one part between commas, colons, brackets, stops or " - " ("Problem 12, Mate in 3")
    Whole,  // the whole text, punctuation aside ("White to move. Mate in two.")
};

// Reads the text as a stipulation phrase: the whole text, else its first part that is one. A
// part alone must say more than a mark and a number ("Quiz, #7" is no stipulation, "Quiz, h#2"
// is). Sets `mateInfo` ("#2", "h#3", "s=4") unless the fit is None. Number words go from one
// to twenty in English, German and French; numbers in digits from 1 to 299. Letters are
// compared in any case; umlauts and accents may be Latin-1 or UTF-8 bytes. `work` is a reused
// buffer.
PhraseFit readStipulationPhrase(std::string_view text, std::string& mateInfo, std::string& work);

// Does the opcode text state a stipulation: a "bm" whose operand is a mark, optionally after a
// type letter, and a number ("bm #3", "bm h=2")?
bool statesStipulation(std::string_view opcodeText);

}  // namespace vestrel
