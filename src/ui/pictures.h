// Decoding the two embedded pictures into plain RGB pixels: the JPEG rule with libjpeg, and the
// 8-bit palette BMP emblem. Both decoders check every size and offset against the data.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace unroll {

struct RgbImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> pixels;  // rows top-down, 3 bytes (R, G, B) per pixel

  const std::uint8_t* At(int x, int y) const { return &pixels[(static_cast<std::size_t>(y) * width + x) * 3]; }
};

// False, with `image` empty, for data that is not a decodable JPEG.
bool DecodeJpeg(const std::uint8_t* data, std::size_t size, RgbImage& image);

// An uncompressed 8-bit BMP with its palette ("BM", BITMAPINFOHEADER, bottom-up or top-down rows
// padded to four bytes), expanded to RGB. False, with `image` empty, for anything else.
bool DecodeBmp8(const std::uint8_t* data, std::size_t size, RgbImage& image);

}  // namespace unroll
