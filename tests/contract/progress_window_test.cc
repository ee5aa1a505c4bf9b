// The progress window built by the real Win32 code, checked from inside the process where an
// outside driver cannot look: the window menu's Close item, the fonts of the labels, the pictures
// and the bar's range as the worker's operations leave it.
#include <gtest/gtest.h>

#include "platform/win32/win32.h"
#include "ui/win32_ui.h"

namespace unroll {
namespace {

class ProgressWindowTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&controls);
  }
  void SetUp() override {
    ui_.LoadWindowResources();
    ui_.BuildProgressWindow({u"Uninstall Editor", u"Removing", u"Editor goes", u"Uninstalling Editor",
                             u"&Cancel"},
                            40);
    window_ = ::FindWindowW(L"UnrollProgressWindow", L"Uninstall Editor");
    ASSERT_NE(window_, nullptr);
  }
  void TearDown() override { ::DestroyWindow(window_); }

  HWND Control(int id) { return ::GetDlgItem(id <= 3 && id >= 1 ? ::GetDlgItem(window_, 0) : window_, id); }

  Win32Ui ui_;
  HWND window_ = nullptr;
};

TEST_F(ProgressWindowTest, CloseItemGreyedAndWindowShown) {
  HMENU menu = ::GetSystemMenu(window_, FALSE);
  ASSERT_NE(menu, nullptr);
  const UINT state = ::GetMenuState(menu, SC_CLOSE, MF_BYCOMMAND);
  EXPECT_TRUE(state & MF_GRAYED);
  EXPECT_TRUE(::IsWindowVisible(window_));
  EXPECT_FALSE(::IsWindowEnabled(Control(kCancelButton)));
}

TEST_F(ProgressWindowTest, LabelFontsAndPictures) {
  HDC display = ::CreateDCW(L"DISPLAY", nullptr, nullptr, nullptr);
  const int dpi = ::GetDeviceCaps(display, LOGPIXELSY);
  ::DeleteDC(display);
  struct Case {
    int control;
    LONG weight;  // 0: the stock DEFAULT_GUI_FONT
  } cases[] = {{2, FW_BOLD}, {3, FW_NORMAL}, {6, 0}, {7, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.control);
    auto font = reinterpret_cast<HFONT>(::SendMessageW(Control(c.control), WM_GETFONT, 0, 0));
    if (c.weight == 0) {
      EXPECT_EQ(font, ::GetStockObject(DEFAULT_GUI_FONT));
      continue;
    }
    LOGFONTW logical = {};
    ASSERT_TRUE(::GetObjectW(font, sizeof logical, &logical));
    EXPECT_EQ(logical.lfWeight, c.weight);
    EXPECT_EQ(logical.lfHeight, -::MulDiv(8, dpi, 72));
    EXPECT_STREQ(logical.lfFaceName, L"Microsoft Sans Serif");
  }
  for (int picture : {1, 4, 8}) {
    SCOPED_TRACE(picture);
    auto bitmap = reinterpret_cast<HBITMAP>(::SendMessageW(Control(picture), STM_GETIMAGE, IMAGE_BITMAP, 0));
    BITMAP info = {};
    ASSERT_TRUE(::GetObjectW(bitmap, sizeof info, &info));
    EXPECT_EQ(info.bmWidth, picture == 1 ? 55 : 497);
    EXPECT_EQ(info.bmHeight, picture == 1 ? 55 : 2);
  }
}

TEST_F(ProgressWindowTest, BarFollowsTheWorkersOperations) {
  HWND bar = Control(5);
  ui_.SetProgressMaximum(40);
  EXPECT_EQ(::SendMessageW(bar, PBM_GETRANGE, FALSE, 0), 40);
  EXPECT_EQ(::SendMessageW(bar, PBM_GETRANGE, TRUE, 0), 0);
  ui_.SetProgressPosition(1, false);  // the first position is always sent
  EXPECT_EQ(::SendMessageW(bar, PBM_GETPOS, 0, 0), 1);
  ui_.SetProgressPosition(50, false);  // the first that reaches the maximum, too
  EXPECT_EQ(::SendMessageW(bar, PBM_GETPOS, 0, 0), 40);
  ui_.SetProgressPosition(40, true);
  EXPECT_EQ(::SendMessageW(bar, PBM_GETPOS, 0, 0), 40);
  ui_.HideProgressWindow();
  EXPECT_FALSE(::IsWindowVisible(window_));
}

TEST(Pictures, AnEmblemOfAnotherSizeIsStretchedTo55By55) {
  RgbImage image;
  image.width = 20;
  image.height = 10;
  image.pixels.assign(20 * 10 * 3, 0);
  for (int x = 10; x < 20; ++x) {
    for (int y = 0; y < 10; ++y) image.pixels[(y * 20 + x) * 3 + 2] = 255;  // right half blue
  }
  HBITMAP source = BitmapFromRgb(image);
  ASSERT_NE(source, nullptr);
  HBITMAP sized = StretchHalftone(source, 20, 10, 55, 55);
  ASSERT_NE(sized, nullptr);
  BITMAP info = {};
  ASSERT_TRUE(::GetObjectW(sized, sizeof info, &info));
  EXPECT_EQ(info.bmWidth, 55);
  EXPECT_EQ(info.bmHeight, 55);
  HDC dc = ::CreateCompatibleDC(nullptr);
  HGDIOBJ old = ::SelectObject(dc, sized);
  EXPECT_LT(GetBValue(::GetPixel(dc, 2, 27)), 64);   // left: black
  EXPECT_GT(GetBValue(::GetPixel(dc, 52, 27)), 192);  // right: blue
  ::SelectObject(dc, old);
  ::DeleteDC(dc);
  ::DeleteObject(sized);
  ::DeleteObject(source);
}

}  // namespace
}  // namespace unroll
