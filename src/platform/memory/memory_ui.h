// In-memory user interface: message boxes answered by the test, scripted window events, and a
// journal of the progress window's operations.
#pragma once

#include <deque>
#include <functional>

#include "platform/memory/journal.h"
#include "platform/services.h"

namespace unroll {

struct ShownBox {
  NativeHandle owner;
  Text title;
  Text text;
  unsigned type;
};

// A top-level window as the message-box code sees it.
struct FakeWindow {
  NativeHandle handle;
  std::uint32_t thread;
  std::uint32_t process;
  bool visible = true;
  bool enabled = true;
  bool topmost = false;
};

// Thrown by WaitEvent when the script has no more events and no idle action is set.
struct NoMoreEvents {};

class MemoryUi final : public Ui {
 public:
  explicit MemoryUi(Journal* journal = nullptr) : journal_(journal) {}

  int ShowBox(NativeHandle owner, const Text& title, const Text& text, unsigned type) override;
  std::vector<NativeHandle> TopLevelWindows() override;
  std::uint32_t WindowThread(NativeHandle window, std::uint32_t* process) override;
  std::uint32_t CurrentThread() override { return current_thread; }
  std::uint32_t CurrentProcess() override { return current_process; }
  NativeHandle ForegroundWindow() override { return foreground; }
  bool IsVisible(NativeHandle window) override { return Find(window).visible; }
  bool IsEnabled(NativeHandle window) override { return Find(window).enabled; }
  void Enable(NativeHandle window, bool enable) override { Find(window).enabled = enable; }
  bool IsTopmost(NativeHandle window) override { return Find(window).topmost; }
  void SetTopmost(NativeHandle window, bool topmost) override { Find(window).topmost = topmost; }
  UiEvent WaitEvent() override;
  void LoadWindowResources() override;
  void BuildProgressWindow(const ProgressWindowTexts& texts, std::int32_t step_total) override;
  void SetProgressMaximum(std::int32_t step_total) override;
  void SetProgressPosition(std::int32_t position, bool final) override;
  void HideProgressWindow() override;

  // Answers each box; by default OK for OK boxes, Yes for Yes/No boxes.
  std::function<int(const ShownBox&)> answer;
  // Events handed out by WaitEvent, in order; when they run out, `idle` runs (for instance the
  // worker thread), and after it WaitEvent gives up with NoMoreEvents.
  std::deque<UiEvent> events;
  std::function<void()> idle;
  std::vector<ShownBox> boxes;
  ProgressWindowTexts window_texts;
  // The windows, the calling thread and the foreground window; a box answered by `answer` can
  // look at them while it is "open".
  std::vector<FakeWindow> windows;
  std::uint32_t current_thread = 1;
  std::uint32_t current_process = 100;
  NativeHandle foreground = 0;
  FakeWindow& Find(NativeHandle window);

 private:
  Journal* journal_;
};

}  // namespace unroll
