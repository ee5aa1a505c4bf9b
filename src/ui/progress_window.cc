// The progress window: its pictures and fonts, its nine controls, and the progress operations
// that the worker reaches through synchronous messages.
#include "ui/pictures.h"
#include "ui/win32_ui.h"

namespace unroll {
namespace {

constexpr wchar_t kWindowClass[] = L"UnrollProgressWindow";
constexpr wchar_t kPanelClass[] = L"UnrollHeaderPanel";
constexpr int kClientWidth = 497;
constexpr int kClientHeight = 362;
constexpr DWORD kWindowStyle = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr COLORREF kWhite = RGB(255, 255, 255);

// Slots.
constexpr int kHeaderPanel = 0, kHeaderIcon = 1, kHeaderTitle = 2, kHeaderSubtitle = 3,
              kTopRule = 4, kProgressBar = 5, kStatusLabel = 6, kBottomRule = 8;
constexpr int kHeaderIconImage = 7, kRuleImage = 8;
constexpr int kTitleFont = 1, kBodyFont = 7;
constexpr int kEmblemSize = 55;

LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_CLOSE:
      // The window is neither closed nor destroyed: the main sequence decides.
      ::PostMessageW(window, kCloseRequestMessage, 0, 0);
      return 0;
    case WM_COMMAND:
      if (HIWORD(wparam) == BN_CLICKED) ::PostMessageW(window, kControlClickMessage, LOWORD(wparam), 0);
      return 0;
    default:
      return ::DefWindowProcW(window, message, wparam, lparam);
  }
}

// The header panel paints white and has its labels paint their text on white.
LRESULT CALLBACK PanelProcedure(HWND panel, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_CTLCOLORSTATIC) {
    ::SetBkColor(reinterpret_cast<HDC>(wparam), kWhite);
    return reinterpret_cast<LRESULT>(::GetStockObject(WHITE_BRUSH));
  }
  return ::DefWindowProcW(panel, message, wparam, lparam);
}

}  // namespace

HBITMAP BitmapFromRgb(const RgbImage& image) {
  if (image.width <= 0 || image.height <= 0) return nullptr;
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = image.width;
  info.bmiHeader.biHeight = -image.height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (bitmap == nullptr) return nullptr;
  const std::size_t stride = (static_cast<std::size_t>(image.width) * 3 + 3) & ~static_cast<std::size_t>(3);
  auto* out = static_cast<std::uint8_t*>(bits);
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) {
      const std::uint8_t* rgb = image.At(x, y);
      std::uint8_t* bgr = out + static_cast<std::size_t>(y) * stride + static_cast<std::size_t>(x) * 3;
      bgr[0] = rgb[2];
      bgr[1] = rgb[1];
      bgr[2] = rgb[0];
    }
  }
  return bitmap;
}

HBITMAP StretchHalftone(HBITMAP source, int source_width, int source_height, int width, int height) {
  HDC screen = ::GetDC(nullptr);
  HDC from = ::CreateCompatibleDC(screen);
  HDC to = ::CreateCompatibleDC(screen);
  HBITMAP result = ::CreateCompatibleBitmap(screen, width, height);
  if (from && to && result) {
    HGDIOBJ old_from = ::SelectObject(from, source);
    HGDIOBJ old_to = ::SelectObject(to, result);
    ::SetStretchBltMode(to, HALFTONE);
    ::SetBrushOrgEx(to, 0, 0, nullptr);
    ::StretchBlt(to, 0, 0, width, height, from, 0, 0, source_width, source_height, SRCCOPY);
    ::SelectObject(from, old_from);
    ::SelectObject(to, old_to);
  }
  if (to) ::DeleteDC(to);
  if (from) ::DeleteDC(from);
  ::ReleaseDC(nullptr, screen);
  return result;
}

