// Small path helpers shared by the main sequence and the self-removal script.
#pragma once

#include "platform/text.h"

namespace unroll {

// The path without a leading "\\?\" long-path prefix.
inline Text WithoutLongPathPrefix(const Text& path) {
  return path.compare(0, 4, u"\\\\?\\") == 0 ? path.substr(4) : path;
}

}  // namespace unroll
