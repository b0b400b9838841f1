#include "database/sort.h"
