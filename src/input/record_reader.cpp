#include "input/record_reader.h"
