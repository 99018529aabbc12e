#include "actions/input_state.h"

int menuActive = 0;

ButtonFocus buttonFocus = {-1, 0};

ButtonPress buttonPress = {-1, 0};
