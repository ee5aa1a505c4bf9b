// Builds uninstall-log bytes for tests: marker, header lines, StepTotal and record lines.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace unroll::testing {

inline std::string Int32Bytes(std::int32_t value) {
  const auto v = static_cast<std::uint32_t>(value);
  return std::string{static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF),
                     static_cast<char>((v >> 16) & 0xFF), static_cast<char>((v >> 24) & 0xFF)};
}

struct LogBytes {
  std::string app_name = "Editor";
  std::string header_string2;
  std::string follow_up;
  std::string install_folder;
  std::int32_t step_total = 0;
  std::vector<std::string> lines;  // record lines, each written with CR LF

  std::string Build() const {
    std::string out = Int32Bytes(7);
    for (const std::string* s : {&app_name, &header_string2, &follow_up, &install_folder}) {
      out += *s + "\r\n";
    }
    out += Int32Bytes(step_total);
    for (const std::string& line : lines) out += line + "\r\n";
    return out;
  }
};

}  // namespace unroll::testing
