// UTF-16 text as the system holds it, and the UTF-8 conversions of its data files.
#pragma once

#include <cstddef>
#include <string>

namespace unroll {

// Every string inside the uninstaller is UTF-16, as on Windows (wchar_t is 16 bits there,
// 32 bits on Linux, so the portable code uses char16_t).
using Text = std::u16string;

// Decodes UTF-8 the way MultiByteToWideChar(CP_UTF8, 0, ...) does: never fails; each maximal
// invalid subsequence (stray continuation byte, truncated or overlong sequence, encoded surrogate,
// code point above U+10FFFF) becomes one U+FFFD. The result replaces `out`'s contents and reuses
// its capacity.
void DecodeUtf8(const char* bytes, std::size_t size, Text& out);
Text DecodeUtf8(const std::string& bytes);

// Encodes UTF-16 as UTF-8; a lone surrogate becomes U+FFFD (EF BF BD), as WideCharToMultiByte does.
std::string EncodeUtf8(const Text& text);

}  // namespace unroll
