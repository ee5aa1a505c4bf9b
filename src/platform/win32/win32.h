// The one place that includes <windows.h>, and the Win32 implementations of the services.
#pragma once

#ifndef UNICODE
#define UNICODE
#endif
#ifndef _UNICODE
#define _UNICODE
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// Order matters: these need <windows.h> first.
#include <commctrl.h>
#include <objbase.h>
#include <shellapi.h>

#include "platform/services.h"

namespace unroll {

// wchar_t is 16 bits on Windows, so a Text is a wide string as it stands.
inline const wchar_t* Wide(const Text& text) { return reinterpret_cast<const wchar_t*>(text.c_str()); }
inline Text FromWide(const wchar_t* text, std::size_t size) {
  return Text(reinterpret_cast<const char16_t*>(text), size);
}
inline HANDLE ToHandle(NativeHandle h) { return reinterpret_cast<HANDLE>(h); }
inline NativeHandle FromHandle(HANDLE h) { return reinterpret_cast<NativeHandle>(h); }

class Win32FileSystem final : public FileSystem {
 public:
  NativeHandle Open(const Text& path, std::uint32_t access, std::uint32_t share,
                    Disposition disposition) override;
  bool Read(NativeHandle file, void* buffer, std::uint32_t size, std::uint32_t* read) override;
  bool Write(NativeHandle file, const void* data, std::uint32_t size,
             std::uint32_t* written) override;
  std::uint32_t Size(NativeHandle file) override;
  void Close(NativeHandle file) override;
  bool Delete(const Text& path) override;
  NativeHandle FindFirst(const Text& pattern, FindData* data) override;
  bool FindNext(NativeHandle find, FindData* data) override;
  void FindClose(NativeHandle find) override;
  bool RemoveDir(const Text& path) override;
};

class Win32Process final : public Process {
 public:
  Text ModuleFileName() override;
  bool ChangeDirectory(const Text& path) override;
  bool StartThread(void (*procedure)(void*), void* argument) override;
  [[noreturn]] void Exit(unsigned code) override;
  [[noreturn]] void SleepForever() override;
  bool StartProcess(const Text& command_line) override;
  bool ShellOpen(const Text& file, const Text& directory) override;
  bool ShellRunHidden(const Text& file) override;
  Text TempFolder() override;
  Text NewGuid() override;
  bool SetEnvironment(const Text& name, const Text& value) override;
};

class Win32Registry final : public Registry {
 public:
  long OpenKey(std::uint32_t root, const Text& subkey, std::uint32_t access,
               NativeHandle* key) override;
  long EnumKey(NativeHandle key, std::uint32_t index, char16_t* name,
               std::uint32_t* name_size) override;
  long EnumValue(NativeHandle key, std::uint32_t index, char16_t* name,
                 std::uint32_t* name_size) override;
  long DeleteKey(std::uint32_t root, const Text& subkey) override;
  long DeleteValue(NativeHandle key, const Text& name) override;
  long CloseKey(NativeHandle key) override;
};

// Restricts DLL loading to the system folder where Windows offers SetDefaultDllDirectories
// (looked up at run time: Vista and XP lack it), so that a DLL planted beside the elevated
// uninstaller is never loaded.
void LimitDllSearchToSystemFolder();

}  // namespace unroll
