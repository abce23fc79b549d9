#pragma once
// The temporary folder is shared by every test program now; this name stays
// for tests that still include it from here.

#include "tests/support/temp_folder.h"