namespace {

bool ResourceBytes(int id, const std::uint8_t** data, std::size_t* size) {
  HMODULE module = ::GetModuleHandleW(nullptr);
  HRSRC found = ::FindResourceW(module, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(10));  // RT_RCDATA
  HGLOBAL loaded = found ? ::LoadResource(module, found) : nullptr;
  const void* bytes = loaded ? ::LockResource(loaded) : nullptr;
  if (bytes == nullptr) return false;
  *data = static_cast<const std::uint8_t*>(bytes);
  *size = ::SizeofResource(module, found);
  return true;
}

HFONT MakeFont(int height, int weight) {
  return ::CreateFontW(height, 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                       DEFAULT_PITCH | FF_DONTCARE, L"Microsoft Sans Serif");
}

int ClientWidth(HWND window) {
  RECT client = {};
  ::GetClientRect(window, &client);
  return client.right - client.left;
}

}  // namespace

void Win32Ui::LoadWindowResources() {
  const std::uint8_t* data = nullptr;
  std::size_t size = 0;
  RgbImage image;
  if (ResourceBytes(kRuleResource, &data, &size) && DecodeJpeg(data, size, image)) {
    images_[kRuleImage] = BitmapFromRgb(image);
  }
  if (ResourceBytes(kEmblemResource, &data, &size) && DecodeBmp8(data, size, image)) {
    images_[kHeaderIconImage] = BitmapFromRgb(image);
    if (images_[kHeaderIconImage] && (image.width != kEmblemSize || image.height != kEmblemSize)) {
      HBITMAP sized = StretchHalftone(images_[kHeaderIconImage], image.width, image.height,
                                      kEmblemSize, kEmblemSize);
      ::DeleteObject(images_[kHeaderIconImage]);
      images_[kHeaderIconImage] = sized;
    }
  }
  int dots_per_inch = 96;
  if (HDC display = ::CreateDCW(L"DISPLAY", nullptr, nullptr, nullptr)) {
    dots_per_inch = ::GetDeviceCaps(display, LOGPIXELSY);
    ::DeleteDC(display);
  }
  fonts_[kTitleFont] = MakeFont(FontHeight(8, dots_per_inch), FW_BOLD);
  fonts_[kBodyFont] = MakeFont(FontHeight(8, dots_per_inch), FW_NORMAL);
}

