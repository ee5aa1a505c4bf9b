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

HWND Window(NativeHandle window) { return reinterpret_cast<HWND>(window); }

BOOL CALLBACK CollectWindow(HWND window, LPARAM list) {
  reinterpret_cast<std::vector<NativeHandle>*>(list)->push_back(reinterpret_cast<NativeHandle>(window));
  return TRUE;
}

}  // namespace

int Win32Ui::ShowBox(NativeHandle owner, const Text& title, const Text& text, unsigned type) {
  return ::MessageBoxW(Window(owner), Wide(text), Wide(title), type);
}

std::vector<NativeHandle> Win32Ui::TopLevelWindows() {
  std::vector<NativeHandle> windows;
  ::EnumWindows(&CollectWindow, reinterpret_cast<LPARAM>(&windows));
  return windows;
}

std::uint32_t Win32Ui::WindowThread(NativeHandle window, std::uint32_t* process) {
  DWORD owner_process = 0;
  const DWORD thread = ::GetWindowThreadProcessId(Window(window), &owner_process);
  *process = owner_process;
  return thread;
}

std::uint32_t Win32Ui::CurrentThread() { return ::GetCurrentThreadId(); }

std::uint32_t Win32Ui::CurrentProcess() { return ::GetCurrentProcessId(); }

NativeHandle Win32Ui::ForegroundWindow() {
  return reinterpret_cast<NativeHandle>(::GetForegroundWindow());
}

bool Win32Ui::IsVisible(NativeHandle window) { return ::IsWindowVisible(Window(window)) != FALSE; }

bool Win32Ui::IsEnabled(NativeHandle window) { return ::IsWindowEnabled(Window(window)) != FALSE; }

void Win32Ui::Enable(NativeHandle window, bool enable) { ::EnableWindow(Window(window), enable); }

bool Win32Ui::IsTopmost(NativeHandle window) {
  return (::GetWindowLongW(Window(window), GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
}

void Win32Ui::SetTopmost(NativeHandle window, bool topmost) {
  ::SetWindowPos(Window(window), topmost ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE);
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
