// One "#DRV" record's registry work, shared by the host benchmark and the Win32 timing run: a
// value below a four-level key chain is deleted and the emptied chain pruned.
#pragma once

#include "registry/registry_operations.h"

namespace unroll::bench {

constexpr std::uint32_t kHkcu = 0x80000001u;
inline constexpr char16_t kRecordKey[] = u"Software\\UnrollBench\\Vendor\\App\\Settings";

inline void RemoveOneRecord(RegistryOperations& ops) {
  (void)ops.RegDeleteValueChecked(kHkcu, kRecordKey, u"Theme");
  PruneEmptyParentKeys(ops, kHkcu, kRecordKey);
}

}  // namespace unroll::bench
