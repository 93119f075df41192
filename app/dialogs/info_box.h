// The information box: a notice with the information icon, the maker's web link and
// "OK", titled with the display name.
#pragma once

#include "platform/msgbox.h"  // WindowHandle

// Modal; the text is copied ("\n" breaks a line). 0 for "OK" or Escape, 1 for the
// title-bar close.
int InfoBox(WindowHandle owner, const char* text);
