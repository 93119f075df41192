// The program's artwork as Windows loads it from the resources of Quillnox.exe
// (resources/art/vek_art.rc is linked into this test): every bitmap has the size
// its control needs, the icons come in the order the file association relies on
// ("Quillnox.exe,4" is the container's document icon), the hand cursor's hot spot
// is its fingertip, and the pictures that meet on screen share their colours.
#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <vector>

namespace {

struct BitmapCase {
  int id;
  int width;
  int height;
};

// The image buttons (normal, hover, pressed, disabled pictures) and the other
// bitmaps of the main window, the progress dialog and the About box.
const BitmapCase kBitmaps[] = {
    // large buttons: reply, send, open, encrypt/decrypt locally, quit
    {448, 40, 40}, {446, 40, 40}, {447, 40, 40}, {449, 40, 40},
    {418, 40, 40}, {419, 40, 40}, {417, 40, 40},
    {428, 40, 40}, {427, 40, 40}, {429, 40, 40}, {462, 40, 40},
    {415, 40, 40}, {416, 40, 40}, {422, 40, 40},
    {421, 40, 40}, {414, 40, 40}, {423, 40, 40},
    // open file, key, new document, self-extracting on and off
    {409, 27, 27}, {410, 27, 27}, {411, 27, 27},
    {412, 27, 27}, {413, 27, 27}, {408, 27, 27},
    {452, 27, 27}, {450, 27, 27}, {451, 27, 27}, {453, 27, 27},
    {496, 27, 27}, {495, 27, 27}, {500, 27, 27}, {501, 27, 27},
    {498, 27, 27}, {499, 27, 27}, {497, 27, 27},
    // access password set and not set
    {432, 24, 24}, {431, 24, 24}, {433, 24, 24},
    {443, 24, 24}, {442, 24, 24}, {444, 24, 24},
    // algorithm DES and AES
    {437, 24, 11}, {438, 24, 11}, {441, 24, 11},
    {440, 24, 11}, {436, 24, 11}, {439, 24, 11},
    // help
    {488, 22, 22}, {489, 22, 22},
    // banner, filler, menu pictures
    {472, 240, 29}, {430, 1024, 29}, {307, 13, 13}, {355, 13, 13}, {356, 13, 13},
    // progress dialog: banner, failed, done, pending; About bullet
    {487, 320, 29}, {288, 15, 15}, {289, 15, 15}, {290, 15, 15}, {491, 9, 9},
};

HBITMAP LoadArt(int id) {
  return static_cast<HBITMAP>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0,
                                         LR_LOADTRANSPARENT));
}

COLORREF PixelOf(int id, int x, int y) {
  HBITMAP bitmap = LoadArt(id);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, bitmap);
  COLORREF colour = GetPixel(dc, x, y);
  SelectObject(dc, old);
  DeleteDC(dc);
  DeleteObject(bitmap);
  return colour;
}

TEST(Art, EveryBitmapLoadsAtItsControlsSize) {
  for (const BitmapCase& c : kBitmaps) {
    SCOPED_TRACE(c.id);
    HBITMAP bitmap = LoadArt(c.id);
    ASSERT_NE(bitmap, nullptr);
    BITMAP info{};
    ASSERT_EQ(GetObjectA(bitmap, sizeof info, &info), static_cast<int>(sizeof info));
    EXPECT_EQ(info.bmWidth, c.width);
    EXPECT_EQ(info.bmHeight, c.height);
    DeleteObject(bitmap);
  }
}

std::vector<COLORREF> PixelsOf(int id) {
  std::vector<COLORREF> pixels;
  HBITMAP bitmap = LoadArt(id);
  BITMAP info{};
  GetObjectA(bitmap, sizeof info, &info);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, bitmap);
  for (int y = 0; y < info.bmHeight; ++y) {
    for (int x = 0; x < info.bmWidth; ++x) pixels.push_back(GetPixel(dc, x, y));
  }
  SelectObject(dc, old);
  DeleteDC(dc);
  DeleteObject(bitmap);
  return pixels;
}

