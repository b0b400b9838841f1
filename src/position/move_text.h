#pragma once
// Moves as text: UCI ("e2e4", "e7e8q", castling as the king's move "e1g1") and SAN ("Nbd7",
// "exd6", "e8=Q+", "O-O-O#").

#include <optional>
#include <string>
#include <string_view>

#include "position/movegen.h"
#include "position/position.h"

namespace vestrel {

std::string moveToUci(Move move);
// The legal move the UCI text names in the position; nothing when none is.
std::optional<Move> moveFromUci(const Position& position, std::string_view text);

// Standard algebraic notation of a legal move, with "+" for check and "#" for mate.
std::string moveToSan(const Position& position, Move move);
// The legal move a SAN text names. Takes "+", "#", "!" and "?" after the move, "0-0" for
// "O-O", a promotion with or without "=", and more disambiguation than needed ("Ng1f3");
// nothing when no legal move or more than one fits.
std::optional<Move> moveFromSan(const Position& position, std::string_view text);

}  // namespace vestrel
