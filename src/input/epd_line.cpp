#include "input/epd_line.h"
