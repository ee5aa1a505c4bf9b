// The state of one uninstall run, the main sequence, the worker and the end of the program.
#pragma once

#include <atomic>
#include <cstdint>

#include "engine/uninstall_log.h"
#include "platform/services.h"
#include "registry/registry_operations.h"
#include "text/text_table.h"

namespace unroll {

// Process-wide state. The main thread writes `texts` and `header` before it starts the worker;
// afterwards both threads only read them. `step_counter`, `log` and `registry` belong to the worker from then on.
struct Uninstaller {
  explicit Uninstaller(Services& s) : services(s), log(s.files), registry(s.registry) {}

  Services& services;
  TextTable texts;
  LogHeader header;
  std::int32_t step_counter = 0;
  UninstallLog log;
  RegistryOperations registry;  // holds RegLastError, which nobody shows
  std::atomic<bool> ending{false};
};

// The entry point's body: confirmation, progress window, worker start and the event loop.
[[noreturn]] void MainSequence(Uninstaller& u);

// The worker thread: replays the log, removes the data files, reports success, starts the
// follow-up program and the self-removal script, and ends the program.
[[noreturn]] void UninstallWorker(Uninstaller& u);

// Replays the records of a log that has just been opened at byte 0 (the header is read as a
// structure and never taken for records).
void ReplayLog(Uninstaller& u);

// Ends the process with exit code 0; callable from both threads at once. The first caller ends
// the process; a later one parks until it is gone. Nothing is released first: the other thread
// may still be using the log, the window or the fonts, and the system reclaims every handle,
// GDI object and window at process end.
[[noreturn]] void EndProgram(Uninstaller& u);

// Starts the follow-up program: CreateProcessW with the text (quoted unless it already starts
// with a quote), else ShellExecuteExW on the unquoted text. False when both fail.
bool LaunchFollowUpProgram(Process& process, const Text& command);

// The folder of the program file, with its trailing separator; a "\\?\" prefix is dropped.
Text ProgramFolder(const Text& program_path);

}  // namespace unroll
