// In-memory file system with Windows semantics.
#include "platform/memory/memory_file_system.h"

#include <algorithm>
#include <cstring>
#include <functional>

namespace unroll {
namespace {

bool IsSeparator(char16_t c) { return c == u'\\' || c == u'/'; }

// NTFS compares names through its upcase table; ASCII and Latin-1 cover what tests use.
char16_t FoldCase(char16_t c) {
  if (c >= u'A' && c <= u'Z') return static_cast<char16_t>(c + 32);
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<char16_t>(c + 32);
  return c;
}

Text Fold(const Text& name) {
  Text folded = name;
  for (char16_t& c : folded) c = FoldCase(c);
  return folded;
}

bool HasWildcard(const Text& name) { return name.find_first_of(u"*?") != Text::npos; }

// '*' matches any run, '?' any one character; "*.*" matches every name, as on Windows.
bool GlobMatch(const Text& pattern, const Text& name) {
  if (pattern == u"*.*" || pattern == u"*") return true;
  std::size_t p = 0, n = 0, star = Text::npos, mark = 0;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == u'?' || FoldCase(pattern[p]) == FoldCase(name[n]))) {
      ++p;
      ++n;
    } else if (p < pattern.size() && pattern[p] == u'*') {
      star = p++;
      mark = n;
    } else if (star != Text::npos) {
      p = star + 1;
      n = ++mark;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == u'*') ++p;
  return p == pattern.size();
}

}  // namespace

struct MemoryFileSystem::Node {
  bool folder = false;
  std::uint32_t attributes = kAttributeNormal;
  Text name;
  std::string data;
  std::map<Text, std::shared_ptr<Node>> children;  // keyed by folded name: sorted as NTFS lists
};

struct MemoryFileSystem::Resolved {
  bool valid = false;
  bool wildcard = false;
  bool trailing_separator = false;
  std::vector<Text> components;  // the drive ("C:") first
};

struct MemoryFileSystem::OpenFile {
  std::shared_ptr<Node> node;
  std::uint32_t access;
  std::uint32_t share;
  std::size_t position = 0;
};

struct MemoryFileSystem::Listing {
  std::vector<FindData> entries;
  std::size_t next = 0;
};

MemoryFileSystem::MemoryFileSystem(Journal* journal) : root_(new Node), journal_(journal) {
  root_->folder = true;
  MakeFolder(u"C:\\");
  SetCurrentDirectory(u"C:\\");
}

MemoryFileSystem::~MemoryFileSystem() = default;

MemoryFileSystem::Resolved MemoryFileSystem::Resolve(const Text& input) const {
  Resolved r;
  if (input.empty()) return r;
  Text path = input.compare(0, 4, u"\\\\?\\") == 0 ? input.substr(4) : input;
  Text rest;
  std::vector<Text> base;
  const Resolved* cwd = nullptr;
  Resolved current;
  if (!current_directory_.empty() && &input != &current_directory_) {
    current = Resolve(current_directory_);
    cwd = &current;
  }
  if (path.size() >= 2 && path[1] == u':' &&
      ((path[0] >= u'A' && path[0] <= u'Z') || (path[0] >= u'a' && path[0] <= u'z'))) {
    base.push_back(Text{static_cast<char16_t>(path[0] & ~0x20), u':'});
    rest = path.substr(2);
    if (!rest.empty() && !IsSeparator(rest[0]) && cwd && Fold(cwd->components[0]) == Fold(base[0])) {
      base = cwd->components;  // "C:name" is relative to the drive's current directory
    }
  } else if (!path.empty() && IsSeparator(path[0])) {
    if (path.size() > 1 && IsSeparator(path[1])) return r;  // UNC paths are not modelled
    if (!cwd) return r;
    base.push_back(cwd->components[0]);
    rest = path;
  } else {
    if (!cwd) return r;
    base = cwd->components;
    rest = path;
  }
  r.components = base;
  std::size_t start = 0;
  while (start <= rest.size()) {
    std::size_t end = start;
    while (end < rest.size() && !IsSeparator(rest[end])) ++end;
    Text part = rest.substr(start, end - start);
    if (part == u"..") {
      if (r.components.size() > 1) r.components.pop_back();
    } else if (!part.empty() && part != u".") {
      if (HasWildcard(part)) r.wildcard = true;
      r.components.push_back(part);
    }
    start = end + 1;
  }
  r.trailing_separator = IsSeparator(path.back());
  r.valid = true;
  return r;
}

MemoryFileSystem::Node* MemoryFileSystem::Find(const Resolved& r) const {
  if (!r.valid) return nullptr;
  Node* node = root_.get();
  for (const Text& part : r.components) {
    if (!node->folder) return nullptr;
    auto it = node->children.find(Fold(part));
    if (it == node->children.end()) return nullptr;
    node = it->second.get();
  }
  return node;
}

