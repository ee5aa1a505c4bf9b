// The registry contract sandbox on the in-memory registry.
#include "platform/memory/memory_registry.h"
#include "registry_sandbox.h"

namespace unroll {
namespace {

class MemoryRegistrySandbox final : public RegistrySandbox {
 public:
  MemoryRegistrySandbox() { registry_.CreateKey(kHkeyCurrentUser, base()); }
  Registry& registry() override { return registry_; }
  Text base() const override { return u"Software\\UnrollTests\\contract"; }
  bool CreateKey(const Text& path) override { return registry_.CreateKey(kHkeyCurrentUser, path); }
  bool SetValue(const Text& path, const Text& name) override {
    return registry_.SetValue(kHkeyCurrentUser, path, name);
  }
  bool DenyWrite(const Text& path) override { return registry_.DenyWrite(kHkeyCurrentUser, path); }
  bool KeyExists(const Text& path) override { return registry_.KeyExists(kHkeyCurrentUser, path); }
  bool ValueExists(const Text& path, const Text& name) override {
    return registry_.ValueExists(kHkeyCurrentUser, path, name);
  }

 private:
  MemoryRegistry registry_;
};

}  // namespace

std::unique_ptr<RegistrySandbox> MakeRegistrySandbox() {
  return std::make_unique<MemoryRegistrySandbox>();
}

}  // namespace unroll
