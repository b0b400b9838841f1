#include "app/files.h"
