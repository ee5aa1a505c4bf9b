// Message boxes, the windows they take into account, and the event wait.
#include "ui/win32_ui.h"

namespace unroll {
namespace {

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

}  // namespace unroll
