#include "filter/opcode_edit.h"
