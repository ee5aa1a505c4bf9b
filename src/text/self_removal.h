// The hidden script that removes the uninstaller's program file and the application folder.
#pragma once

#include "platform/services.h"

namespace unroll {

// Writes and starts the self-removal script for `folder` (empty: remove no folder).
// Not yet written: for now the program file and the folder stay.
void SelfRemovalScript(Services& services, const Text& folder);

}  // namespace unroll
