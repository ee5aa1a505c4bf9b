// Progress window arithmetic.
#include "ui/layout.h"

namespace unroll {

int MulDiv(int a, int b, int c) {
  if (c == 0) return -1;
  long long product = static_cast<long long>(a) * b;
  long long divisor = c;
  const bool negative = (product < 0) != (divisor < 0);
  if (product < 0) product = -product;
  if (divisor < 0) divisor = -divisor;
  const long long magnitude = (product + divisor / 2) / divisor;
  return static_cast<int>(negative ? -magnitude : magnitude);
}

Placement CentreOnScreen(int outer_width, int outer_height, int screen_width, int screen_height) {
  Placement p{0, 0, outer_width, outer_height};
  if (p.width > screen_width) p.width = screen_width;
  if (p.height > screen_height) p.height = screen_height;
  p.x = (screen_width - p.width) / 2;
  p.y = (screen_height - p.height) / 2;
  return p;
}

void ProgressThrottle::Reset(std::int32_t maximum, int bar_width) {
  *this = ProgressThrottle{};
  maximum_ = maximum;
  bar_width_ = bar_width > 0 ? bar_width : 1;
}

long long ProgressThrottle::Pixel(std::int32_t position) const {
  if (maximum_ <= 0) return position >= maximum_ ? bar_width_ : 0;
  const long long clamped = position < 0 ? 0 : (position > maximum_ ? maximum_ : position);
  return clamped * bar_width_ / maximum_;
}

bool ProgressThrottle::ShouldSend(std::int32_t position, std::uint32_t now_ms, bool final) {
  const bool reaches = position >= maximum_;
  bool send;
  if (!sent_any_ || final || (reaches && !reached_maximum_)) {
    send = true;
  } else {
    send = Pixel(position) != last_pixel_ && now_ms - last_time_ >= kIntervalMs;
  }
  if (send) {
    sent_any_ = true;
    reached_maximum_ = reached_maximum_ || reaches;
    last_pixel_ = Pixel(position);
    last_time_ = now_ms;
  }
  return send;
}

}  // namespace unroll
