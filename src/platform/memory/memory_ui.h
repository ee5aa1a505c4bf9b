// In-memory user interface: message boxes answered by the test, scripted window events, and a
// journal of the progress window's operations.
#pragma once

#include <deque>
#include <functional>

#include "platform/memory/journal.h"
#include "platform/services.h"

namespace unroll {

struct ShownBox {
  Text title;
  Text text;
  unsigned type;
};

// Thrown by WaitEvent when the script has no more events and no idle action is set.
struct NoMoreEvents {};

class MemoryUi final : public Ui {
 public:
  explicit MemoryUi(Journal* journal = nullptr) : journal_(journal) {}

  int ShowBox(const Text& title, const Text& text, unsigned type) override;
  UiEvent WaitEvent() override;
  void BuildProgressWindow(const Text& title, std::int32_t step_total) override;
  void SetProgressMaximum(std::int32_t step_total) override;
  void SetProgressPosition(std::int32_t position) override;
  void HideProgressWindow() override;

  // Answers each box; by default OK for OK boxes, Yes for Yes/No boxes.
  std::function<int(const ShownBox&)> answer;
  // Events handed out by WaitEvent, in order; when they run out, `idle` runs (for instance the
  // worker thread), and after it WaitEvent gives up with NoMoreEvents.
  std::deque<UiEvent> events;
  std::function<void()> idle;
  std::vector<ShownBox> boxes;

 private:
  Journal* journal_;
};

}  // namespace unroll
