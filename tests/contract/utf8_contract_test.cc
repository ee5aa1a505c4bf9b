// The portable UTF-8 decoder gives what MultiByteToWideChar(CP_UTF8, 0) gives, byte for byte.
#include <gtest/gtest.h>

#include <cstdio>
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

struct Case {
  std::string bytes;
  // Where Wine 8 decodes differently from Windows, what Wine gives; the decoder follows Windows.
  const char16_t* wine_divergence;
};

TEST(Utf8Contract, MatchesMultiByteToWideChar) {
  const Case cases[] = {
      {"abc", nullptr}, {"\xC3\xA9", nullptr}, {"\xE2\x82\xAC", nullptr},
      {"\xF0\x9F\x98\x80", nullptr}, {"\xEF\xBB\xBFx", nullptr}, {"a\xFF" "b", nullptr},
      {"\x80x", nullptr}, {"a\xE2\x82", nullptr}, {"\xE2\x82x", nullptr},
{"\xF5\x80", nullptr}, {"\xF0\x9F\x98", nullptr},
      {"\xC3", nullptr}, {"\xE0\xA0", nullptr}, {"\xC2\xC2\xA9", nullptr},
      // Wine takes an invalid lead byte together with the bytes it announces, ASCII included.
      {"\xC0\x80", u"\uFFFD"},
      {"\xED\xA0\x80", u"\uFFFD\uFFFD"},
      {"\xE0\x80\x80", u"\uFFFD\uFFFD"},
      {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD"},
      {"caf\xE9!", u"caf\uFFFD"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.bytes));
    const Text system = WindowsDecode(c.bytes);
    if (c.wine_divergence != nullptr && system == c.wine_divergence) {
      std::printf("known Wine divergence: %s\n", testing::PrintToString(c.bytes).c_str());
      continue;
    }
    EXPECT_EQ(DecodeUtf8(c.bytes), system);
  }
}

}  // namespace
}  // namespace unroll
