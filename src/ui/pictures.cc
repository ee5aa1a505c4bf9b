// Picture decoding.
#include "ui/pictures.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <jpeglib.h>

namespace unroll {
namespace {

// libjpeg reports errors through error_exit, which by default ends the process; this one jumps
// back to the decoder instead, so that bad data only fails the decoding.
struct JpegError {
  jpeg_error_mgr manager;
  std::jmp_buf jump;
};

void JumpOnError(j_common_ptr info) { std::longjmp(reinterpret_cast<JpegError*>(info->err)->jump, 1); }
void Quiet(j_common_ptr, int) {}
void QuietMessage(j_common_ptr) {}

std::uint32_t Le32(const std::uint8_t* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
std::uint16_t Le16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }

}  // namespace

bool DecodeJpeg(const std::uint8_t* data, std::size_t size, RgbImage& image) {
  image = RgbImage{};
  if (data == nullptr || size == 0) return false;
  // Everything that needs releasing lives outside the setjmp frame: longjmp skips destructors.
  jpeg_decompress_struct info;
  JpegError error;
  info.err = jpeg_std_error(&error.manager);
  error.manager.error_exit = &JumpOnError;
  error.manager.emit_message = &Quiet;
  error.manager.output_message = &QuietMessage;
  std::vector<std::uint8_t>& pixels = image.pixels;
  if (setjmp(error.jump)) {
    jpeg_destroy_decompress(&info);
    image = RgbImage{};
    return false;
  }
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, const_cast<unsigned char*>(data), static_cast<unsigned long>(size));
  jpeg_read_header(&info, TRUE);
  info.out_color_space = JCS_RGB;
  jpeg_start_decompress(&info);
  if (info.output_components != 3 || info.output_width == 0 || info.output_height == 0 ||
      info.output_width > 16384 || info.output_height > 16384) {
    jpeg_destroy_decompress(&info);
    return false;
  }
  const std::size_t stride = static_cast<std::size_t>(info.output_width) * 3;
  pixels.resize(stride * info.output_height);
  while (info.output_scanline < info.output_height) {
    JSAMPROW row = pixels.data() + stride * info.output_scanline;
    jpeg_read_scanlines(&info, &row, 1);
  }
  image.width = static_cast<int>(info.output_width);
  image.height = static_cast<int>(info.output_height);
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  return true;
}

bool DecodeBmp8(const std::uint8_t* data, std::size_t size, RgbImage& image) {
  image = RgbImage{};
  constexpr std::size_t kFileHeader = 14;
  if (data == nullptr || size < kFileHeader + 40 || data[0] != 0x42 || data[1] != 0x4D) return false;
  const std::uint8_t* info = data + kFileHeader;
  const std::uint32_t info_size = Le32(info);
  const auto width = static_cast<std::int32_t>(Le32(info + 4));
  const auto height = static_cast<std::int32_t>(Le32(info + 8));
  const std::uint16_t bits = Le16(info + 14);
  const std::uint32_t compression = Le32(info + 16);
  std::uint32_t colours = Le32(info + 32);
  if (info_size < 40 || bits != 8 || compression != 0 || width <= 0 || width > 4096 || height == 0 ||
      height > 4096 || height < -4096) {
    return false;
  }
  if (colours == 0 || colours > 256) colours = 256;
  const std::size_t palette_offset = kFileHeader + info_size;
  const std::size_t pixel_offset = Le32(data + 10);
  const std::size_t rows = static_cast<std::size_t>(height < 0 ? -height : height);
  const std::size_t stride = (static_cast<std::size_t>(width) + 3) & ~static_cast<std::size_t>(3);
  if (palette_offset > size || colours * 4 > size - palette_offset || pixel_offset > size ||
      stride * rows > size - pixel_offset) {
    return false;
  }
  image.width = width;
  image.height = static_cast<int>(rows);
  image.pixels.resize(static_cast<std::size_t>(width) * rows * 3);
  for (std::size_t y = 0; y < rows; ++y) {
    // Positive heights store the bottom row first.
    const std::size_t source_row = height > 0 ? rows - 1 - y : y;
    const std::uint8_t* src = data + pixel_offset + source_row * stride;
    std::uint8_t* dst = &image.pixels[y * static_cast<std::size_t>(width) * 3];
    for (std::int32_t x = 0; x < width; ++x) {
      const std::uint32_t index = src[x] < colours ? src[x] : 0;
      const std::uint8_t* quad = data + palette_offset + index * 4;  // blue, green, red, reserved
      dst[x * 3 + 0] = quad[2];
      dst[x * 3 + 1] = quad[1];
      dst[x * 3 + 2] = quad[0];
    }
  }
  return true;
}

}  // namespace unroll
