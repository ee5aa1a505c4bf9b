// In-memory user interface.
#include "platform/memory/memory_ui.h"

#include <string>

namespace unroll {

int MemoryUi::ShowBox(NativeHandle owner, const Text& title, const Text& text, unsigned type) {
  boxes.push_back({owner, title, text, type});
  if (journal_) journal_->Add("MessageBox " + std::to_string(type) + " " + Narrow(title) + "|" + Narrow(text));
  if (answer) return answer(boxes.back());
  return (type & 0xF) == kBoxYesNo ? kIdYes : kIdOk;
}

std::vector<NativeHandle> MemoryUi::TopLevelWindows() {
  std::vector<NativeHandle> handles;
  for (const FakeWindow& w : windows) handles.push_back(w.handle);
  return handles;
}

std::uint32_t MemoryUi::WindowThread(NativeHandle window, std::uint32_t* process) {
  const FakeWindow& w = Find(window);
  *process = w.process;
  return w.thread;
}

FakeWindow& MemoryUi::Find(NativeHandle window) {
  for (FakeWindow& w : windows) {
    if (w.handle == window) return w;
  }
  static FakeWindow none{};  // a window that is gone: thread 0, invisible
  none = FakeWindow{window, 0, 0, false, false, false};
  return none;
}

UiEvent MemoryUi::WaitEvent() {
  if (events.empty() && idle) {
    auto run = std::move(idle);
    idle = nullptr;
    run();
  }
  if (events.empty()) throw NoMoreEvents{};
  UiEvent event = events.front();
  events.pop_front();
  return event;
}

void MemoryUi::LoadWindowResources() {
  if (journal_) journal_->Add("LoadWindowResources");
}

void MemoryUi::BuildProgressWindow(const ProgressWindowTexts& texts, std::int32_t step_total) {
  window_texts = texts;
  if (journal_) journal_->Add("BuildProgressWindow " + Narrow(texts.title) + " " + std::to_string(step_total));
}

void MemoryUi::SetProgressMaximum(std::int32_t step_total) {
  if (journal_) journal_->Add("SetProgressMaximum " + std::to_string(step_total));
}

void MemoryUi::SetProgressPosition(std::int32_t position, bool final) {
  if (journal_) journal_->Add("SetProgressPosition " + std::to_string(position) + (final ? " final" : ""));
}

void MemoryUi::HideProgressWindow() {
  if (journal_) journal_->Add("HideProgressWindow");
}

}  // namespace unroll
