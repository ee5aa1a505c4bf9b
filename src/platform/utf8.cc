// UTF-8 <-> UTF-16 conversions that match the Windows converters byte for byte.
#include "platform/text.h"

namespace unroll {

void DecodeUtf8(const char* bytes, std::size_t size, Text& out) {
  out.clear();
  const auto* p = reinterpret_cast<const unsigned char*>(bytes);
  const auto* end = p + size;
  while (p < end) {
    const unsigned char lead = *p;
    if (lead < 0x80) {
      // Runs of ASCII are the common case in logs: copy them without further tests.
      const auto* run = p;
      while (p < end && *p < 0x80) ++p;
      out.append(run, p);
      continue;
    }
    // Expected continuation count and the allowed range of the first continuation byte
    // (the ranges exclude overlong forms, surrogates and values above U+10FFFF).
    int need;
    unsigned char lo = 0x80, hi = 0xBF;
    char32_t cp;
    if (lead >= 0xC2 && lead <= 0xDF) {
      need = 1; cp = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      need = 2; cp = lead & 0x0F;
      if (lead == 0xE0) lo = 0xA0;
      if (lead == 0xED) hi = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      need = 3; cp = lead & 0x07;
      if (lead == 0xF0) lo = 0x90;
      if (lead == 0xF4) hi = 0x8F;
    } else {
      out.push_back(u'\uFFFD');
      ++p;
      continue;
    }
    ++p;
    bool complete = true;
    for (int i = 0; i < need; ++i) {
      if (p == end || *p < lo || *p > hi) {
        complete = false;
        break;
      }
      cp = (cp << 6) | (*p & 0x3F);
      ++p;
      lo = 0x80;
      hi = 0xBF;
    }
    if (!complete) {
      out.push_back(u'\uFFFD');
    } else if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
  }
}

void EncodeUtf8(const Text& text, std::vector<char>& out) {
  out.reserve(out.size() + text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t cp = text[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = 0xFFFD;
    }
    if (cp < 0x80) {
      out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
  }
}

}  // namespace unroll
