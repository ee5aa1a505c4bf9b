// UTF-8 decoding as MultiByteToWideChar(CP_UTF8, 0) does it, and encoding back.
#include <gtest/gtest.h>

#include "platform/text.h"

namespace unroll {
namespace {

struct DecodeCase {
  const char* name;
  std::string bytes;
  Text expected;
};

TEST(DecodeUtf8, TableOfSequences) {
  const DecodeCase cases[] = {
      {"ascii", "abc", u"abc"},
      {"two bytes", "\xC3\xA9", u"\u00E9"},
      {"three bytes", "\xE2\x82\xAC", u"\u20AC"},
      {"four bytes", "\xF0\x9F\x98\x80", u"\U0001F600"},
      {"byte-order mark kept", "\xEF\xBB\xBFx", u"\uFEFFx"},
      {"lone FF", "a\xFF" "b", u"a\uFFFDb"},
      {"stray continuation", "\x80x", u"\uFFFDx"},
      {"truncated at end", "a\xE2\x82", u"a\uFFFD"},
      {"truncated before ascii", "\xE2\x82x", u"\uFFFDx"},
      {"overlong two bytes", "\xC0\x80", u"\uFFFD\uFFFD"},
      {"overlong three bytes", "\xE0\x80\x80", u"\uFFFD\uFFFD\uFFFD"},
      {"encoded surrogate", "\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},
      {"above U+10FFFF", "\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},
      {"F5 lead", "\xF5\x80", u"\uFFFD\uFFFD"},
      {"embedded latin-1 word", "caf\xE9!", u"caf\uFFFD!"},
  };
  for (const DecodeCase& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(DecodeUtf8(c.bytes), c.expected);
  }
}

TEST(EncodeUtf8, RoundTripsAndReplacesLoneSurrogates) {
  const Text text = u"a\u00E9\u20AC\U0001F600";
  EXPECT_EQ(DecodeUtf8(EncodeUtf8(text)), text);
  EXPECT_EQ(EncodeUtf8(Text(1, char16_t{0xD800})), "\xEF\xBF\xBD");
  EXPECT_EQ(EncodeUtf8(Text(1, char16_t{0xDC00}) + u"x"), "\xEF\xBF\xBDx");
}

}  // namespace
}  // namespace unroll
