#include "position/board.h"
