// Stands in for the platform header when the text routines are built natively for fuzzing.
#pragma once
#include "../win32_stand_in.h"
