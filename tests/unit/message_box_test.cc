// ShowMessageBox: which windows it disables and un-tops while the box is open, what it restores,
// and which owner the box gets.
#include <gtest/gtest.h>

#include "platform/memory/memory_ui.h"
#include "text/text_table.h"

namespace unroll {
namespace {

TEST(ShowMessageBox, BookkeepingOfTheCallingThreadsWindowsOnly) {
  MemoryUi ui;
  ui.current_thread = 1;
  ui.current_process = 100;
  ui.windows = {
      {10, 1, 100, true, true, false},   // the calling thread's foreground window: stays enabled
      {11, 1, 100, true, true, true},    // topmost, enabled: disabled and un-topped
      {12, 1, 100, true, false, false},  // already disabled: left disabled afterwards
      {13, 1, 100, false, true, true},   // hidden: untouched
      {20, 2, 100, true, true, true},    // the other thread's window: untouched
      {30, 7, 200, true, true, true},    // another process's window: untouched
  };
  ui.foreground = 10;
  std::vector<FakeWindow> during;
  ui.answer = [&](const ShownBox&) {
    during = ui.windows;
    return int{kIdCancel};
  };
  EXPECT_EQ(ShowMessageBox(ui, u"T", u"X", kBoxIconQuestion | kBoxOkCancel), kIdCancel);

  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_EQ(ui.boxes[0].owner, 10u);  // the foreground window is this process's
  EXPECT_EQ(ui.boxes[0].type, 0x21u);
  auto state = [](const std::vector<FakeWindow>& ws, NativeHandle h) {
    for (const FakeWindow& w : ws) {
      if (w.handle == h) return std::make_pair(w.enabled, w.topmost);
    }
    return std::make_pair(false, false);
  };
  EXPECT_EQ(state(during, 10), std::make_pair(true, false));
  EXPECT_EQ(state(during, 11), std::make_pair(false, false));
  EXPECT_EQ(state(during, 12), std::make_pair(false, false));
  EXPECT_EQ(state(during, 13), std::make_pair(true, true));
  EXPECT_EQ(state(during, 20), std::make_pair(true, true));
  EXPECT_EQ(state(during, 30), std::make_pair(true, true));
  // Afterwards everything is as before.
  EXPECT_EQ(state(ui.windows, 11), std::make_pair(true, true));
  EXPECT_EQ(state(ui.windows, 12), std::make_pair(false, false));
}

TEST(ShowMessageBox, OwnerOnlyWhenTheForegroundWindowIsOurs) {
  MemoryUi ui;
  ui.windows = {{10, 1, 100, true, true, false}, {30, 7, 200, true, true, false}};
  ui.foreground = 30;  // the user switched to another application
  (void)ShowMessageBox(ui, u"T", u"X");
  ui.foreground = 0;
  (void)ShowMessageBox(ui, u"T", u"X");
  ui.current_thread = 2;  // the worker: the window is the main thread's, and it is in front
  ui.foreground = 10;
  (void)ShowMessageBox(ui, u"T", u"X");
  ASSERT_EQ(ui.boxes.size(), 3u);
  EXPECT_EQ(ui.boxes[0].owner, 0u);
  EXPECT_EQ(ui.boxes[1].owner, 0u);
  EXPECT_EQ(ui.boxes[2].owner, 10u);
  EXPECT_TRUE(ui.windows[0].enabled);  // the worker's box disables none of the main thread's windows
}

}  // namespace
}  // namespace unroll
