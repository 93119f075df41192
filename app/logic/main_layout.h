// The main window's decisions that need no window: where every control goes for a
// client size, the list's row height, the frame snap, the text-fit width, and the
// tables of button images, tooltips and help topics.
#pragma once

// Client-area rectangle of one control: position and size in pixels.
struct ControlBox {
  int x;
  int y;
  int width;
  int height;
};

// The smallest window, and the size of a first start.
constexpr int MAIN_MIN_WIDTH = 340;
constexpr int MAIN_MIN_HEIGHT = 440;

// Caption text widths of the four large buttons, in the order Reply, Send/Open,
// Encrypt/Decrypt, Quit (measured with the stock ANSI variable font), and their heights.
struct CaptionSizes {
  int width[4];
  int height[4];
};

struct MainLayout {
  ControlBox filler;        // 1265
  ControlBox open;          // 1106
  ControlBox new_document;  // 1125
  ControlBox files;         // 1209
  ControlBox text;          // 1036
  ControlBox key_field;     // 1056
  ControlBox key_button;    // 1102
  ControlBox buttons[4];    // Reply 1118, Send/Open 1112|1117, Encrypt/Decrypt 1114, Quit 1116
  ControlBox captions[4];   // 1124, 1120|1123, 1121, 1122
  ControlBox algorithm;     // 1240|1241
  ControlBox self_extract;  // 1244|1245
  ControlBox password;      // 1242|1243
  ControlBox help;          // 1281
};

// 17 when every list item ends at or above 20 pixels (lowest_item_bottom: the largest
// bottom edge of the items' rectangles, 0 without items), else 34.
int ListRowHeight(int lowest_item_bottom);

// Every control's place for client size width x height, the banner's width and the
// list's row height (17 or 34).
MainLayout ComputeMainLayout(int width, int height, int banner_width, int row_height,
                             const CaptionSizes& captions);

// Window rectangle edges, screen pixels.
struct WindowEdges {
  int left;
  int top;
  int right;
  int bottom;
};

// Which border was double-clicked (the hit-test codes' meaning).
enum class Border { Left, Right, Top, TopLeft, TopRight, Bottom, BottomLeft, BottomRight, Other };

// The rectangle after a double click on border; side borders take fit_width as the new
// width. Other borders (and Other) leave it as it was.
WindowEdges SnapRectangle(Border border, WindowEdges rect, int fit_width);

// The text-fit switch: with switch_on and a non-empty text, widest_line + 80 and the
// switch goes off; otherwise 340 and the switch goes on.
int TextFitWidth(int* switch_on, bool text_empty, int widest_line);

// The four images (normal, hover, pressed, disabled) of an image button; nullptr for
// an id that is not one.
const int* ButtonImages(int id);
// The image-button ids, BUTTON_ID_COUNT of them.
constexpr int BUTTON_ID_COUNT = 15;
extern const int BUTTON_IDS[BUTTON_ID_COUNT];

// Tooltip of a control (mode 2 encryption, 3 decryption; reply flag); nullptr: none.
const char* TooltipText(int id, int mode, int reply);

// Help topic of a control clicked in context-help mode.
int HelpTopic(int id);
