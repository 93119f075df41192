// Small helpers of the program's dialogs: bold headings and centring a dialog on the
// window that owns it.
#pragma once

#include "platform/msgbox.h"  // WindowHandle

// Used in this order by a dialog with a heading: make a bold copy (weight 700) of the
// control's font, kept process-wide; give a control that font and a text, sized to the
// text's extent in place (stacking order unchanged); delete the kept font when the
// dialog ends.
void MakeBoldCaptionFont(WindowHandle control);
void SetBoldCaption(WindowHandle control, const char* text);
void DeleteBoldCaptionFont();

// Moves window, keeping its size, so that its centre lies on the centre of its
// parent's (or owner's) window rectangle; makes it top-most and shows it.
void CenterOnParent(WindowHandle window);
