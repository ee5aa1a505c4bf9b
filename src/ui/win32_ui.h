// Message boxes, the progress window and the event wait through the Win32 user interface.
#pragma once

#include "platform/win32/win32.h"

namespace unroll {

class Win32Ui final : public Ui {
 public:
  int ShowBox(NativeHandle owner, const Text& title, const Text& text, unsigned type) override;
  std::vector<NativeHandle> TopLevelWindows() override;
  std::uint32_t WindowThread(NativeHandle window, std::uint32_t* process) override;
  std::uint32_t CurrentThread() override;
  std::uint32_t CurrentProcess() override;
  NativeHandle ForegroundWindow() override;
  bool IsVisible(NativeHandle window) override;
  bool IsEnabled(NativeHandle window) override;
  void Enable(NativeHandle window, bool enable) override;
  bool IsTopmost(NativeHandle window) override;
  void SetTopmost(NativeHandle window, bool topmost) override;
  UiEvent WaitEvent() override;
  void BuildProgressWindow(const Text& title, std::int32_t step_total) override;
  void SetProgressMaximum(std::int32_t step_total) override;
  void SetProgressPosition(std::int32_t position) override;
  void HideProgressWindow() override;

 private:
  HWND window_ = nullptr;
};

}  // namespace unroll
