// Message boxes, the progress window and the event wait through the Win32 user interface.
#pragma once

#include "platform/win32/win32.h"

namespace unroll {

class Win32Ui final : public Ui {
 public:
  int ShowBox(const Text& title, const Text& text, unsigned type) override;
  UiEvent WaitEvent() override;
  void BuildProgressWindow(const Text& title, std::int32_t step_total) override;
  void SetProgressMaximum(std::int32_t step_total) override;
  void SetProgressPosition(std::int32_t position) override;
  void HideProgressWindow() override;

 private:
  HWND window_ = nullptr;
};

}  // namespace unroll
