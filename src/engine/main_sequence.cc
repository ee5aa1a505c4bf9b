// Start-up, confirmation and the event loop of the main thread; the end of the program.
#include "engine/uninstaller.h"
#include "platform/paths.h"

namespace unroll {
namespace {

constexpr char16_t kFixedErrorTitle[] = u"Error";
constexpr char16_t kFixedErrorText[] = u"Uninstall error!";
constexpr char16_t kWindowTitlePrefix[] = u"Uninstall ";

void WorkerThread(void* argument) { UninstallWorker(*static_cast<Uninstaller*>(argument)); }

[[noreturn]] void FailStart(Uninstaller& u) {
  (void)ShowMessageBox(u.services.ui, kFixedErrorTitle, kFixedErrorText, kBoxIconError);
  EndProgram(u);
}

bool IsExitRequest(const UiEvent& event) {
  return (event.kind == UiEvent::kControlClick && event.control == kCancelButton) ||
         (event.kind == UiEvent::kCloseRequest && event.window == kProgressWindow);
}

}  // namespace

Text ProgramFolder(const Text& program_path) {
  const Text path = WithoutLongPathPrefix(program_path);
  const auto cut = path.find_last_of(u"\\/");
  return cut == Text::npos ? Text{} : path.substr(0, cut + 1);
}

void MainSequence(Uninstaller& u) {
  Services& s = u.services;
  // A failure leaves the start-up directory in place; the data files are then looked for there.
  (void)s.process.ChangeDirectory(ProgramFolder(s.process.ModuleFileName()));
  s.ui.LoadWindowResources();

  if (!LoadTextTable(s.files, u.texts)) FailStart(u);
  if (!ReadLogHeader(u.log, u.header)) FailStart(u);
  ApplyAppName(u.texts, u.header.app_name);

  // Only an explicit No stops here; a box that could not be shown (0) goes on.
  if (ShowMessageBox(s.ui, u.texts.bm_t, u.texts.bm, kBoxIconQuestion | kBoxYesNo) == kIdNo) {
    EndProgram(u);
  }

  const TextTable& t = u.texts;
  s.ui.BuildProgressWindow({kWindowTitlePrefix + u.header.app_name, t.header, t.header_b,
                            t.uninstalling + u" " + u.header.app_name, t.btn_cancel},
                           u.header.step_total);
  // Not checked: without a worker the window stays until an exit request is confirmed.
  (void)s.process.StartThread(&WorkerThread, &u);

  for (;;) {
    const UiEvent event = s.ui.WaitEvent();
    if (IsExitRequest(event) &&
        ShowMessageBox(s.ui, u.texts.exit_uninstall_t, u.texts.exit_uninstall,
                       kBoxIconQuestion | kBoxOkCancel) == kIdOk) {
      EndProgram(u);
    }
  }
}

void EndProgram(Uninstaller& u) {
  // The loops only tell the compiler what the services promise: neither call returns.
  if (u.ending.exchange(true)) {
    for (;;) u.services.process.SleepForever();
  }
  for (;;) u.services.process.Exit(0);
}

}  // namespace unroll
