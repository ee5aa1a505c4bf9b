// The seam to Windows: the services the uninstaller uses, each a small interface whose methods
// are single Win32 primitives with Win32 results. src/platform/win32 and src/ui implement them for
// the real program; src/platform/memory holds in-memory replacements that behave the same way.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/text.h"
#include "platform/unique_resource.h"

namespace unroll {

using NativeHandle = std::uintptr_t;
inline constexpr NativeHandle kInvalidHandle = ~NativeHandle{0};  // INVALID_HANDLE_VALUE

// The Windows path limit MAX_PATH.
inline constexpr std::size_t kMaxPath = 260;

// File attribute bits, as FILE_ATTRIBUTE_*.
enum FileAttribute : std::uint32_t {
  kAttributeReadOnly = 0x1,
  kAttributeHidden = 0x2,
  kAttributeSystem = 0x4,
  kAttributeDirectory = 0x10,
  kAttributeNormal = 0x80,
};

// Access and share flags, as GENERIC_* and FILE_SHARE_*.
enum FileAccess : std::uint32_t { kGenericRead = 0x80000000u, kGenericWrite = 0x40000000u };
enum FileShare : std::uint32_t { kShareRead = 1, kShareWrite = 2, kShareDelete = 4 };
enum class Disposition { kOpenExisting, kCreateAlways };

struct FindData {
  std::uint32_t attributes = 0;
  Text name;
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;
  // CreateFileW; kInvalidHandle on failure.
  virtual NativeHandle Open(const Text& path, std::uint32_t access, std::uint32_t share,
                            Disposition disposition) = 0;
  // ReadFile; at the end of the file it succeeds with *read == 0.
  virtual bool Read(NativeHandle file, void* buffer, std::uint32_t size, std::uint32_t* read) = 0;
  // WriteFile.
  virtual bool Write(NativeHandle file, const void* data, std::uint32_t size,
                     std::uint32_t* written) = 0;
  // GetFileSize; 0xFFFFFFFF on failure.
  virtual std::uint32_t Size(NativeHandle file) = 0;
  virtual void Close(NativeHandle file) = 0;
  // DeleteFileW: refuses read-only files, folders, names with wildcards and files held open
  // without delete sharing.
  virtual bool Delete(const Text& path) = 0;
  // FindFirstFileW; kInvalidHandle when the listing cannot be opened. Listings of folders other
  // than a drive root deliver "." and "..".
  virtual NativeHandle FindFirst(const Text& pattern, FindData* data) = 0;
  // FindNextFileW; false when there are no more entries.
  virtual bool FindNext(NativeHandle find, FindData* data) = 0;
  virtual void FindClose(NativeHandle find) = 0;
  // RemoveDirectoryW: refuses folders that are not empty or are in use (a current directory).
  virtual bool RemoveDir(const Text& path) = 0;
};

struct FileCloser {
  using Handle = NativeHandle;
  static Handle Invalid() { return kInvalidHandle; }
  void Close(Handle h) const { files->Close(h); }
  FileSystem* files = nullptr;
};
struct FindCloser {
  using Handle = NativeHandle;
  static Handle Invalid() { return kInvalidHandle; }
  void Close(Handle h) const { files->FindClose(h); }
  FileSystem* files = nullptr;
};
using UniqueFile = UniqueResource<FileCloser>;
using UniqueFind = UniqueResource<FindCloser>;

class Process {
 public:
  virtual ~Process() = default;
  // GetModuleFileNameW of the main module, whole (never cut at a buffer size).
  virtual Text ModuleFileName() = 0;
  // SetCurrentDirectoryW.
  virtual bool ChangeDirectory(const Text& path) = 0;
  // CreateThread running procedure(argument); false when the thread cannot be started.
  virtual bool StartThread(void (*procedure)(void*), void* argument) = 0;
  // ExitProcess: ends every thread of the process.
  [[noreturn]] virtual void Exit(unsigned code) = 0;
  // Sleep(INFINITE): parks the calling thread until another thread ends the process.
  [[noreturn]] virtual void SleepForever() = 0;
  // CreateProcessW with no application name, this command line, no inherited handles,
  // NORMAL_PRIORITY_CLASS, the current environment and directory, SW_SHOWNORMAL; both returned
  // handles are closed at once.
  virtual bool StartProcess(const Text& command_line) = 0;
  // ShellExecuteExW with the default verb, SW_SHOWNORMAL and SEE_MASK_NOCLOSEPROCESS; the
  // returned process handle is closed at once. An empty directory passes none.
  virtual bool ShellOpen(const Text& file, const Text& directory) = 0;
  // ShellExecuteW(no owner, "open", file, no parameters, no directory, SW_HIDE).
  virtual bool ShellRunHidden(const Text& file) = 0;
  // GetTempPathW (ending in a backslash) in its long form (GetLongPathNameW, looked up at run
  // time and skipped where Windows lacks it); the empty text when the long form cannot be had.
  // Never cut at a buffer size.
  virtual Text TempFolder() = 0;
  // CoCreateGuid formatted by StringFromGUID2: "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}"; the
  // empty text when no GUID can be made.
  virtual Text NewGuid() = 0;
  // SetEnvironmentVariableW: programs started afterwards inherit it.
  virtual bool SetEnvironment(const Text& name, const Text& value) = 0;
};

// Message-box types and results, as MB_* and ID*.
enum BoxType : unsigned {
  kBoxOk = 0x0,
  kBoxOkCancel = 0x1,
  kBoxYesNo = 0x4,
  kBoxIconError = 0x10,
  kBoxIconQuestion = 0x20,
};
enum BoxResult : int { kIdOk = 1, kIdCancel = 2, kIdYes = 6, kIdNo = 7 };

// What the event loop can be told about the program's windows.
struct UiEvent {
  enum Kind { kOther, kCloseRequest, kControlClick } kind = kOther;
  int window = -1;   // window slot the event belongs to
  int control = -1;  // control slot, for kControlClick
};

inline constexpr int kProgressWindow = 0;
inline constexpr int kCancelButton = 7;

// What the progress window shows, besides the bar.
struct ProgressWindowTexts {
  Text title;     // window title
  Text header;    // bold header line
  Text subtitle;  // second header line
  Text status;    // line above the bar
  Text cancel;    // button caption
};

class Ui {
 public:
  virtual ~Ui() = default;
  // MessageBoxW(owner, text, title, type); 0 when the box cannot be shown. Owner 0: none.
  virtual int ShowBox(NativeHandle owner, const Text& title, const Text& text, unsigned type) = 0;
  // The windows that message boxes take into account: EnumWindows, GetWindowThreadProcessId,
  // GetCurrentThreadId, GetCurrentProcessId, GetForegroundWindow, IsWindowVisible,
  // IsWindowEnabled, EnableWindow, WS_EX_TOPMOST of GetWindowLongW(GWL_EXSTYLE), and SetWindowPos
  // with HWND_TOPMOST or HWND_NOTOPMOST, neither moving nor resizing.
  virtual std::vector<NativeHandle> TopLevelWindows() = 0;
  virtual std::uint32_t WindowThread(NativeHandle window, std::uint32_t* process) = 0;
  virtual std::uint32_t CurrentThread() = 0;
  virtual std::uint32_t CurrentProcess() = 0;
  virtual NativeHandle ForegroundWindow() = 0;
  virtual bool IsVisible(NativeHandle window) = 0;
  virtual bool IsEnabled(NativeHandle window) = 0;
  virtual void Enable(NativeHandle window, bool enable) = 0;
  virtual bool IsTopmost(NativeHandle window) = 0;
  virtual void SetTopmost(NativeHandle window, bool topmost) = 0;
  // Blocks until the next event of the program's windows; meanwhile messages sent by other
  // threads (progress updates) are handled.
  virtual UiEvent WaitEvent() = 0;
  // The progress window. Its pictures and fonts are made once at start-up; the window is opened
  // by the main thread and reached from the worker only through synchronous messages.
  virtual void LoadWindowResources() = 0;
  virtual void BuildProgressWindow(const ProgressWindowTexts& texts, std::int32_t step_total) = 0;
  virtual void SetProgressMaximum(std::int32_t step_total) = 0;
  // `final` marks the position set once the log has been replayed: it is always shown.
  virtual void SetProgressPosition(std::int32_t position, bool final) = 0;
  virtual void HideProgressWindow() = 0;
};

// Registry status codes, as ERROR_*.
enum RegistryStatus : long {
  kRegSuccess = 0,
  kRegFileNotFound = 2,
  kRegAccessDenied = 5,
  kRegMoreData = 234,
  kRegNoMoreItems = 259,
};
// Access rights, as KEY_*.
enum RegistryAccess : std::uint32_t { kKeyRead = 0x20019, kKeyAllAccess = 0xF003F };

class Registry {
 public:
  virtual ~Registry() = default;
  // RegOpenKeyExW(root, subkey, 0, access, key) for a predefined root (its 32-bit handle value).
  // The empty subkey opens the root itself.
  virtual long OpenKey(std::uint32_t root, const Text& subkey, std::uint32_t access,
                       NativeHandle* key) = 0;
  // RegEnumKeyExW(key, index, name, name_size, no reserved, no class, no class size, no time).
  // `name_size` counts characters, the terminating zero included on entry; a name that does not
  // fit gives kRegMoreData.
  virtual long EnumKey(NativeHandle key, std::uint32_t index, char16_t* name,
                       std::uint32_t* name_size) = 0;
  // RegEnumValueW(key, index, name, name_size, no reserved, no type, no data, no data size).
  virtual long EnumValue(NativeHandle key, std::uint32_t index, char16_t* name,
                         std::uint32_t* name_size) = 0;
  // RegDeleteKeyW(root, subkey): refuses a key that has a subkey; removes one that holds values.
  virtual long DeleteKey(std::uint32_t root, const Text& subkey) = 0;
  // RegDeleteValueW(key, name); the empty name is the unnamed default value.
  virtual long DeleteValue(NativeHandle key, const Text& name) = 0;
  virtual long CloseKey(NativeHandle key) = 0;
};

struct KeyCloser {
  using Handle = NativeHandle;
  static Handle Invalid() { return 0; }
  void Close(Handle h) const { (void)registry->CloseKey(h); }
  Registry* registry = nullptr;
};
using UniqueKey = UniqueResource<KeyCloser>;

struct Services {
  FileSystem& files;
  Process& process;
  Ui& ui;
  Registry& registry;
};

}  // namespace unroll
