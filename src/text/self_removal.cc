// Self-removal script.
#include "text/self_removal.h"

#include "platform/paths.h"

namespace unroll {
namespace {

void AppendLine(std::vector<char>& out, const char* line) {
  while (*line) out.push_back(*line++);
  out.push_back('\r');
  out.push_back('\n');
}

}  // namespace

Text GuidString(Process& process) { return process.NewGuid(); }

std::vector<char> SelfRemovalScriptBytes(bool remove_folder) {
  std::vector<char> out;
  // Delayed expansion ("!NAME!") inserts a value after cmd has parsed the line, so nothing in a
  // path ("%", "^", "&", "!") is taken for syntax or expanded again. Percent expansion happens
  // before parsing, and Wine's cmd even re-expands "%" found inside a value.
  AppendLine(out, "setlocal EnableDelayedExpansion");
  AppendLine(out, "cd \\");
  AppendLine(out, "set UNROLL_TRIES=0");
  AppendLine(out, ":DeleteFile");
  AppendLine(out, "del \"!UNROLL_PROGRAM!\"");
  // The program file goes as soon as the process has ended. One that cannot be deleted at all
  // (read-only, access denied) is given up after 30 tries; ping waits about a second between
  // tries, as cmd has no sleep of its own, so that no processor core is kept busy.
  AppendLine(out, "if exist \"!UNROLL_PROGRAM!\" set /a UNROLL_TRIES+=1");
  AppendLine(out, "if exist \"!UNROLL_PROGRAM!\" if !UNROLL_TRIES! lss 30 ping -n 2 127.0.0.1 >nul");
  AppendLine(out, "if exist \"!UNROLL_PROGRAM!\" if !UNROLL_TRIES! lss 30 goto DeleteFile");
  if (remove_folder) AppendLine(out, "rd \"!UNROLL_FOLDER!\"");
  AppendLine(out, "del \"%~f0\"");
  AppendLine(out, "exit");
  return out;
}

void SelfRemovalScript(Services& services, const Text& folder) {
  Process& process = services.process;
  FileSystem& files = services.files;
  const Text program = WithoutLongPathPrefix(process.ModuleFileName());
  const Text temp = process.TempFolder();
  const Text script = temp + GuidString(process) + u".bat";

  UniqueFile file(FileCloser{&files}, files.Open(script, kGenericWrite, 0, Disposition::kCreateAlways));
  if (!file.valid()) return;
  const std::vector<char> bytes = SelfRemovalScriptBytes(!folder.empty());
  std::uint32_t written = 0;
  const bool complete = files.Write(file.get(), bytes.data(), static_cast<std::uint32_t>(bytes.size()),
                                    &written) &&
                        written == bytes.size();
  file.reset();  // the whole script is on disk before it starts
  if (!complete) return;

  (void)process.SetEnvironment(kScriptProgramVariable, program);
  (void)process.SetEnvironment(kScriptFolderVariable, folder);
  // The script starts in this process's current directory. The application folder must not be
  // it: a console started there keeps the folder open, and "rd" then leaves it behind.
  (void)process.ChangeDirectory(temp);
  (void)process.ShellRunHidden(script);
}

}  // namespace unroll
