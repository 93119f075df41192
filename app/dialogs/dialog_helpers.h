// Small helpers of the program's dialogs: bold headings, placing a dialog against the
// window that owns it, and giving an edit the focus back.
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

// Places dialog 20 units right of and 100 units below owner's top-left corner, keeping
// its size (nothing without an owner).
void PlaceBelowOwner(WindowHandle dialog, WindowHandle owner);

// Gives the edit id of dialog the focus with its whole text selected, so that what was
// typed can be typed again (after a refused password, for example).
void RefocusEdit(WindowHandle dialog, int id);
