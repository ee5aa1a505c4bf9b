// A fresh key below HKEY_CURRENT_USER in which the registry contract cases run, on the in-memory
// registry or on the real one under Wine.
#pragma once

#include <memory>

#include "platform/services.h"

namespace unroll {

inline constexpr std::uint32_t kHkeyCurrentUser = 0x80000001u;

class RegistrySandbox {
 public:
  virtual ~RegistrySandbox() = default;
  virtual Registry& registry() = 0;
  // The sandbox key's path below HKEY_CURRENT_USER, without a trailing backslash.
  virtual Text base() const = 0;
  // Set-up with the platform's own calls; paths below HKEY_CURRENT_USER.
  virtual bool CreateKey(const Text& path) = 0;
  virtual bool SetValue(const Text& path, const Text& name) = 0;
  // Afterwards the key opens for reading but not with KEY_ALL_ACCESS; false where the platform
  // cannot make such a key.
  virtual bool DenyWrite(const Text& path) = 0;
  virtual bool KeyExists(const Text& path) = 0;
  virtual bool ValueExists(const Text& path, const Text& name) = 0;
};

std::unique_ptr<RegistrySandbox> MakeRegistrySandbox();

}  // namespace unroll
