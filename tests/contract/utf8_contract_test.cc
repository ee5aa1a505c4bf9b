// The portable UTF-8 decoder gives what MultiByteToWideChar(CP_UTF8, 0) gives, byte for byte.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "platform/win32/win32.h"

namespace unroll {
namespace {

Text WindowsDecode(const std::string& bytes) {
  if (bytes.empty()) return Text{};
  const int size = ::MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  std::vector<wchar_t> out(static_cast<std::size_t>(size));
  ::MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), out.data(), size);
  return FromWide(out.data(), out.size());
}

TEST(Utf8Contract, MatchesMultiByteToWideChar) {
  const std::string cases[] = {
      "abc", "\xC3\xA9", "\xE2\x82\xAC", "\xF0\x9F\x98\x80", "\xEF\xBB\xBFx", "a\xFF" "b",
      "\x80x", "a\xE2\x82", "\xE2\x82x", "\xC0\x80", "\xE0\x80\x80", "\xED\xA0\x80",
      "\xF4\x90\x80\x80", "\xF5\x80", "caf\xE9!", "\xF0\x9F\x98", "\xC3", "\xE0\xA0", "\xC2\xC2\xA9"};
  for (const std::string& bytes : cases) {
    SCOPED_TRACE(testing::PrintToString(bytes));
    EXPECT_EQ(DecodeUtf8(bytes), WindowsDecode(bytes));
  }
  std::mt19937 random(12345);
  const unsigned char alphabet[] = {0x41, 0x7F, 0x80, 0x9F, 0xA0, 0xBF, 0xC0, 0xC2, 0xDF, 0xE0,
                                    0xED, 0xEF, 0xF0, 0xF4, 0xF5, 0xFF};
  for (int i = 0; i < 2000; ++i) {
    std::string bytes;
    const int length = static_cast<int>(random() % 8) + 1;
    for (int j = 0; j < length; ++j) bytes.push_back(static_cast<char>(alphabet[random() % sizeof alphabet]));
    SCOPED_TRACE(testing::PrintToString(bytes));
    ASSERT_EQ(DecodeUtf8(bytes), WindowsDecode(bytes));
  }
}

}  // namespace
}  // namespace unroll
