// The main window's look: button images and their hover, pressed and disabled states,
// link-style captions with the hand cursor, colours, and the tooltips.
#pragma once

#include <windows.h>

// Loads the images, the fonts, the cursor and the menu bitmaps (creation step 5 and 6).
void LookCreate(HWND window);
// Deletes everything LookCreate made and removes the tooltips' hook.
void LookDestroy();

// Creates the tooltip control, its tools and the message hook; the error box when
// any of them cannot be made.
void TooltipsCreate(HWND window);
// Tooltip text for the notification; 1 when it was a tooltip's need-text notification.
int TooltipNotify(HWND window, NMHDR* header, int mode, int reply);

// WM_DRAWITEM.
void DrawImageButton(const DRAWITEMSTRUCT* item);
// WM_SETCURSOR's hover handling for the window under the cursor.
void HoverUpdate(HWND under_cursor);
// WM_CTLCOLOR*: the brush to answer with, after setting the colours on dc.
HBRUSH ControlColours(HDC dc, HWND control);

// The light colour's brush (made on first use).
HBRUSH LightBrush();
COLORREF LightColour();
// The system-menu bitmap 307 and the key menu's bitmaps 355 and 356.
HBITMAP MenuBitmap(int id);
// Width of the banner bitmap, 0 without one.
int BannerWidth();
