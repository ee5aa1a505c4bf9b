// In-memory registry with Windows path resolution.
#include "platform/memory/memory_registry.h"

#include <algorithm>
#include <functional>

namespace unroll {
namespace {

constexpr long kInvalidKeyHandle = 6;  // ERROR_INVALID_HANDLE

Text Fold(const Text& name) {
  Text folded = name;
  for (char16_t& c : folded) {
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + 32);
  }
  return folded;
}

// Splits a path into its components; a trailing backslash adds none. False for an empty
// component elsewhere (a leading or doubled backslash), which Windows does not resolve.
bool Split(const Text& path, std::vector<Text>& parts) {
  parts.clear();
  if (path.empty()) return true;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = path.find(u'\\', start);
    const Text part = path.substr(start, end == Text::npos ? Text::npos : end - start);
    if (end == Text::npos) {
      if (!part.empty()) parts.push_back(part);
      return true;
    }
    if (part.empty()) return false;
    parts.push_back(part);
    start = end + 1;
    if (start == path.size()) return true;
  }
}

// Hands an enumerated name out as RegEnumKeyExW and RegEnumValueW do: with its terminating zero
// when it fits, else ERROR_MORE_DATA with the size left as it was.
long CopyName(const Text& found, char16_t* name, std::uint32_t* name_size) {
  if (found.size() + 1 > *name_size) return kRegMoreData;
  std::copy(found.begin(), found.end(), name);
  name[found.size()] = u'\0';
  *name_size = static_cast<std::uint32_t>(found.size());
  return kRegSuccess;
}

const char* RootName(std::uint32_t root) {
  switch (root) {
    case 0x80000000u: return "HKCR";
    case 0x80000001u: return "HKCU";
    case 0x80000002u: return "HKLM";
    case 0x80000003u: return "HKU";
    case 0x80000005u: return "HKCC";
    default: return nullptr;
  }
}

}  // namespace

struct MemoryRegistry::Key {
  Text name;
  bool deleted = false;
  bool write_denied = false;
  std::map<Text, std::shared_ptr<Key>> subkeys;  // by folded name: enumerated in sorted order
  std::vector<Text> values;                       // enumerated in creation order
};

MemoryRegistry::MemoryRegistry(Journal* journal) : journal_(journal) {
  for (std::uint32_t root = 0x80000000u; root <= 0x80000006u; ++root) {
    roots_[root] = std::make_shared<Key>();
  }
}

MemoryRegistry::~MemoryRegistry() = default;

std::shared_ptr<MemoryRegistry::Key> MemoryRegistry::Find(std::uint32_t root, const Text& path) const {
  auto it = roots_.find(root);
  if (it == roots_.end()) return nullptr;
  std::vector<Text> parts;
  if (!Split(path, parts)) return nullptr;
  std::shared_ptr<Key> key = it->second;
  for (const Text& part : parts) {
    auto sub = key->subkeys.find(Fold(part));
    if (sub == key->subkeys.end()) return nullptr;
    key = sub->second;
  }
  return key;
}

long MemoryRegistry::OpenKey(std::uint32_t root, const Text& subkey, std::uint32_t access,
                             NativeHandle* key) {
  *key = 0;
  std::shared_ptr<Key> found = Find(root, subkey);
  if (journal_) journal_->Add("RegOpenKeyEx " + Narrow(subkey));
  if (!found) return kRegFileNotFound;
  if (found->write_denied && (access & ~static_cast<std::uint32_t>(kKeyRead))) return kRegAccessDenied;
  // The handle keeps the key alive even if it is deleted meanwhile.
  *key = next_handle_++;
  handles_[*key] = std::move(found);
  return kRegSuccess;
}

long MemoryRegistry::EnumKey(NativeHandle key, std::uint32_t index, char16_t* name,
                             std::uint32_t* name_size) {
  auto it = handles_.find(key);
  if (it == handles_.end()) return kInvalidKeyHandle;
  const Key& k = *it->second;
  if (index >= k.subkeys.size()) return kRegNoMoreItems;
  return CopyName(std::next(k.subkeys.begin(), index)->second->name, name, name_size);
}

