// In-memory process services.
#include "platform/memory/memory_process.h"

#include <cstdio>

namespace unroll {

bool MemoryProcess::StartThread(void (*procedure)(void*), void* argument) {
  if (journal_) journal_->Add("CreateThread");
  if (!thread_start_succeeds) return false;
  started_thread_ = [procedure, argument] { procedure(argument); };
  return true;
}

void MemoryProcess::Exit(unsigned code) {
  if (journal_) journal_->Add("ExitProcess " + std::to_string(code));
  throw ProcessExited{code};
}

void MemoryProcess::SleepForever() { throw ThreadParked{}; }

bool MemoryProcess::StartProcess(const Text& command_line) {
  if (journal_) {
    journal_->Add("CreateProcess " + Narrow(command_line) + (start_process_succeeds ? "" : " failed"));
  }
  return start_process_succeeds;
}

bool MemoryProcess::ShellOpen(const Text& file, const Text& directory) {
  if (journal_) {
    journal_->Add("ShellExecuteEx " + Narrow(file) + " in [" + Narrow(directory) + "]" +
                  (shell_open_succeeds ? "" : " failed"));
  }
  return shell_open_succeeds;
}

bool MemoryProcess::ShellRunHidden(const Text& file) {
  if (journal_) journal_->Add("ShellExecute hidden " + Narrow(file) + " in " + Narrow(files_.CurrentDirectory()));
  return shell_open_succeeds;
}

Text MemoryProcess::NewGuid() {
  if (!guid_succeeds) return Text{};
  const unsigned n = ++guids_made_;
  char text[40];
  std::snprintf(text, sizeof text, "{%08X-0000-4000-8000-%012X}", n, n * 7u);
  return DecodeUtf8(text);
}

bool MemoryProcess::SetEnvironment(const Text& name, const Text& value) {
  if (journal_) journal_->Add("SetEnvironmentVariable " + Narrow(name) + "=" + Narrow(value));
  environment.emplace_back(name, value);
  return true;
}

bool MemoryProcess::RunStartedThread() {
  if (!started_thread_) return false;
  auto thread = std::move(started_thread_);
  started_thread_ = nullptr;
  thread();
  return true;
}

}  // namespace unroll