void Win32Ui::BuildProgressWindow(const ProgressWindowTexts& texts, std::int32_t step_total) {
  HINSTANCE instance = ::GetModuleHandleW(nullptr);
  WNDCLASSEXW window_class = {};
  window_class.cbSize = sizeof window_class;
  window_class.lpfnWndProc = &WindowProcedure;
  window_class.hInstance = instance;
  window_class.hIcon = ::LoadIconW(instance, MAKEINTRESOURCEW(kIconGroupResource));
  window_class.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  window_class.lpszClassName = kWindowClass;
  ::RegisterClassExW(&window_class);
  WNDCLASSEXW panel_class = {};
  panel_class.cbSize = sizeof panel_class;
  panel_class.lpfnWndProc = &PanelProcedure;
  panel_class.hInstance = instance;
  panel_class.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  panel_class.hbrBackground = static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH));
  panel_class.lpszClassName = kPanelClass;
  ::RegisterClassExW(&panel_class);

  RECT frame = {0, 0, kClientWidth, kClientHeight};
  ::AdjustWindowRectEx(&frame, kWindowStyle, FALSE, 0);
  const Placement at = CentreOnScreen(frame.right - frame.left, frame.bottom - frame.top,
                                      ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN));
  window_ = ::CreateWindowExW(0, kWindowClass, Wide(texts.title), kWindowStyle, at.x, at.y, at.width,
                              at.height, nullptr, nullptr, instance, nullptr);
  if (window_ == nullptr) return;
  ::ShowWindow(window_, SW_SHOWNORMAL);
  if (HMENU menu = ::GetSystemMenu(window_, FALSE)) {
    ::EnableMenuItem(menu, SC_CLOSE, MF_BYCOMMAND | MF_GRAYED);
    ::DrawMenuBar(window_);
  }

  HFONT gui_font = static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
  auto create = [&](int slot, HWND parent, const wchar_t* window_class_name, const Text& text,
                    DWORD style, int x, int y, int width, int height) {
    HWND control = ::CreateWindowExW(0, window_class_name, Wide(text), WS_CHILD | WS_VISIBLE | style, x,
                                     y, width, height, parent,
                                     reinterpret_cast<HMENU>(static_cast<INT_PTR>(slot)), instance, nullptr);
    controls_[slot] = control;
    if (control) ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(gui_font), FALSE);
    return control;
  };
  auto picture = [&](int slot, HWND parent, int x, int y, HBITMAP image) {
    // A bitmap static takes the size of its picture when the picture is set.
    HWND control = create(slot, parent, L"STATIC", Text{}, SS_NOTIFY | SS_BITMAP, x, y, 0, 0);
    if (control && image) ::SendMessageW(control, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(image));
  };
  auto set_font = [&](int slot, int font) {
    if (controls_[slot] && fonts_[font]) {
      ::SendMessageW(controls_[slot], WM_SETFONT, reinterpret_cast<WPARAM>(fonts_[font]), TRUE);
    }
  };
  constexpr DWORD kLabel = WS_GROUP | SS_LEFT;

  picture(kTopRule, window_, 0, 58, images_[kRuleImage]);
  picture(kBottomRule, window_, 0, 313, images_[kRuleImage]);
  int w = ClientWidth(window_);
  create(kStatusLabel, window_, L"STATIC", texts.status, kLabel, 25, 90, w - 50, 20);
  w = ClientWidth(window_);
  if (HWND bar = create(kProgressBar, window_, PROGRESS_CLASSW, Text{}, 0, 25, 120, w - 50, 20)) {
    ::SendMessageW(bar, PBM_SETRANGE32, 0, step_total);
  }
  w = ClientWidth(window_);
  if (HWND button = create(kCancelButton, window_, L"Button", texts.cancel,
                           WS_GROUP | WS_TABSTOP | BS_PUSHBUTTON, w - 105, 330, 80, 22)) {
    ::EnableWindow(button, FALSE);
  }
  w = ClientWidth(window_);
  HWND panel = create(kHeaderPanel, window_, kPanelClass, Text{}, 0, 0, 0, w, 58);
  picture(kHeaderIcon, panel, 440, 1, images_[kHeaderIconImage]);
  create(kHeaderTitle, panel, L"STATIC", texts.header, kLabel, 14, 10, 305, 15);
  set_font(kHeaderTitle, kTitleFont);
  create(kHeaderSubtitle, panel, L"STATIC", texts.subtitle, kLabel, 25, 27, 355, 40);
  set_font(kHeaderSubtitle, kBodyFont);

  ResetThrottle(step_total);
}

void Win32Ui::ResetThrottle(std::int32_t step_total) {
  RECT bar = {};
  if (controls_[kProgressBar]) ::GetClientRect(controls_[kProgressBar], &bar);
  throttle_.Reset(step_total, bar.right - bar.left);
}

void Win32Ui::SetProgressMaximum(std::int32_t step_total) {
  HWND bar = controls_[kProgressBar];
  if (bar == nullptr) return;
  const auto low = static_cast<int>(::SendMessageW(bar, PBM_GETRANGE, TRUE, 0));
  ::SendMessageW(bar, PBM_SETRANGE32, static_cast<WPARAM>(low), step_total);
  ResetThrottle(step_total);
}

void Win32Ui::SetProgressPosition(std::int32_t position, bool final) {
  HWND bar = controls_[kProgressBar];
  // A shown bar repaints at every PBM_SETPOS, which costs far more than removing a file.
  if (bar == nullptr || !throttle_.ShouldSend(position, ::GetTickCount(), final)) return;
  ::SendMessageW(bar, PBM_SETPOS, static_cast<WPARAM>(position), 0);
}

void Win32Ui::HideProgressWindow() {
  if (window_ != nullptr) ::ShowWindow(window_, SW_HIDE);
}

}  // namespace unroll
