// The registry through the Win32 API.
#include "platform/win32/win32.h"

namespace unroll {
namespace {

// Predefined roots are the handle values 0x80000000 to 0x80000006, sign-extended as Windows
// defines them.
HKEY RootHandle(std::uint32_t root) {
  return reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG_PTR>(static_cast<LONG>(root))));
}
HKEY KeyHandle(NativeHandle key) { return reinterpret_cast<HKEY>(key); }
wchar_t* WideBuffer(char16_t* buffer) { return reinterpret_cast<wchar_t*>(buffer); }

}  // namespace

long Win32Registry::OpenKey(std::uint32_t root, const Text& subkey, std::uint32_t access,
                            NativeHandle* key) {
  HKEY opened = nullptr;
  const LONG status = ::RegOpenKeyExW(RootHandle(root), Wide(subkey), 0, access, &opened);
  *key = status == ERROR_SUCCESS ? reinterpret_cast<NativeHandle>(opened) : 0;
  return status;
}

long Win32Registry::EnumKey(NativeHandle key, std::uint32_t index, char16_t* name,
                            std::uint32_t* name_size) {
  DWORD size = *name_size;
  const LONG status = ::RegEnumKeyExW(KeyHandle(key), index, WideBuffer(name), &size, nullptr,
                                      nullptr, nullptr, nullptr);
  *name_size = size;
  return status;
}

long Win32Registry::EnumValue(NativeHandle key, std::uint32_t index, char16_t* name,
                              std::uint32_t* name_size) {
  DWORD size = *name_size;
  const LONG status = ::RegEnumValueW(KeyHandle(key), index, WideBuffer(name), &size, nullptr,
                                      nullptr, nullptr, nullptr);
  *name_size = size;
  return status;
}

long Win32Registry::DeleteKey(std::uint32_t root, const Text& subkey) {
  return ::RegDeleteKeyW(RootHandle(root), Wide(subkey));
}

long Win32Registry::DeleteValue(NativeHandle key, const Text& name) {
  return ::RegDeleteValueW(KeyHandle(key), Wide(name));
}

long Win32Registry::CloseKey(NativeHandle key) { return ::RegCloseKey(KeyHandle(key)); }

}  // namespace unroll