MemoryFileSystem::Node* MemoryFileSystem::Parent(const Resolved& r) const {
  if (!r.valid || r.components.size() < 2) return nullptr;
  Resolved parent = r;
  parent.components.pop_back();
  Node* node = Find(parent);
  return node && node->folder ? node : nullptr;
}

bool MemoryFileSystem::SharingAllows(const Node* node, std::uint32_t access,
                                     std::uint32_t share) const {
  for (const auto& [handle, open] : files_) {
    if (open->node.get() != node) continue;
    if ((access & kGenericRead) && !(open->share & kShareRead)) return false;
    if ((access & kGenericWrite) && !(open->share & kShareWrite)) return false;
    if ((open->access & kGenericRead) && !(share & kShareRead)) return false;
    if ((open->access & kGenericWrite) && !(share & kShareWrite)) return false;
  }
  return true;
}

bool MemoryFileSystem::InUse(const Node* node) const {
  for (const auto& [handle, open] : files_) {
    if (open->node.get() == node && !(open->share & kShareDelete)) return true;
  }
  return false;
}

void MemoryFileSystem::Note(const char* call, const Text& path, bool result) const {
  if (journal_) journal_->Add(std::string(call) + " " + Narrow(path) + (result ? "" : " failed"));
}

NativeHandle MemoryFileSystem::Open(const Text& path, std::uint32_t access, std::uint32_t share,
                                    Disposition disposition) {
  if (journal_) journal_->Add("CreateFile " + Narrow(path));
  const Resolved r = Resolve(path);
  if (!r.valid || r.wildcard || r.trailing_separator) return kInvalidHandle;
  Node* parent = Parent(r);
  if (!parent) return kInvalidHandle;
  auto it = parent->children.find(Fold(r.components.back()));
  std::shared_ptr<Node> node = it == parent->children.end() ? nullptr : it->second;
  if (disposition == Disposition::kOpenExisting) {
    // Folders open only with FILE_FLAG_BACKUP_SEMANTICS, which the uninstaller never asks for.
    if (!node || node->folder) return kInvalidHandle;
  } else if (!node) {
    node = std::make_shared<Node>();
    node->name = r.components.back();
    parent->children[Fold(node->name)] = node;
  } else if (node->folder) {
    return kInvalidHandle;
  }
  if ((access & kGenericWrite) && (node->attributes & kAttributeReadOnly)) return kInvalidHandle;
  if (!SharingAllows(node.get(), access, share)) return kInvalidHandle;
  if (disposition == Disposition::kCreateAlways) node->data.clear();
  const NativeHandle handle = next_handle_++;
  files_[handle] = std::unique_ptr<OpenFile>(new OpenFile{node, access, share});
  return handle;
}

bool MemoryFileSystem::Read(NativeHandle file, void* buffer, std::uint32_t size,
                            std::uint32_t* read) {
  ++read_calls_;
  *read = 0;
  auto it = files_.find(file);
  if (it == files_.end() || !(it->second->access & kGenericRead)) return false;
  OpenFile& open = *it->second;
  const std::size_t available =
      open.position < open.node->data.size() ? open.node->data.size() - open.position : 0;
  const std::size_t count = std::min<std::size_t>(size, available);
  if (count) std::memcpy(buffer, open.node->data.data() + open.position, count);
  open.position += count;
  *read = static_cast<std::uint32_t>(count);
  return true;
}

bool MemoryFileSystem::Write(NativeHandle file, const void* data, std::uint32_t size,
                             std::uint32_t* written) {
  *written = 0;
  auto it = files_.find(file);
  if (it == files_.end() || !(it->second->access & kGenericWrite)) return false;
  OpenFile& open = *it->second;
  std::string& contents = open.node->data;
  if (contents.size() < open.position + size) contents.resize(open.position + size);
  if (size) std::memcpy(&contents[open.position], data, size);
  open.position += size;
  *written = size;
  return true;
}

std::uint32_t MemoryFileSystem::Size(NativeHandle file) {
  auto it = files_.find(file);
  return it == files_.end() ? 0xFFFFFFFFu : static_cast<std::uint32_t>(it->second->node->data.size());
}

void MemoryFileSystem::Close(NativeHandle file) { files_.erase(file); }

bool MemoryFileSystem::Delete(const Text& path) {
  const Resolved r = Resolve(path);
  bool ok = false;
  if (r.valid && !r.wildcard && !r.trailing_separator) {
    Node* parent = Parent(r);
    auto it = parent ? parent->children.find(Fold(r.components.back())) : decltype(parent->children.end()){};
    if (parent && it != parent->children.end()) {
      const Node* node = it->second.get();
      ok = !node->folder && !(node->attributes & kAttributeReadOnly) && !InUse(node);
      if (ok) parent->children.erase(it);
    }
  }
  Note("DeleteFile", path, ok);
  return ok;
}

