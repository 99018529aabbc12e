#include "actions/input_state.h"

int menuActive = 0;

ButtonFocus buttonFocus = {-1, 0};
