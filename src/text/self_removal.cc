// Self-removal script.
#include "text/self_removal.h"

namespace unroll {

void SelfRemovalScript(Services& services, const Text& folder) {
  (void)services;
  (void)folder;
}

}  // namespace unroll
