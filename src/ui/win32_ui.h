// Message boxes, the progress window and the event wait through the Win32 user interface.
#pragma once

#include "platform/win32/win32.h"
#include "ui/layout.h"
#include "ui/pictures.h"

namespace unroll {

// Resource identifiers of the embedded pictures and the icon group.
inline constexpr int kIconGroupResource = 1;
inline constexpr int kEmblemResource = 101;  // HeaderIconImage, 8-bit BMP
inline constexpr int kRuleResource = 102;    // RuleImage, JPEG

// Requests that the progress window's procedure hands to the event wait. WM_CLOSE and WM_COMMAND
// reach the procedure both posted and sent (the system menu, Alt+F4), so the procedure turns each
// into a posted message that the wait takes from the queue.
inline constexpr UINT kCloseRequestMessage = WM_APP + 1;
inline constexpr UINT kControlClickMessage = WM_APP + 2;

// A 24-bit top-down DIB section holding the pixels; null for an empty image.
HBITMAP BitmapFromRgb(const RgbImage& image);
// A new bitmap of the given size drawn from `source` with halftone stretching (brush origin 0, 0).
HBITMAP StretchHalftone(HBITMAP source, int source_width, int source_height, int width, int height);

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
  void LoadWindowResources() override;
  void BuildProgressWindow(const ProgressWindowTexts& texts, std::int32_t step_total) override;
  void SetProgressMaximum(std::int32_t step_total) override;
  void SetProgressPosition(std::int32_t position, bool final) override;
  void HideProgressWindow() override;

 private:
  // Starts the throttle anew for the bar's range 0 to `step_total` and its width in pixels.
  void ResetThrottle(std::int32_t step_total);

  // The toolkit's slots: window 0, controls 0 to 8 (each slot number is also the control's
  // identifier), images 7 and 8, fonts 1 and 7.
  HWND window_ = nullptr;
  HWND controls_[9] = {};
  HBITMAP images_[9] = {};
  HFONT fonts_[8] = {};
  ProgressThrottle throttle_;  // used by the worker only
};

}  // namespace unroll
