#include "input/castling.h"
