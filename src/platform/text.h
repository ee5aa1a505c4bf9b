// UTF-16 text as the system holds it, and the UTF-8 conversions of its data files.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace unroll {

// Every string inside the uninstaller is UTF-16, as on Windows (wchar_t is 16 bits there,
// 32 bits on Linux, so the portable code uses char16_t).
using Text = std::u16string;

// Decodes UTF-8 the way MultiByteToWideChar(CP_UTF8, 0, ...) does: never fails; each maximal
// invalid subsequence (stray continuation byte, truncated or overlong sequence, encoded surrogate,
// code point above U+10FFFF) becomes one U+FFFD. The result replaces `out`'s contents and reuses
// its capacity.
void DecodeUtf8(const char* bytes, std::size_t size, Text& out);

// Encodes UTF-16 as UTF-8, appending to `out`; a lone surrogate becomes U+FFFD (EF BF BD), as
// WideCharToMultiByte does.
void EncodeUtf8(const Text& text, std::vector<char>& out);

// std::string forms for tests and tools. They stay inline: std::string's code in libstdc++ comes
// with exception tables that would pull the unwinder into the exe.
inline Text DecodeUtf8(const std::string& bytes) {
  Text out;
  DecodeUtf8(bytes.data(), bytes.size(), out);
  return out;
}
inline std::string EncodeUtf8(const Text& text) {
  std::vector<char> out;
  EncodeUtf8(text, out);
  return std::string(out.begin(), out.end());
}

}  // namespace unroll
