#include "input/mate_info.h"
