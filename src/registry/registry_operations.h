// Registry removal: the checked delete operations and the pruning of emptied parent keys.
#pragma once

#include <cstdint>

#include "platform/services.h"

namespace unroll {

// For now these change nothing and report failure; the registry comes next.
bool RegDeleteValueChecked(std::uint32_t root, const Text& subkey, const Text& value_name);
bool RegDeleteKeyChecked(std::uint32_t root, const Text& subkey);
void PruneEmptyParentKeys(std::uint32_t root, const Text& subkey);

}  // namespace unroll