NativeHandle MemoryFileSystem::FindFirst(const Text& pattern, FindData* data) {
  const Resolved r = Resolve(pattern);
  if (!r.valid || r.trailing_separator) return kInvalidHandle;
  Node* folder = Parent(r);
  if (!folder) return kInvalidHandle;
  const Text& name_pattern = r.components.back();
  auto listing = std::make_unique<Listing>();
  // A drive root has no "." and ".." entries.
  if (r.components.size() > 2) {
    for (const char16_t* dot : {u".", u".."}) {
      if (GlobMatch(name_pattern, dot)) listing->entries.push_back({kAttributeDirectory, dot});
    }
  }
  for (const auto& [key, child] : folder->children) {
    if (GlobMatch(name_pattern, child->name)) {
      listing->entries.push_back({child->attributes, child->name});
    }
  }
  if (listing->entries.empty()) return kInvalidHandle;
  *data = listing->entries[0];
  listing->next = 1;
  const NativeHandle handle = next_handle_++;
  finds_[handle] = std::move(listing);
  return handle;
}

bool MemoryFileSystem::FindNext(NativeHandle find, FindData* data) {
  auto it = finds_.find(find);
  if (it == finds_.end() || it->second->next >= it->second->entries.size()) return false;
  *data = it->second->entries[it->second->next++];
  return true;
}

void MemoryFileSystem::FindClose(NativeHandle find) { finds_.erase(find); }

bool MemoryFileSystem::RemoveDir(const Text& path) {
  const Resolved r = Resolve(path);
  bool ok = false;
  if (r.valid && !r.wildcard && r.components.size() > 1) {
    Node* parent = Parent(r);
    auto it = parent ? parent->children.find(Fold(r.components.back())) : decltype(parent->children.end()){};
    if (parent && it != parent->children.end()) {
      const Node* node = it->second.get();
      ok = node->folder && node->children.empty() && !(node->attributes & kAttributeReadOnly) &&
           node != current_node_.get();
      if (ok) parent->children.erase(it);
    }
  }
  Note("RemoveDirectory", path, ok);
  return ok;
}

bool MemoryFileSystem::MakeFolder(const Text& path, std::uint32_t attributes) {
  const Resolved r = Resolve(path);
  if (!r.valid || r.wildcard) return false;
  Node* node = root_.get();
  for (const Text& part : r.components) {
    auto& slot = node->children[Fold(part)];
    if (!slot) {
      slot = std::make_shared<Node>();
      slot->folder = true;
      slot->attributes = kAttributeDirectory;
      slot->name = part;
    }
    if (!slot->folder) return false;
    node = slot.get();
  }
  node->attributes = attributes | kAttributeDirectory;
  return true;
}

bool MemoryFileSystem::MakeFile(const Text& path, const std::string& contents,
                                std::uint32_t attributes) {
  const Resolved r = Resolve(path);
  if (!r.valid || r.wildcard || r.trailing_separator) return false;
  Node* parent = Parent(r);
  if (!parent) return false;
  auto& slot = parent->children[Fold(r.components.back())];
  if (slot && slot->folder) return false;
  slot = std::make_shared<Node>();
  slot->name = r.components.back();
  slot->data = contents;
  slot->attributes = attributes & ~static_cast<std::uint32_t>(kAttributeDirectory);
  return true;
}

bool MemoryFileSystem::Exists(const Text& path) const { return Find(Resolve(path)) != nullptr; }

std::string MemoryFileSystem::Contents(const Text& path) const {
  const Node* node = Find(Resolve(path));
  return node ? node->data : std::string{};
}

bool MemoryFileSystem::SetCurrentDirectory(const Text& path) {
  const Resolved r = Resolve(path);
  Node* node = Find(r);
  if (!node || !node->folder || r.components.empty()) return false;
  Node* parent = Parent(r);
  current_node_ = parent ? parent->children[Fold(r.components.back())] : nullptr;
  Text normal;
  for (const Text& part : r.components) normal += part + u"\\";
  current_directory_ = normal;
  return true;
}

std::vector<std::string> MemoryFileSystem::Tree() const {
  std::vector<std::string> paths;
  std::function<void(const Node&, const std::string&)> walk = [&](const Node& node,
                                                                 const std::string& prefix) {
    for (const auto& [key, child] : node.children) {
      const std::string path = prefix + Narrow(child->name);
      paths.push_back(child->folder ? path + "\\" : path);
      if (child->folder) walk(*child, path + "\\");
    }
  };
  walk(*root_, "");
  return paths;
}

}  // namespace unroll
