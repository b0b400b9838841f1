#include "solver/stipulation.h"

namespace vestrel {

namespace {

// The operand of the first " bm " in " " + opcode text: up to its ";", blanks trimmed.
bool bmOperand(std::string_view opcodeText, std::string_view& operand) {
    std::size_t at = 0;
    if (opcodeText.substr(0, 3) == "bm ") {
        at = 3;
    } else {
        at = opcodeText.find(" bm ");
        if (at == std::string_view::npos) return false;
        at += 4;
    }
    operand = opcodeText.substr(at);
    operand = operand.substr(0, operand.find(';'));
    while (!operand.empty() && operand.front() == ' ') operand.remove_prefix(1);
    while (!operand.empty() && operand.back() == ' ') operand.remove_suffix(1);
    return true;
}

}  // namespace

StipulationRead readStipulation(std::string_view opcodeText, int maxMoves, Stipulation& out) {
    std::string_view operand;
    if (!bmOperand(opcodeText, operand)) return StipulationRead::Missing;
    const std::size_t mark = operand.find_first_of("#=");
    if (mark > 1) return StipulationRead::Missing;
    Stipulation s;
    s.goal = operand[mark] == '#' ? Goal::Mate : Goal::Stalemate;
    if (mark == 1) {
        if (operand[0] != 'h' && operand[0] != 's') return StipulationRead::Unknown;
        s.play = operand[0] == 'h' ? Play::Help : Play::Self;
    }
    const std::string_view digits = operand.substr(mark + 1);
    if (digits.empty()) return StipulationRead::Unknown;
    bool tooLong = false;
    int moves = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return StipulationRead::Unknown;
        moves = moves * 10 + (c - '0');
        if (moves > maxMoves) {
            tooLong = true;
            moves = maxMoves + 1;
        }
    }
    if (moves == 0) return StipulationRead::Unknown;
    if (tooLong) return StipulationRead::TooLong;
    s.moves = moves;
    out = s;
    return StipulationRead::Ok;
}

std::string stipulationText(const Stipulation& s) {
    std::string text;
    if (s.play == Play::Help) text.push_back('h');
    if (s.play == Play::Self) text.push_back('s');
    text.push_back(s.goal == Goal::Mate ? '#' : '=');
    text.append(std::to_string(s.moves));
    return text;
}

}  // namespace vestrel
