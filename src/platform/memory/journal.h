// An ordered record of the calls made to the in-memory services, for tests that check order.
#pragma once

#include <string>
#include <vector>

#include "platform/text.h"

namespace unroll {

struct Journal {
  std::vector<std::string> entries;
  void Add(std::string entry) { entries.push_back(std::move(entry)); }
};

// Narrow form of a text for journal entries and test messages.
inline std::string Narrow(const Text& text) { return EncodeUtf8(text); }

}  // namespace unroll
