#include "database/time_update.h"
