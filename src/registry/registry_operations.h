// Registry removal: the four checked operations, the reason of the last failure, and the pruning
// of the parent keys that a removal left empty.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/services.h"

namespace unroll {

// The texts left in RegLastError. The mark in "can´t" is U+00B4, as the texts have always been.
inline constexpr char16_t kRegRootEmpty[] = u"ERROR, #HKEY is empty";
inline constexpr char16_t kRegSubkeyNameEmpty[] = u"ERROR, subkeyname is empty";
inline constexpr char16_t kRegSubkeyNotFound[] = u"ERROR, sub key not found";
inline constexpr char16_t kRegSubkeyDoesNotExist[] = u"ERROR, sub key dont exist";
inline constexpr char16_t kRegCannotDeleteValue[] = u"ERROR, can\u00B4t delete value";
inline constexpr char16_t kRegCannotDeleteSubkey[] = u"ERROR, can\u00B4t delete subkey";
inline constexpr char16_t kRegSubkeyNotEmpty[] = u"ERROR, subkey is not empty";

// Each operation empties RegLastError first and leaves exactly one of the texts above in it on
// failure. Roots are predefined-root handle values; 0x80000000 to 0x80000006 are accepted. A
// subkey path loses one leading backslash; a single backslash thus names the root itself, which
// is never deleted. Every handle opened is closed before the operation returns.
class RegistryOperations {
 public:
  explicit RegistryOperations(Registry& registry) : registry_(registry) {}

  // True when the key exists and can be opened for reading.
  bool RegKeyExists(std::uint32_t root, const Text& subkey);
  // True when the value was removed. A key that cannot be opened for writing gives false and
  // leaves RegLastError empty.
  bool RegDeleteValueChecked(std::uint32_t root, const Text& subkey, const Text& value_name);
  // True when the key, with all its values, was removed; a key with a subkey is refused.
  bool RegDeleteKeyChecked(std::uint32_t root, const Text& subkey);
  // True when the key had no subkey and no value and was removed. Anything but a definite "no
  // entry" from either enumeration (a name too long for the buffer, a key that cannot be opened)
  // counts as content, so a key that still holds something is never deleted.
  bool RegDeleteKeyIfEmpty(std::uint32_t root, const Text& subkey);

  const Text& RegLastError() const { return last_error_; }

 private:
  // The checks every operation starts with; on success `path` is what goes to the registry.
  bool Begin(std::uint32_t root, const Text& subkey, bool must_exist, Text& path);
  bool HoldsAnything(std::uint32_t root, const Text& path, bool values);

  Registry& registry_;
  Text last_error_;
};

// Deletes, deepest first, each key on the subkey path that holds no subkey and no value: one
// RegDeleteKeyIfEmpty per level, whatever each returns.
void PruneEmptyParentKeys(RegistryOperations& operations, std::uint32_t root, const Text& subkey);

// The paths that pruning hands to RegDeleteKeyIfEmpty, deepest first: the subkey path with a
// backslash appended unless it ends in one, cut after each of its backslashes.
std::vector<Text> PruneLevels(const Text& subkey);

}  // namespace unroll
