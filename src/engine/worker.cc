// The uninstall worker: replay of the log and completion of the run.
#include "engine/file_removal.h"
#include "engine/uninstaller.h"
#include "text/self_removal.h"

namespace unroll {
namespace {

void CountStep(Uninstaller& u) {
  // Wraps instead of overflowing; no real log comes near 2^31 records.
  u.step_counter = static_cast<std::int32_t>(static_cast<std::uint32_t>(u.step_counter) + 1u);
  u.services.ui.SetProgressPosition(u.step_counter, false);
}

}  // namespace

void ReplayLog(Uninstaller& u) {
  UninstallLog& log = u.log;
  FileSystem& files = u.services.files;

  // The header is skipped as the structure it is, so that no header string and no byte of
  // StepTotal is ever taken for a record.
  LogHeader skipped;
  (void)log.ReadNumber();
  ReadHeaderFields(log, skipped);

  Text tag, first, second, third;
  while (!log.AtEnd()) {
    log.ReadLine(tag);
    if (tag == u"#DF") {
      log.ReadLine(first);
      (void)RemoveFile(files, first);
      CountStep(u);
    } else if (tag == u"#DRV") {
      log.ReadLine(first);
      log.ReadLine(second);
      log.ReadLine(third);
      // A root name outside the table skips the whole record: acting on another record's root
      // could remove what the log never meant.
      if (const std::uint32_t root = LookupRootKey(first)) {
        (void)u.registry.RegDeleteValueChecked(root, second, third);
        PruneEmptyParentKeys(u.registry, root, second);
      }
    } else if (tag == u"#DRK") {
      log.ReadLine(first);
      log.ReadLine(second);
      if (const std::uint32_t root = LookupRootKey(first)) {
        (void)u.registry.RegDeleteKeyChecked(root, second);
        PruneEmptyParentKeys(u.registry, root, second);
      }
    } else if (tag == u"#DD") {
      log.ReadLine(first);
      (void)RemoveFolder(files, first);
      CountStep(u);
    }
    // Any other line is no record and is skipped.
  }
}

void UninstallWorker(Uninstaller& u) {
  Services& s = u.services;
  s.ui.SetProgressMaximum(u.header.step_total);
  if (!u.log.Open()) {
    (void)ShowMessageBox(s.ui, u.texts.exit_uninstall_t, u.texts.exit_uninstall, kBoxIconError);
    EndProgram(u);
  }
  ReplayLog(u);
  u.log.Close();

  (void)RemoveFile(s.files, kLogFileName);
  (void)RemoveFile(s.files, kLanguageFileName);
  s.ui.SetProgressPosition(u.header.step_total, true);
  (void)ShowMessageBox(s.ui, u.texts.success_t, u.texts.success, kBoxOk);
  s.ui.HideProgressWindow();
  if (!u.header.follow_up_program.empty()) {
    (void)LaunchFollowUpProgram(s.process, u.header.follow_up_program);
  }
  SelfRemovalScript(s, u.header.install_folder);
  EndProgram(u);
}

bool LaunchFollowUpProgram(Process& process, const Text& command) {
  const Text command_line = (!command.empty() && command.front() == u'"')
                                ? command
                                : u"\"" + command + u"\"";
  if (process.StartProcess(command_line)) return true;
  // The working folder is the command up to its last backslash, unless that is its first
  // character.
  const auto cut = command.rfind(u'\\');
  const Text directory = (cut == Text::npos || cut == 0) ? Text{} : command.substr(0, cut + 1);
  return process.ShellOpen(command, directory);
}

}  // namespace unroll
