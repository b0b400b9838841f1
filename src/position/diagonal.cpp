#include "position/diagonal.h"
