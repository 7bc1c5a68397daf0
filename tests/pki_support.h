#pragma once
#include "test_support.h"

// The CA paths are relative: the test directory doubles as the program directory.
using PkiTest = TempDirTest;
