// An in-memory file system that answers as Windows does on every point the uninstaller relies on:
// drive-letter paths compared without regard to case, "\" and "/" as separators, relative paths
// against the current directory, attributes, share modes, listings with "." and "..".
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/memory/journal.h"
#include "platform/services.h"

namespace unroll {

class MemoryFileSystem final : public FileSystem {
 public:
  explicit MemoryFileSystem(Journal* journal = nullptr);
  ~MemoryFileSystem() override;

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

  // Set-up and inspection for tests. Paths follow the same rules as the calls above.
  bool MakeFolder(const Text& path, std::uint32_t attributes = kAttributeDirectory);  // with parents
  bool MakeFile(const Text& path, const std::string& contents = {},
                std::uint32_t attributes = kAttributeNormal);  // parents must exist
  bool Exists(const Text& path) const;
  std::string Contents(const Text& path) const;
  // The current directory: held open by the process, so it cannot be removed.
  bool SetCurrentDirectory(const Text& path);
  const Text& CurrentDirectory() const { return current_directory_; }
  // Handles still open (files and listings): a test checks that nothing leaks.
  std::size_t OpenHandles() const { return files_.size() + finds_.size(); }
  std::size_t ReadCalls() const { return read_calls_; }
  // Paths of every file and folder, sorted, for whole-tree comparisons.
  std::vector<std::string> Tree() const;

 private:
  struct Node;
  struct Resolved;
  struct OpenFile;
  struct Listing;

  Resolved Resolve(const Text& path) const;
  Node* Find(const Resolved& resolved) const;
  Node* Parent(const Resolved& resolved) const;
  bool SharingAllows(const Node* node, std::uint32_t access, std::uint32_t share) const;
  bool InUse(const Node* node) const;
  void Note(const char* call, const Text& path, bool result) const;

  std::unique_ptr<Node> root_;  // holds the drives
  Text current_directory_;
  std::shared_ptr<Node> current_node_;
  std::map<NativeHandle, std::unique_ptr<OpenFile>> files_;
  std::map<NativeHandle, std::unique_ptr<Listing>> finds_;
  NativeHandle next_handle_ = 0x100;
  std::size_t read_calls_ = 0;
  Journal* journal_;
};

}  // namespace unroll
