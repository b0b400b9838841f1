#include "input/pgn_header.h"
