// The contract sandbox on the in-memory file system.
#include "platform/memory/memory_file_system.h"
#include "sandbox.h"

namespace unroll {
namespace {

class MemorySandbox final : public Sandbox {
 public:
  MemorySandbox() { files_.MakeFolder(root()); }
  FileSystem& files() override { return files_; }
  Text root() const override { return u"C:\\Sandbox\\"; }
  bool MakeFolder(const Text& path) override { return files_.MakeFolder(path); }
  bool MakeFile(const Text& path, std::uint32_t attributes) override {
    return files_.MakeFile(path, "data", attributes);
  }
  bool Exists(const Text& path) override { return files_.Exists(path); }
  bool ChangeDirectory(const Text& path) override { return files_.SetCurrentDirectory(path); }
  const char* KnownDivergence(const char*) const override { return ""; }

 private:
  MemoryFileSystem files_;
};

}  // namespace

std::unique_ptr<Sandbox> MakeSandbox() { return std::make_unique<MemorySandbox>(); }

}  // namespace unroll
