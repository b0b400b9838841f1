#include "position/mirror.h"
