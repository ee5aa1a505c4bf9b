// e2e_mark: stands in for the follow-up program an uninstaller starts. Writes its command line,
// exactly as it got it (UTF-8), to its own path + ".txt" and ends. A GUI program, so that being
// started from the uninstaller opens no console.
#include <windows.h>

#include <string>
#include <vector>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  std::vector<wchar_t> path(32768);
  const DWORD length = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
  if (length == 0 || length >= path.size()) return 1;
  const std::wstring target = std::wstring(path.data(), length) + L".txt";
  const std::wstring partial = target + L".part";

  const wchar_t* line = ::GetCommandLineW();
  const int size = ::WideCharToMultiByte(CP_UTF8, 0, line, -1, nullptr, 0, nullptr, nullptr);
  std::string text(static_cast<std::size_t>(size), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, line, -1, &text[0], size, nullptr, nullptr);
  text.pop_back();  // the terminating zero

  // Written under another name and then renamed, so that a reader never sees half of it.
  HANDLE file = ::CreateFileW(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 1;
  DWORD written = 0;
  const BOOL ok = ::WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  ::CloseHandle(file);
  if (!ok || !::MoveFileExW(partial.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) return 1;
  return 0;
}
