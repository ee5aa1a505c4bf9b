// Files through the Win32 API.
#include "platform/win32/win32.h"

namespace unroll {
namespace {

void CopyFindData(const WIN32_FIND_DATAW& found, FindData* data) {
  data->attributes = found.dwFileAttributes;
  data->name = FromWide(found.cFileName, ::wcslen(found.cFileName));
}

}  // namespace

NativeHandle Win32FileSystem::Open(const Text& path, std::uint32_t access, std::uint32_t share,
                                   Disposition disposition) {
  const DWORD how = disposition == Disposition::kCreateAlways ? CREATE_ALWAYS : OPEN_EXISTING;
  return FromHandle(
      ::CreateFileW(Wide(path), access, share, nullptr, how, FILE_ATTRIBUTE_NORMAL, nullptr));
}

bool Win32FileSystem::Read(NativeHandle file, void* buffer, std::uint32_t size,
                           std::uint32_t* read) {
  DWORD got = 0;
  const BOOL ok = ::ReadFile(ToHandle(file), buffer, size, &got, nullptr);
  *read = got;
  return ok != FALSE;
}

bool Win32FileSystem::Write(NativeHandle file, const void* data, std::uint32_t size,
                            std::uint32_t* written) {
  DWORD put = 0;
  const BOOL ok = ::WriteFile(ToHandle(file), data, size, &put, nullptr);
  *written = put;
  return ok != FALSE;
}

std::uint32_t Win32FileSystem::Size(NativeHandle file) { return ::GetFileSize(ToHandle(file), nullptr); }

void Win32FileSystem::Close(NativeHandle file) { ::CloseHandle(ToHandle(file)); }

bool Win32FileSystem::Delete(const Text& path) { return ::DeleteFileW(Wide(path)) != FALSE; }

NativeHandle Win32FileSystem::FindFirst(const Text& pattern, FindData* data) {
  WIN32_FIND_DATAW found;
  HANDLE find = ::FindFirstFileW(Wide(pattern), &found);
  if (find != INVALID_HANDLE_VALUE) CopyFindData(found, data);
  return FromHandle(find);
}

bool Win32FileSystem::FindNext(NativeHandle find, FindData* data) {
  WIN32_FIND_DATAW found;
  if (!::FindNextFileW(ToHandle(find), &found)) return false;
  CopyFindData(found, data);
  return true;
}

void Win32FileSystem::FindClose(NativeHandle find) { ::FindClose(ToHandle(find)); }

bool Win32FileSystem::RemoveDir(const Text& path) { return ::RemoveDirectoryW(Wide(path)) != FALSE; }

}  // namespace unroll
