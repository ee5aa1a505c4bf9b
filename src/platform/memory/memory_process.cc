// In-memory process services.
#include "platform/memory/memory_process.h"

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

bool MemoryProcess::RunStartedThread() {
  if (!started_thread_) return false;
  auto thread = std::move(started_thread_);
  started_thread_ = nullptr;
  thread();
  return true;
}

}  // namespace unroll
