// An in-memory registry that resolves paths as Windows does: components compared without regard
// to case, a trailing backslash naming the same key, the empty path naming the root, predefined
// roots never deleted, RegDeleteKeyW refusing keys with subkeys, the default value enumerated
// once set, a too-small name buffer answered with ERROR_MORE_DATA.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/memory/journal.h"
#include "platform/services.h"

namespace unroll {

class MemoryRegistry final : public Registry {
 public:
  explicit MemoryRegistry(Journal* journal = nullptr);
  ~MemoryRegistry() override;

  long OpenKey(std::uint32_t root, const Text& subkey, std::uint32_t access,
               NativeHandle* key) override;
  long EnumKey(NativeHandle key, std::uint32_t index, char16_t* name,
               std::uint32_t* name_size) override;
  long EnumValue(NativeHandle key, std::uint32_t index, char16_t* name,
                 std::uint32_t* name_size) override;
  long DeleteKey(std::uint32_t root, const Text& subkey) override;
  long DeleteValue(NativeHandle key, const Text& name) override;
  long CloseKey(NativeHandle key) override;

  // Set-up and inspection for tests; paths as RegOpenKeyExW takes them.
  bool CreateKey(std::uint32_t root, const Text& path);  // with its parents
  bool SetValue(std::uint32_t root, const Text& path, const Text& name);  // creates the key
  // The key can then be opened for reading but neither with KEY_ALL_ACCESS nor deleted.
  bool DenyWrite(std::uint32_t root, const Text& path);
  bool KeyExists(std::uint32_t root, const Text& path) const;
  bool ValueExists(std::uint32_t root, const Text& path, const Text& name) const;
  std::size_t OpenKeys() const { return handles_.size(); }
  // Every key ("HKCU\A\B\") and value ("HKCU\A\B\=name") below the five roots the log can name.
  std::vector<std::string> Tree() const;

 private:
  struct Key;
  std::shared_ptr<Key> Find(std::uint32_t root, const Text& path) const;

  std::map<std::uint32_t, std::shared_ptr<Key>> roots_;
  std::map<NativeHandle, std::shared_ptr<Key>> handles_;
  NativeHandle next_handle_ = 0x1000;
  Journal* journal_;
};

}  // namespace unroll
