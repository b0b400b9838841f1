#include "app/options.h"
