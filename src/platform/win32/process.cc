// Process, threads and program start through the Win32 API.
#include <memory>
#include <vector>

#include "platform/win32/win32.h"

namespace unroll {
namespace {

struct ThreadStart {
  void (*procedure)(void*);
  void* argument;
};

DWORD WINAPI ThreadEntry(LPVOID parameter) {
  const ThreadStart start = *static_cast<ThreadStart*>(parameter);
  delete static_cast<ThreadStart*>(parameter);
  start.procedure(start.argument);
  return 0;
}

}  // namespace

Text Win32Process::ModuleFileName() {
  // GetModuleFileNameW cuts the name at the buffer size without saying so other than by filling
  // the buffer; grow until the whole name fits (32,767 is the longest path Windows has).
  std::vector<wchar_t> buffer(MAX_PATH + 1);
  for (;;) {
    const DWORD size = static_cast<DWORD>(buffer.size());
    const DWORD got = ::GetModuleFileNameW(nullptr, buffer.data(), size);
    if (got == 0) return Text{};
    if (got < size || size >= 32768) return FromWide(buffer.data(), got);
    buffer.resize(buffer.size() * 2);
  }
}

bool Win32Process::ChangeDirectory(const Text& path) {
  return ::SetCurrentDirectoryW(Wide(path)) != FALSE;
}

bool Win32Process::StartThread(void (*procedure)(void*), void* argument) {
  auto start = std::make_unique<ThreadStart>(ThreadStart{procedure, argument});
  HANDLE thread = ::CreateThread(nullptr, 0, &ThreadEntry, start.get(), 0, nullptr);
  if (thread == nullptr) return false;
  (void)start.release();  // the thread owns it now
  ::CloseHandle(thread);
  return true;
}

void Win32Process::Exit(unsigned code) { ::ExitProcess(code); }

void Win32Process::SleepForever() {
  for (;;) ::Sleep(INFINITE);
}

bool Win32Process::StartProcess(const Text& command_line) {
  // CreateProcessW may write into its command line, so it gets a copy.
  std::vector<wchar_t> line(command_line.begin(), command_line.end());
  line.push_back(L'\0');
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOWNORMAL;
  PROCESS_INFORMATION started = {};
  if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, NORMAL_PRIORITY_CLASS,
                        nullptr, nullptr, &startup, &started)) {
    return false;
  }
  ::CloseHandle(started.hThread);
  ::CloseHandle(started.hProcess);
  return true;
}

bool Win32Process::ShellOpen(const Text& file, const Text& directory) {
  SHELLEXECUTEINFOW info = {};
  info.cbSize = sizeof info;
  info.fMask = SEE_MASK_NOCLOSEPROCESS;
  info.lpFile = Wide(file);
  info.lpDirectory = directory.empty() ? nullptr : Wide(directory);
  info.nShow = SW_SHOWNORMAL;
  if (!::ShellExecuteExW(&info)) return false;
  if (info.hProcess != nullptr) ::CloseHandle(info.hProcess);
  return true;
}

bool Win32Process::ShellRunHidden(const Text& file) {
  // ShellExecuteW reports success with a value above 32.
  const auto result = reinterpret_cast<INT_PTR>(
      ::ShellExecuteW(nullptr, L"open", Wide(file), nullptr, nullptr, SW_HIDE));
  return result > 32;
}

Text Win32Process::TempFolder() {
  // Both calls report the size they need when the buffer is too small, so nothing is ever cut.
  std::vector<wchar_t> temp(MAX_PATH + 1);
  DWORD size = ::GetTempPathW(static_cast<DWORD>(temp.size()), temp.data());
  if (size >= temp.size()) {
    temp.resize(size + 1);
    size = ::GetTempPathW(static_cast<DWORD>(temp.size()), temp.data());
  }
  if (size == 0 || size >= temp.size()) return Text{};

  using GetLongPathNameFn = DWORD(WINAPI*)(LPCWSTR, LPWSTR, DWORD);
  HMODULE kernel32 = ::GetModuleHandleW(L"kernel32.dll");
  auto get_long_path = kernel32 == nullptr ? nullptr
                                           : reinterpret_cast<GetLongPathNameFn>(reinterpret_cast<void*>(
                                                 ::GetProcAddress(kernel32, "GetLongPathNameW")));
  if (get_long_path == nullptr) return FromWide(temp.data(), size);
  std::vector<wchar_t> long_form(MAX_PATH + 1);
  DWORD long_size = get_long_path(temp.data(), long_form.data(), static_cast<DWORD>(long_form.size()));
  if (long_size >= long_form.size()) {
    long_form.resize(long_size + 1);
    long_size = get_long_path(temp.data(), long_form.data(), static_cast<DWORD>(long_form.size()));
  }
  if (long_size == 0 || long_size >= long_form.size()) return Text{};
  return FromWide(long_form.data(), long_size);
}

Text Win32Process::NewGuid() {
  GUID guid;
  if (FAILED(::CoCreateGuid(&guid))) return Text{};
  wchar_t text[40];
  const int size = ::StringFromGUID2(guid, text, 40);
  return size > 1 ? FromWide(text, static_cast<std::size_t>(size - 1)) : Text{};
}

bool Win32Process::SetEnvironment(const Text& name, const Text& value) {
  return ::SetEnvironmentVariableW(Wide(name), Wide(value)) != FALSE;
}

void LimitDllSearchToSystemFolder() {
  using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
  HMODULE kernel32 = ::GetModuleHandleW(L"kernel32.dll");
  if (kernel32 == nullptr) return;
  auto set_directories = reinterpret_cast<SetDefaultDllDirectoriesFn>(
      reinterpret_cast<void*>(::GetProcAddress(kernel32, "SetDefaultDllDirectories")));
  if (set_directories != nullptr) (void)set_directories(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

}  // namespace unroll
