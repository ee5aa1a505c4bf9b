// In-memory process services: the current directory of a MemoryFileSystem, a thread that the test
// runs when it chooses, and process ends that unwind to the test as exceptions.
#pragma once

#include <functional>
#include <vector>

#include "platform/memory/journal.h"
#include "platform/memory/memory_file_system.h"
#include "platform/services.h"

namespace unroll {

// Thrown by Exit and SleepForever so that a test regains control where the real calls never
// return.
struct ProcessExited {
  unsigned code;
};
struct ThreadParked {};

class MemoryProcess final : public Process {
 public:
  MemoryProcess(MemoryFileSystem& files, Journal* journal = nullptr)
      : files_(files), journal_(journal) {}

  Text ModuleFileName() override { return module_file_name; }
  bool ChangeDirectory(const Text& path) override { return files_.SetCurrentDirectory(path); }
  bool StartThread(void (*procedure)(void*), void* argument) override;
  [[noreturn]] void Exit(unsigned code) override;
  [[noreturn]] void SleepForever() override;
  bool StartProcess(const Text& command_line) override;
  bool ShellOpen(const Text& file, const Text& directory) override;
  bool ShellRunHidden(const Text& file) override;
  Text TempFolder() override { return temp_folder; }
  Text NewGuid() override;
  bool SetEnvironment(const Text& name, const Text& value) override;

  // Runs the thread started last, once; false when there is none.
  bool RunStartedThread();

  Text module_file_name = u"C:\\App\\uninstall.exe";
  bool thread_start_succeeds = true;
  bool start_process_succeeds = true;
  bool shell_open_succeeds = true;
  Text temp_folder = u"C:\\Temp\\";
  bool guid_succeeds = true;
  std::vector<std::pair<Text, Text>> environment;

 private:
  MemoryFileSystem& files_;
  Journal* journal_;
  std::function<void()> started_thread_;
  unsigned guids_made_ = 0;
};

}  // namespace unroll
