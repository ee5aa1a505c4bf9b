// The program's window and its events. For now the window is a plain frame of the final size;
// its controls and the progress bar come with the window's own resources.
#include "ui/win32_ui.h"

namespace unroll {
namespace {

constexpr wchar_t kWindowClass[] = L"UnrollProgressWindow";
constexpr int kClientWidth = 497;
constexpr int kClientHeight = 362;
constexpr DWORD kWindowStyle = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

// Requests the window procedure hands to the event wait. WM_CLOSE and WM_COMMAND arrive at the
// window procedure both posted and sent (the system menu, Alt+F4), so the procedure turns each
// into a posted message that the wait takes from the queue.
constexpr UINT kCloseRequestMessage = WM_APP + 1;
constexpr UINT kControlClickMessage = WM_APP + 2;

LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_CLOSE:
      // The window is neither closed nor destroyed: the main sequence decides.
      ::PostMessageW(window, kCloseRequestMessage, 0, 0);
      return 0;
    case WM_COMMAND:
      if (HIWORD(wparam) == BN_CLICKED) {
        ::PostMessageW(window, kControlClickMessage, LOWORD(wparam), 0);
      }
      return 0;
    default:
      return ::DefWindowProcW(window, message, wparam, lparam);
  }
}

}  // namespace

int Win32Ui::ShowBox(const Text& title, const Text& text, unsigned type) {
  return ::MessageBoxW(nullptr, Wide(text), Wide(title), type);
}

UiEvent Win32Ui::WaitEvent() {
  MSG message;
  for (;;) {
    // GetMessageW also runs the messages that the worker sends to this thread's windows.
    const BOOL got = ::GetMessageW(&message, nullptr, 0, 0);
    if (got == -1) return UiEvent{};
    if (got == 0) continue;  // nothing posts WM_QUIT; keep waiting
    if (message.hwnd != nullptr && message.hwnd == window_) {
      if (message.message == kCloseRequestMessage) {
        return UiEvent{UiEvent::kCloseRequest, kProgressWindow, -1};
      }
      if (message.message == kControlClickMessage) {
        return UiEvent{UiEvent::kControlClick, kProgressWindow, static_cast<int>(message.wParam)};
      }
    }
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
}

void Win32Ui::BuildProgressWindow(const Text& title, std::int32_t step_total) {
  (void)step_total;
  HINSTANCE instance = ::GetModuleHandleW(nullptr);
  WNDCLASSEXW window_class = {};
  window_class.cbSize = sizeof window_class;
  window_class.lpfnWndProc = &WindowProcedure;
  window_class.hInstance = instance;
  window_class.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  window_class.lpszClassName = kWindowClass;
  ::RegisterClassExW(&window_class);

  RECT frame = {0, 0, kClientWidth, kClientHeight};
  ::AdjustWindowRectEx(&frame, kWindowStyle, FALSE, 0);
  int width = frame.right - frame.left;
  int height = frame.bottom - frame.top;
  const int screen_width = ::GetSystemMetrics(SM_CXSCREEN);
  const int screen_height = ::GetSystemMetrics(SM_CYSCREEN);
  if (width > screen_width) width = screen_width;
  if (height > screen_height) height = screen_height;
  window_ = ::CreateWindowExW(0, kWindowClass, Wide(title), kWindowStyle, (screen_width - width) / 2,
                              (screen_height - height) / 2, width, height, nullptr, nullptr,
                              instance, nullptr);
  if (window_ != nullptr) ::ShowWindow(window_, SW_SHOWNORMAL);
}

void Win32Ui::SetProgressMaximum(std::int32_t step_total) { (void)step_total; }

void Win32Ui::SetProgressPosition(std::int32_t position) { (void)position; }

void Win32Ui::HideProgressWindow() {
  if (window_ != nullptr) ::ShowWindow(window_, SW_HIDE);
}

}  // namespace unroll
