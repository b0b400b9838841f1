#include "app/run.h"
