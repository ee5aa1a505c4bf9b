// Registry operations and parent-key pruning.
#include "registry/registry_operations.h"

namespace unroll {
namespace {

constexpr std::uint32_t kFirstPredefinedRoot = 0x80000000u;  // HKEY_CLASSES_ROOT
constexpr std::uint32_t kLastPredefinedRoot = 0x80000006u;   // HKEY_DYN_DATA
// The enumeration buffer holds 255 characters with the terminating zero.
constexpr std::uint32_t kNameBufferSize = 255;

}  // namespace

bool RegistryOperations::Begin(std::uint32_t root, const Text& subkey, bool must_exist, Text& path) {
  last_error_.clear();
  if (root < kFirstPredefinedRoot || root > kLastPredefinedRoot) {
    last_error_ = kRegRootEmpty;
    return false;
  }
  if (subkey.empty()) {
    last_error_ = kRegSubkeyNameEmpty;
    return false;
  }
  if (must_exist && !RegKeyExists(root, subkey)) {
    last_error_ = kRegSubkeyDoesNotExist;
    return false;
  }
  path.assign(subkey, subkey[0] == u'\\' ? 1 : 0, Text::npos);
  return true;
}

bool RegistryOperations::RegKeyExists(std::uint32_t root, const Text& subkey) {
  Text path;
  if (!Begin(root, subkey, false, path)) return false;
  UniqueKey key(KeyCloser{&registry_});
  if (registry_.OpenKey(root, path, kKeyRead, key.put()) == kRegSuccess) return true;
  last_error_ = kRegSubkeyNotFound;
  return false;
}

bool RegistryOperations::RegDeleteValueChecked(std::uint32_t root, const Text& subkey,
                                               const Text& value_name) {
  Text path;
  if (!Begin(root, subkey, true, path)) return false;
  UniqueKey key(KeyCloser{&registry_});
  if (registry_.OpenKey(root, path, kKeyAllAccess, key.put()) != kRegSuccess) return false;
  const long status = registry_.DeleteValue(key.get(), value_name);
  key.reset();
  if (status == kRegSuccess) return true;
  last_error_ = kRegCannotDeleteValue;
  return false;
}

bool RegistryOperations::RegDeleteKeyChecked(std::uint32_t root, const Text& subkey) {
  Text path;
  if (!Begin(root, subkey, true, path)) return false;
  if (registry_.DeleteKey(root, path) == kRegSuccess) return true;
  last_error_ = kRegCannotDeleteSubkey;
  return false;
}

bool RegistryOperations::HoldsAnything(std::uint32_t root, const Text& path, bool values) {
  UniqueKey key(KeyCloser{&registry_});
  // A key that cannot be opened cannot be shown to be empty.
  if (registry_.OpenKey(root, path, kKeyAllAccess, key.put()) != kRegSuccess) return true;
  char16_t name[kNameBufferSize];
  std::uint32_t size = kNameBufferSize;
  const long status = values ? registry_.EnumValue(key.get(), 0, name, &size)
                             : registry_.EnumKey(key.get(), 0, name, &size);
  // kRegMoreData means an entry exists whose name does not fit the buffer.
  return status != kRegNoMoreItems;
}

bool RegistryOperations::RegDeleteKeyIfEmpty(std::uint32_t root, const Text& subkey) {
  Text path;
  if (!Begin(root, subkey, true, path)) return false;
  if (HoldsAnything(root, path, false) || HoldsAnything(root, path, true)) {
    last_error_ = kRegSubkeyNotEmpty;
    return false;
  }
  if (registry_.DeleteKey(root, path) == kRegSuccess) {
    last_error_.clear();
    return true;
  }
  last_error_ = kRegCannotDeleteSubkey;
  return false;
}

std::vector<Text> PruneLevels(const Text& subkey) {
  Text working = subkey;
  if (working.empty() || working.back() != u'\\') working.push_back(u'\\');
  std::vector<Text> levels;
  for (std::size_t end = working.size(); end > 0; --end) {
    if (working[end - 1] == u'\\') levels.emplace_back(working, 0, end);
  }
  return levels;
}

void PruneEmptyParentKeys(RegistryOperations& operations, std::uint32_t root, const Text& subkey) {
  for (const Text& prefix : PruneLevels(subkey)) (void)operations.RegDeleteKeyIfEmpty(root, prefix);
}

}  // namespace unroll
