// The contract sandbox on the real file system: a fresh folder in the temporary folder, removed
// with everything in it afterwards.
#include <string>

#include "platform/win32/win32.h"
#include "sandbox.h"

namespace unroll {
namespace {

void RemoveTree(const std::wstring& folder) {
  WIN32_FIND_DATAW found;
  HANDLE find = ::FindFirstFileW((folder + L"*").c_str(), &found);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = found.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring path = folder + name;
      ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(path + L"\\");
      } else {
        ::DeleteFileW(path.c_str());
      }
    } while (::FindNextFileW(find, &found));
    ::FindClose(find);
  }
  ::RemoveDirectoryW(folder.c_str());
}

class Win32Sandbox final : public Sandbox {
 public:
  Win32Sandbox() {
    wchar_t temp[MAX_PATH + 1];
    const DWORD size = ::GetTempPathW(MAX_PATH + 1, temp);
    static unsigned counter = 0;
    root_ = std::wstring(temp, size) + L"UnrollContract-" +
            std::to_wstring(::GetCurrentProcessId()) + L"-" + std::to_wstring(++counter) + L"\\";
    ::CreateDirectoryW(root_.c_str(), nullptr);
    ::GetCurrentDirectoryW(MAX_PATH + 1, temp);
    start_directory_ = temp;
  }
  ~Win32Sandbox() override {
    ::SetCurrentDirectoryW(start_directory_.c_str());
    RemoveTree(root_);
  }
  FileSystem& files() override { return files_; }
  Text root() const override { return FromWide(root_.c_str(), root_.size()); }
  bool MakeFolder(const Text& path) override { return ::CreateDirectoryW(Wide(path), nullptr) != FALSE; }
  bool MakeFile(const Text& path, std::uint32_t attributes) override {
    HANDLE file = ::CreateFileW(Wide(path), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    ::WriteFile(file, "data", 4, &written, nullptr);
    ::CloseHandle(file);
    return ::SetFileAttributesW(Wide(path), attributes) != FALSE;
  }
  bool Exists(const Text& path) override {
    return ::GetFileAttributesW(Wide(path)) != INVALID_FILE_ATTRIBUTES;
  }
  bool ChangeDirectory(const Text& path) override { return ::SetCurrentDirectoryW(Wide(path)) != FALSE; }
  const char* KnownDivergence(const char*) const override { return ""; }

 private:
  Win32FileSystem files_;
  std::wstring root_;
  std::wstring start_directory_;
};

}  // namespace

std::unique_ptr<Sandbox> MakeSandbox() { return std::make_unique<Win32Sandbox>(); }

}  // namespace unroll
