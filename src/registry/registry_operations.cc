// Registry operations.
#include "registry/registry_operations.h"

namespace unroll {

bool RegDeleteValueChecked(std::uint32_t root, const Text& subkey, const Text& value_name) {
  (void)root;
  (void)subkey;
  (void)value_name;
  return false;
}

bool RegDeleteKeyChecked(std::uint32_t root, const Text& subkey) {
  (void)root;
  (void)subkey;
  return false;
}

void PruneEmptyParentKeys(std::uint32_t root, const Text& subkey) {
  (void)root;
  (void)subkey;
}

}  // namespace unroll