long MemoryRegistry::EnumValue(NativeHandle key, std::uint32_t index, char16_t* name,
                               std::uint32_t* name_size) {
  auto it = handles_.find(key);
  if (it == handles_.end()) return kInvalidKeyHandle;
  const Key& k = *it->second;
  if (index >= k.values.size()) return kRegNoMoreItems;
  return CopyName(k.values[index], name, name_size);
}

long MemoryRegistry::DeleteKey(std::uint32_t root, const Text& subkey) {
  if (journal_) journal_->Add("RegDeleteKey " + Narrow(subkey));
  std::vector<Text> parts;
  if (!Split(subkey, parts)) return kRegFileNotFound;
  if (parts.empty()) return kRegAccessDenied;  // a predefined root is never deleted
  Text parent_path;
  for (std::size_t i = 0; i + 1 < parts.size(); ++i) parent_path += parts[i] + u"\\";
  std::shared_ptr<Key> parent = Find(root, parent_path);
  if (!parent) return kRegFileNotFound;
  auto it = parent->subkeys.find(Fold(parts.back()));
  if (it == parent->subkeys.end()) return kRegFileNotFound;
  Key& key = *it->second;
  if (key.write_denied || !key.subkeys.empty()) return kRegAccessDenied;
  key.deleted = true;
  parent->subkeys.erase(it);
  return kRegSuccess;
}

long MemoryRegistry::DeleteValue(NativeHandle key, const Text& name) {
  auto it = handles_.find(key);
  if (it == handles_.end()) return kInvalidKeyHandle;
  Key& k = *it->second;
  if (k.deleted) return 1018;  // ERROR_KEY_DELETED
  auto value = std::find_if(k.values.begin(), k.values.end(),
                            [&](const Text& v) { return Fold(v) == Fold(name); });
  if (journal_) journal_->Add("RegDeleteValue " + Narrow(name));
  if (value == k.values.end()) return kRegFileNotFound;
  k.values.erase(value);
  return kRegSuccess;
}

long MemoryRegistry::CloseKey(NativeHandle key) {
  return handles_.erase(key) ? long{kRegSuccess} : kInvalidKeyHandle;
}

bool MemoryRegistry::CreateKey(std::uint32_t root, const Text& path) {
  auto it = roots_.find(root);
  std::vector<Text> parts;
  if (it == roots_.end() || !Split(path, parts)) return false;
  Key* key = it->second.get();
  for (const Text& part : parts) {
    auto& slot = key->subkeys[Fold(part)];
    if (!slot) {
      slot = std::make_shared<Key>();
      slot->name = part;
    }
    key = slot.get();
  }
  return true;
}

bool MemoryRegistry::SetValue(std::uint32_t root, const Text& path, const Text& name) {
  if (!CreateKey(root, path)) return false;
  std::shared_ptr<Key> key = Find(root, path);
  if (std::none_of(key->values.begin(), key->values.end(),
                   [&](const Text& v) { return Fold(v) == Fold(name); })) {
    key->values.push_back(name);
  }
  return true;
}

bool MemoryRegistry::DenyWrite(std::uint32_t root, const Text& path) {
  std::shared_ptr<Key> key = Find(root, path);
  if (!key) return false;
  key->write_denied = true;
  return true;
}

bool MemoryRegistry::KeyExists(std::uint32_t root, const Text& path) const {
  return Find(root, path) != nullptr;
}

bool MemoryRegistry::ValueExists(std::uint32_t root, const Text& path, const Text& name) const {
  std::shared_ptr<Key> key = Find(root, path);
  return key && std::any_of(key->values.begin(), key->values.end(),
                            [&](const Text& v) { return Fold(v) == Fold(name); });
}

std::vector<std::string> MemoryRegistry::Tree() const {
  std::vector<std::string> out;
  std::function<void(const Key&, const std::string&)> walk = [&](const Key& key,
                                                               const std::string& prefix) {
    for (const Text& v : key.values) out.push_back(prefix + "=" + Narrow(v));
    for (const auto& [folded, sub] : key.subkeys) {
      const std::string path = prefix + Narrow(sub->name) + "\\";
      out.push_back(path);
      walk(*sub, path);
    }
  };
  for (const auto& [root, key] : roots_) {
    if (const char* name = RootName(root)) walk(*key, std::string(name) + "\\");
  }
  return out;
}

}  // namespace unroll
