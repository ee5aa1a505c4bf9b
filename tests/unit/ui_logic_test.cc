// The progress window's portable half: the embedded pictures decode as they should, bad picture
// data fails cleanly, and the font, placement and throttling arithmetic.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

#include "ui/layout.h"
#include "ui/pictures.h"

namespace unroll {
namespace {

std::vector<std::uint8_t> ReadResource(const char* name) {
  std::ifstream in(std::string(UNROLL_SOURCE_DIR) + "/resources/" + name, std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void ExpectNear(const std::uint8_t* rgb, int r, int g, int b, int tolerance) {
  EXPECT_LE(std::abs(rgb[0] - r), tolerance);
  EXPECT_LE(std::abs(rgb[1] - g), tolerance);
  EXPECT_LE(std::abs(rgb[2] - b), tolerance);
}

TEST(Pictures, EmbeddedRuleDecodesTo497By2WithItsTwoRows) {
  const auto jpeg = ReadResource("rule.jpg");
  ASSERT_FALSE(jpeg.empty());
  RgbImage image;
  ASSERT_TRUE(DecodeJpeg(jpeg.data(), jpeg.size(), image));
  ASSERT_EQ(image.width, 497);
  ASSERT_EQ(image.height, 2);
  for (int x : {0, 248, 496}) {
    SCOPED_TRACE(x);
    ExpectNear(image.At(x, 0), 168, 168, 160, 6);
    ExpectNear(image.At(x, 1), 255, 255, 248, 6);
  }
}

TEST(Pictures, EmbeddedEmblemIs55By55OnWhite) {
  const auto bmp = ReadResource("emblem.bmp");
  ASSERT_EQ(bmp.size(), 4158u);
  RgbImage image;
  ASSERT_TRUE(DecodeBmp8(bmp.data(), bmp.size(), image));
  ASSERT_EQ(image.width, 55);
  ASSERT_EQ(image.height, 55);
  ExpectNear(image.At(0, 0), 255, 255, 255, 0);
  ExpectNear(image.At(54, 54), 255, 255, 255, 0);
}

// A 3 x 2 BMP, bottom-up, with three palette colours.
std::vector<std::uint8_t> TinyBmp() {
  std::vector<std::uint8_t> b(14 + 40 + 3 * 4 + 2 * 4, 0);
  auto put32 = [&](std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
  };
  b[0] = 'B';
  b[1] = 'M';
  put32(2, static_cast<std::uint32_t>(b.size()));
  put32(10, 14 + 40 + 12);
  put32(14, 40);
  put32(18, 3);
  put32(22, 2);
  b[26] = 1;
  b[28] = 8;
  put32(46, 3);
  const std::uint8_t palette[] = {0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 0};  // red, green, blue
  std::copy(std::begin(palette), std::end(palette), b.begin() + 54);
  const std::uint8_t rows[] = {2, 2, 2, 0, 0, 1, 2, 0};  // bottom row blue; top row red, green, blue
  std::copy(std::begin(rows), std::end(rows), b.begin() + 66);
  return b;
}

TEST(Pictures, BmpPaletteExpandsTopDown) {
  const auto bmp = TinyBmp();
  RgbImage image;
  ASSERT_TRUE(DecodeBmp8(bmp.data(), bmp.size(), image));
  ASSERT_EQ(image.width, 3);
  ASSERT_EQ(image.height, 2);
  ExpectNear(image.At(0, 0), 255, 0, 0, 0);
  ExpectNear(image.At(1, 0), 0, 255, 0, 0);
  ExpectNear(image.At(2, 0), 0, 0, 255, 0);
  ExpectNear(image.At(0, 1), 0, 0, 255, 0);
}

TEST(Pictures, BadDataFailsWithoutReadingPastIt) {
  auto bmp = TinyBmp();
  RgbImage image;
  for (std::size_t cut = 0; cut < bmp.size(); ++cut) {
    EXPECT_FALSE(DecodeBmp8(bmp.data(), cut, image)) << cut;
  }
  bmp[28] = 24;  // not an 8-bit picture
  EXPECT_FALSE(DecodeBmp8(bmp.data(), bmp.size(), image));
  const auto jpeg = ReadResource("rule.jpg");
  for (std::size_t cut : {std::size_t{0}, std::size_t{2}}) {
    EXPECT_FALSE(DecodeJpeg(jpeg.data(), cut, image)) << cut;
    EXPECT_TRUE(image.pixels.empty());
  }
  // libjpeg takes a picture that ends early as a warning and fills in the rest; either way
  // nothing is read past the data.
  if (DecodeJpeg(jpeg.data(), jpeg.size() / 3, image)) {
    EXPECT_EQ(image.pixels.size(), 497u * 2 * 3);
  }
  const std::uint8_t garbage[] = {0xFF, 0xD8, 0x00, 0x01, 0x02};
  EXPECT_FALSE(DecodeJpeg(garbage, sizeof garbage, image));
}

TEST(Layout, FontHeights) {
  EXPECT_EQ(FontHeight(8, 96), -11);
  EXPECT_EQ(FontHeight(8, 120), -13);
  EXPECT_EQ(FontHeight(8, 144), -16);
  EXPECT_EQ(MulDiv(-8, 96, 72), -11);
  EXPECT_EQ(MulDiv(1, 1, 0), -1);
}

TEST(Layout, CentringAndCuttingToTheScreen) {
  struct Case {
    int screen_width, screen_height;
    Placement expected;
  } cases[] = {
      {1280, 1024, {387, 320, 505, 384}},
      {505, 384, {0, 0, 505, 384}},
      {400, 1024, {0, 320, 400, 384}},
      {1280, 300, {387, 0, 505, 300}},
      {506, 385, {0, 0, 505, 384}},  // (1 / 2) rounds toward zero
  };
  for (const Case& c : cases) {
    const Placement p = CentreOnScreen(505, 384, c.screen_width, c.screen_height);
    EXPECT_EQ(std::make_tuple(p.x, p.y, p.width, p.height),
              std::make_tuple(c.expected.x, c.expected.y, c.expected.width, c.expected.height))
        << c.screen_width << "x" << c.screen_height;
  }
}

TEST(ProgressThrottle, SendsOnlyVisibleChangesAtMostEvery30Ms) {
  ProgressThrottle throttle;
  throttle.Reset(20000, 447);
  std::uint32_t now = 1000;
  int sent = 0;
  bool full_sent = false;
  std::uint32_t last = 0;
  for (std::int32_t position = 1; position <= 25000; ++position) {
    now += position % 10 == 0 ? 1 : 0;  // 0.1 ms a record
    if (throttle.ShouldSend(position, now)) {
      ++sent;
      if (position == 20000) full_sent = true;
      if (position != 1 && position != 20000) {
        EXPECT_GE(now - last, 30u) << position;
      }
      EXPECT_LE(position, 20000);  // beyond the maximum the bar cannot change
      last = now;
    }
  }
  EXPECT_TRUE(full_sent);      // the first position that reaches the maximum
  EXPECT_LT(sent, 120);        // about 2.5 s of replay at one position per 30 ms
  EXPECT_TRUE(throttle.ShouldSend(20000, now, true));  // the final position, always

  throttle.Reset(0, 447);  // StepTotal 0: the first position is also the one that fills the bar
  EXPECT_TRUE(throttle.ShouldSend(1, 0));
  EXPECT_FALSE(throttle.ShouldSend(2, 100));
  EXPECT_TRUE(throttle.ShouldSend(0, 100, true));
}

}  // namespace
}  // namespace unroll
