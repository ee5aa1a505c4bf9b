// The arithmetic of the progress window: font heights, placement on the screen, and when a
// progress position is worth sending to the bar.
#pragma once

#include <cstdint>

namespace unroll {

// MulDiv: a * b / c rounded to the nearest integer, halves away from zero; -1 when c is 0.
int MulDiv(int a, int b, int c);

// The character height CreateFontW takes for a point size at a display's dots per inch:
// 8 points at 96 dpi give -11.
inline int FontHeight(int points, int dots_per_inch) { return -MulDiv(points, dots_per_inch, 72); }

struct Placement {
  int x, y, width, height;
};

// Centres a window of the given outer size on a screen, cut to the screen where it is larger.
Placement CentreOnScreen(int outer_width, int outer_height, int screen_width, int screen_height);

// Sends a position to a shown progress bar only when the bar would change visibly, at most about
// every 30 ms. The first position, the first one that reaches the maximum, and a final position
// are always sent.
class ProgressThrottle {
 public:
  static constexpr std::uint32_t kIntervalMs = 30;

  // `bar_width` in pixels; `maximum` is the bar's upper limit (its lower one is 0).
  void Reset(std::int32_t maximum, int bar_width);
  bool ShouldSend(std::int32_t position, std::uint32_t now_ms, bool final = false);

 private:
  long long Pixel(std::int32_t position) const;

  std::int32_t maximum_ = 0;
  int bar_width_ = 1;
  bool sent_any_ = false;
  bool reached_maximum_ = false;
  long long last_pixel_ = 0;
  std::uint32_t last_time_ = 0;
};

}  // namespace unroll
