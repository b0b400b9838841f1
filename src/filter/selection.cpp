#include "filter/selection.h"
