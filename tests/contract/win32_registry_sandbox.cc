// The registry contract sandbox on the real registry: HKCU\Software\UnrollTests\<process>-<n>,
// removed with everything in it afterwards.
#include <string>

#include "platform/win32/win32.h"
// sddl.h needs <windows.h> first.
#include <sddl.h>

#include "registry_sandbox.h"

namespace unroll {
namespace {

bool SetSecurity(const Text& path, const wchar_t* sddl) {
  HKEY key = nullptr;
  if (::RegOpenKeyExW(HKEY_CURRENT_USER, Wide(path), 0, READ_CONTROL | WRITE_DAC, &key) != ERROR_SUCCESS) {
    return false;
  }
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  bool ok = ::ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &descriptor,
                                                                    nullptr) != FALSE;
  if (ok) {
    ok = ::RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor) == ERROR_SUCCESS;
    ::LocalFree(descriptor);
  }
  ::RegCloseKey(key);
  return ok;
}

class Win32RegistrySandbox final : public RegistrySandbox {
 public:
  Win32RegistrySandbox() {
    static unsigned counter = 0;
    const std::wstring base = L"Software\\UnrollTests\\" + std::to_wstring(::GetCurrentProcessId()) +
                              L"-" + std::to_wstring(++counter);
    base_ = FromWide(base.c_str(), base.size());
    CreateKey(base_);
  }
  ~Win32RegistrySandbox() override {
    for (const Text& path : denied_) SetSecurity(path, L"D:(A;;KA;;;WD)");
    ::RegDeleteTreeW(HKEY_CURRENT_USER, Wide(base_));
    ::RegDeleteKeyW(HKEY_CURRENT_USER, Wide(base_));
    ::RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\UnrollTests");  // only when no other run uses it
  }
  Registry& registry() override { return registry_; }
  Text base() const override { return base_; }
  bool CreateKey(const Text& path) override {
    HKEY key = nullptr;
    if (::RegCreateKeyExW(HKEY_CURRENT_USER, Wide(path), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                          nullptr) != ERROR_SUCCESS) {
      return false;
    }
    ::RegCloseKey(key);
    return true;
  }
  bool SetValue(const Text& path, const Text& name) override {
    HKEY key = nullptr;
    if (::RegCreateKeyExW(HKEY_CURRENT_USER, Wide(path), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                          nullptr) != ERROR_SUCCESS) {
      return false;
    }
    const LONG status = ::RegSetValueExW(key, Wide(name), 0, REG_SZ,
                                         reinterpret_cast<const BYTE*>(L"x"), 2 * sizeof(wchar_t));
    ::RegCloseKey(key);
    return status == ERROR_SUCCESS;
  }
  bool DenyWrite(const Text& path) override {
    if (!SetSecurity(path, L"D:(A;;KR;;;WD)")) return false;
    denied_.push_back(path);
    HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, Wide(path), 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS) {
      ::RegCloseKey(key);
      return false;  // the access check is not enforced here
    }
    return true;
  }
  bool KeyExists(const Text& path) override {
    HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, Wide(path), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    ::RegCloseKey(key);
    return true;
  }
  bool ValueExists(const Text& path, const Text& name) override {
    HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, Wide(path), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    const LONG status = ::RegQueryValueExW(key, Wide(name), nullptr, nullptr, nullptr, nullptr);
    ::RegCloseKey(key);
    return status == ERROR_SUCCESS;
  }

 private:
  Win32Registry registry_;
  Text base_;
  std::vector<Text> denied_;
};

}  // namespace

std::unique_ptr<RegistrySandbox> MakeRegistrySandbox() {
  return std::make_unique<Win32RegistrySandbox>();
}

}  // namespace unroll
