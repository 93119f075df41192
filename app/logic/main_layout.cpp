// Layout formulas, frame snap and the main window's tables.
#include "app/logic/main_layout.h"

#include "resources/resource.h"

int ListRowHeight(int lowest_item_bottom) { return lowest_item_bottom <= 20 ? 17 : 34; }

MainLayout ComputeMainLayout(int width, int height, int banner_width, int row_height,
                             const CaptionSizes& captions) {
  const int W = width;
  const int H = height;
  const int L = row_height;
  MainLayout layout{};
  layout.filler = {banner_width, 10, W - banner_width, 29};
  layout.open = {6, 51, 27, 27};
  layout.new_document = {6, 88, 27, 27};
  layout.files = {42, 55, W - 46, L + 4};
  layout.text = {42, L + 64, W - 46, H - L - 153};
  layout.key_field = {42, H - 84, W - 46, 20};
  layout.key_button = {7, H - 89, 27, 27};
  const int c = (W - 42) / 2;
  const int offsets[4] = {-114, -48, 18, 84};
  for (int i = 0; i < 4; ++i) {
    layout.buttons[i] = {c + offsets[i] + 42, H - 60, 40, 40};
    layout.captions[i] = {c + offsets[i] + 62 - captions.width[i] / 2, H - 18, captions.width[i],
                          captions.height[i]};
  }
  layout.algorithm = {8, H - 109, 24, 11};
  layout.self_extract = {8, H - 140, 27, 27};
  layout.password = {8, H - 170, 24, 24};
  layout.help = {W - 23, 14, 22, 22};
  return layout;
}

WindowEdges SnapRectangle(Border border, WindowEdges r, int fit_width) {
  switch (border) {
    case Border::Left: r.left = r.right - fit_width; break;
    case Border::Right: r.right = r.left + fit_width; break;
    case Border::Top: r.top = r.bottom - MAIN_MIN_HEIGHT; break;
    case Border::TopLeft:
      r.left = r.right - MAIN_MIN_WIDTH;
      r.top = r.bottom - MAIN_MIN_HEIGHT;
      break;
    case Border::TopRight:
      r.right = r.left + MAIN_MIN_WIDTH;
      r.top = r.bottom - MAIN_MIN_HEIGHT;
      break;
    case Border::Bottom: r.bottom = r.top + MAIN_MIN_HEIGHT; break;
    case Border::BottomLeft:
      r.left = r.right - MAIN_MIN_WIDTH;
      r.bottom = r.top + MAIN_MIN_HEIGHT;
      break;
    case Border::BottomRight:
      r.right = r.left + MAIN_MIN_WIDTH;
      r.bottom = r.top + MAIN_MIN_HEIGHT;
      break;
    case Border::Other: break;
  }
  return r;
}

int TextFitWidth(int* switch_on, bool text_empty, int widest_line) {
  if (*switch_on && !text_empty) {
    *switch_on = 0;
    return widest_line + 80;
  }
  *switch_on = 1;
  return MAIN_MIN_WIDTH;
}

namespace {

struct ButtonRow {
  int id;
  int images[4];
};

constexpr ButtonRow kButtons[BUTTON_ID_COUNT] = {
    {IDC_MAIN_REPLY, {448, 446, 447, 449}},        {IDC_MAIN_SEND, {418, 419, 417, 418}},
    {IDC_MAIN_DECRYPT_OPEN, {428, 427, 429, 462}}, {IDC_MAIN_LOCAL, {415, 416, 422, 415}},
    {IDC_MAIN_QUIT, {421, 414, 423, 421}},         {IDC_MAIN_OPEN, {409, 410, 411, 409}},
    {IDC_MAIN_KEY_BUTTON, {412, 413, 408, 412}},   {IDC_MAIN_PASSWORD_ON, {432, 431, 433, 432}},
    {IDC_MAIN_PASSWORD_OFF, {443, 442, 444, 443}}, {IDC_MAIN_ALGO_DES, {437, 438, 441, 437}},
    {IDC_MAIN_ALGO_AES, {440, 436, 439, 440}},     {IDC_MAIN_NEW, {452, 450, 451, 453}},
    {IDC_MAIN_HELP, {488, 488, 489, 488}},         {IDC_MAIN_SELFX_ON, {496, 495, 500, 501}},
    {IDC_MAIN_SELFX_OFF, {498, 499, 497, 501}},
};

}  // namespace

const int BUTTON_IDS[BUTTON_ID_COUNT] = {
    IDC_MAIN_REPLY,        IDC_MAIN_SEND,        IDC_MAIN_DECRYPT_OPEN, IDC_MAIN_LOCAL,
    IDC_MAIN_QUIT,         IDC_MAIN_OPEN,        IDC_MAIN_KEY_BUTTON,   IDC_MAIN_PASSWORD_ON,
    IDC_MAIN_PASSWORD_OFF, IDC_MAIN_ALGO_DES,    IDC_MAIN_ALGO_AES,     IDC_MAIN_NEW,
    IDC_MAIN_HELP,         IDC_MAIN_SELFX_ON,    IDC_MAIN_SELFX_OFF,
};

const int* ButtonImages(int id) {
  for (const ButtonRow& row : kButtons) {
    if (row.id == id) return row.images;
  }
  return nullptr;
}

const char* TooltipText(int id, int mode, int reply) {
  switch (id) {
    case IDC_MAIN_NEW: return "New document (Clean main window)";
    case IDC_MAIN_ALGO_DES:
    case IDC_MAIN_ALGO_AES: return "Choose the encryption algorithm.";
    case IDC_MAIN_PASSWORD_ON:
    case IDC_MAIN_PASSWORD_OFF: return "Control access with a password.";
    case IDC_MAIN_SELFX_ON:
    case IDC_MAIN_SELFX_OFF: return "Self-extracting encrypted file";
    case IDC_MAIN_KEY_BUTTON: return "Choose a key.";
    case IDC_MAIN_OPEN: return "Browse a file to encrypt.";
    case IDC_MAIN_SEND: return "Encrypt and Mail.";
    case IDC_MAIN_LOCAL:
      if (mode == 3) return reply ? "Decrypt as..." : "Decrypt locally.";
      return "Encrypt locally.";
    case IDC_MAIN_DECRYPT_OPEN: return "Decrypt and Open the File";
    case IDC_MAIN_REPLY: return "Encrypted reply";
    default: return nullptr;
  }
}

int HelpTopic(int id) {
  switch (id) {
    case 1036: return 7;
    case 1038: return 11;
    case 1056:
    case 1102: return 8;
    case 1106: return 6;
    case 1107:
    case 1109:
    case 1110:
    case 1113:
    case 1115:
    case 1198:
    case 1199:
    case 1206: return 9;
    case 1108: return 11;
    case 1112:
    case 1114:
    case 1116:
    case 1117: return 10;
    case 1118: return 101;
    case 1125: return 7;
    case 1207: return 11;
    case 1209: return 6;
    case 1223:
    case 1224:
    case 1242:
    case 1243: return 11;
    case 1240: return 12;
    case 1245: return 22;
    default: return 5;
  }
}
