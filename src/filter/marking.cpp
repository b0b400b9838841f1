#include "filter/marking.h"