TEST(Art, ButtonStatesWithTheirOwnNumberLookDifferent) {
  // One control's pictures for normal, hover, pressed and (where it has its own) disabled.
  const std::vector<std::vector<int>> rows = {
      {448, 446, 447, 449}, {418, 419, 417}, {428, 427, 429, 462}, {415, 416, 422}, {421, 414, 423},
      {409, 410, 411},      {412, 413, 408}, {432, 431, 433},      {443, 442, 444}, {437, 438, 441},
      {440, 436, 439},      {452, 450, 451, 453}, {496, 495, 500, 501}, {498, 499, 497, 501}, {488, 489},
      // the two sides of each toggle differ too
      {432, 443}, {437, 440}, {496, 498}};
  for (const auto& row : rows) {
    for (size_t a = 0; a < row.size(); ++a) {
      for (size_t b = a + 1; b < row.size(); ++b) {
        SCOPED_TRACE(testing::Message() << row[a] << " vs " << row[b]);
        EXPECT_NE(PixelsOf(row[a]), PixelsOf(row[b]));
      }
    }
  }
}

std::vector<int> IconOrder(HMODULE module) {
  std::vector<int> ids;
  EnumResourceNamesA(
      module, MAKEINTRESOURCEA(14) /* RT_GROUP_ICON */,
      [](HMODULE, LPCSTR, LPSTR name, LONG_PTR param) -> BOOL {
        if (IS_INTRESOURCE(name)) reinterpret_cast<std::vector<int>*>(param)->push_back(LOWORD(name));
        return TRUE;
      },
      reinterpret_cast<LONG_PTR>(&ids));
  return ids;
}

TEST(Art, FifthIconIsTheDocumentIcon) {
  const std::vector<int> order = IconOrder(GetModuleHandleA(nullptr));
  const std::vector<int> expected = {120, 121, 122, 123, 124};
  EXPECT_EQ(order, expected);

  // The shell counts and extracts icons by that index.
  char path[MAX_PATH];
  ASSERT_GT(GetModuleFileNameA(nullptr, path, MAX_PATH), 0u);
  EXPECT_EQ(ExtractIconExA(path, -1, nullptr, nullptr, 0), 5u);
  HICON large = nullptr;
  HICON small = nullptr;
  ASSERT_EQ(ExtractIconExA(path, 4, &large, &small, 1), 2u);
  DestroyIcon(large);
  DestroyIcon(small);
}

TEST(Art, IconsLoadAtTheSmallAndLargeSizes) {
  for (int id = 120; id <= 124; ++id) {
    for (int size : {16, 32, 48}) {
      SCOPED_TRACE(testing::Message() << id << " at " << size);
      HICON icon = static_cast<HICON>(
          LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), IMAGE_ICON, size, size, 0));
      ASSERT_NE(icon, nullptr);
      ICONINFO info{};
      ASSERT_TRUE(GetIconInfo(icon, &info));
      BITMAP colour{};
      GetObjectA(info.hbmColor, sizeof colour, &colour);
      EXPECT_EQ(colour.bmWidth, size);
      DeleteObject(info.hbmColor);
      DeleteObject(info.hbmMask);
      DestroyIcon(icon);
    }
  }
}

TEST(Art, HandCursorPointsWithItsFingertip) {
  HCURSOR hand = LoadCursorA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(424));
  ASSERT_NE(hand, nullptr);
  ICONINFO info{};
  ASSERT_TRUE(GetIconInfo(hand, &info));
  EXPECT_FALSE(info.fIcon);
  EXPECT_EQ(info.xHotspot, 6u);
  EXPECT_EQ(info.yHotspot, 0u);
  if (info.hbmColor) DeleteObject(info.hbmColor);
  if (info.hbmMask) DeleteObject(info.hbmMask);
}

TEST(Art, BannerFillerAndHelpButtonMeetWithoutSeams) {
  // The filler continues the banner's last column, row by row.
  for (int y = 0; y < 29; ++y) {
    SCOPED_TRACE(y);
    EXPECT_EQ(PixelOf(472, 239, y), PixelOf(430, 0, y));
    EXPECT_EQ(PixelOf(430, 0, y), PixelOf(430, 1023, y));
  }
  // The help button lies 4 rows into the band: its corners are the band's colour.
  EXPECT_EQ(PixelOf(488, 0, 0), PixelOf(430, 0, 4));
  EXPECT_EQ(PixelOf(488, 0, 21), PixelOf(430, 0, 25));
  EXPECT_EQ(PixelOf(489, 21, 21), PixelOf(430, 0, 25));
}

}  // namespace
