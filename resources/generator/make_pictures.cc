// make_pictures: draws the pictures uninstall.exe embeds and writes them in their file formats.
//
//   make_pictures DIR          writes DIR/rule.jpg, DIR/emblem.bmp and DIR/uninstall.ico
//   make_pictures --check DIR  exits 1 unless the files in DIR are exactly what this program draws
//
// The drawing uses only correctly rounded arithmetic (+ - * /, sqrt, floor; sine comes from its
// own series, blurs from binomial weights), so the BMP and the ICO come out byte for byte the same on any IEEE machine;
// the JPEG also depends on the libjpeg build, and its decoded colours are checked on every run.

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <functional>
#include <iostream>
#include <iterator>
#include <limits>
#include <map>
#include <string>
#include <vector>

extern "C" {
#include <jpeglib.h>
}

namespace {

using Bytes = std::vector<std::uint8_t>;

// ---------------------------------------------------------------------------------------------
// Arithmetic

constexpr double kPi = 3.14159265358979323846;

double Sine(double x) {
  x -= std::floor(x / (2 * kPi) + 0.5) * (2 * kPi);  // now |x| <= pi
  double term = x;
  double sum = x;
  for (int n = 1; n <= 13; ++n) {
    term *= -x * x / ((2.0 * n) * (2.0 * n + 1));
    sum += term;
  }
  return sum;
}

double Cosine(double x) { return Sine(x + kPi / 2); }

double Radians(double degrees) { return degrees * kPi / 180; }

double Clamp01(double v) { return v < 0 ? 0 : (v > 1 ? 1 : v); }

double SmoothStep(double edge0, double edge1, double x) {
  const double t = Clamp01((x - edge0) / (edge1 - edge0));
  return t * t * (3 - 2 * t);
}

double Power(double base, int exponent) {
  double result = 1;
  for (int i = 0; i < exponent; ++i) result *= base;
  return result;
}

struct Vec {
  double x;
  double y;
};

Vec operator+(Vec a, Vec b) { return {a.x + b.x, a.y + b.y}; }
Vec operator-(Vec a, Vec b) { return {a.x - b.x, a.y - b.y}; }
Vec operator*(Vec a, double s) { return {a.x * s, a.y * s}; }
double Dot(Vec a, Vec b) { return a.x * b.x + a.y * b.y; }
double Length(Vec a) { return std::sqrt(Dot(a, a)); }
Vec Polar(Vec centre, double radius, double degrees) {
  const double a = Radians(degrees);
  return {centre.x + radius * Cosine(a), centre.y + radius * Sine(a)};
}

struct Vec3 {
  double x;
  double y;
  double z;
};

double Dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Vec3 Normalised(Vec3 v) {
  const double length = std::sqrt(Dot(v, v));
  return {v.x / length, v.y / length, v.z / length};
}

// Light for every shaded surface: from the upper left, in front of the picture.
const Vec3 kLight = Normalised({-0.45, -0.62, 0.64});
const Vec3 kHalfway = Normalised({kLight.x, kLight.y, kLight.z + 1});

// Colour with channels in 0..1.
struct Rgb {
  double r;
  double g;
  double b;
};

Rgb Colour(int r, int g, int b) { return {r / 255.0, g / 255.0, b / 255.0}; }
Rgb Mix(Rgb a, Rgb b, double t) {
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}
Rgb Scaled(Rgb c, double s) { return {c.r * s, c.g * s, c.b * s}; }
Rgb Sum(Rgb a, Rgb b) { return {a.r + b.r, a.g + b.g, a.b + b.b}; }

const Rgb kWhite = {1, 1, 1};

// ---------------------------------------------------------------------------------------------
// Shapes as signed distances in pixels: negative inside.

double SegmentDistance(Vec p, Vec a, Vec b) {
  const Vec ab = b - a;
  const double t = Clamp01(Dot(p - a, ab) / Dot(ab, ab));
  return Length(p - (a + ab * t));
}

struct Polygon {
  std::vector<Vec> points;
  std::vector<int> edge_tags;  // edge i runs from point i to point i + 1; tags name its side
  Vec low{0, 0};
  Vec high{0, 0};

  void Add(Vec p, int tag = 0) {
    points.push_back(p);
    edge_tags.push_back(tag);
  }
  void Close() {
    low = high = points.front();
    for (const Vec& p : points) {
      low = {std::min(low.x, p.x), std::min(low.y, p.y)};
      high = {std::max(high.x, p.x), std::max(high.y, p.y)};
    }
  }
};

constexpr double kFar = 1e9;

// Signed distance to the polygon (even-odd rule). With `by_tag`, also the distance to the
// nearest edge of each tag 0..2.
double PolygonDistance(const Polygon& polygon, Vec p, std::array<double, 3>* by_tag = nullptr) {
  const double margin = 8;
  if (by_tag == nullptr && (p.x < polygon.low.x - margin || p.x > polygon.high.x + margin ||
                            p.y < polygon.low.y - margin || p.y > polygon.high.y + margin)) {
    return margin;
  }
  if (by_tag != nullptr) by_tag->fill(kFar);
  double nearest = kFar;
  bool inside = false;
  const size_t count = polygon.points.size();
  for (size_t i = 0; i < count; ++i) {
    const Vec a = polygon.points[i];
    const Vec b = polygon.points[(i + 1) % count];
    const double d = SegmentDistance(p, a, b);
    nearest = std::min(nearest, d);
    if (by_tag != nullptr) {
      double& slot = (*by_tag)[static_cast<size_t>(polygon.edge_tags[i])];
      slot = std::min(slot, d);
    }
    if ((a.y > p.y) != (b.y > p.y) && p.x < a.x + (p.y - a.y) * (b.x - a.x) / (b.y - a.y)) {
      inside = !inside;
    }
  }
  return inside ? -nearest : nearest;
}

double RoundedBoxDistance(Vec p, Vec low, Vec high, double radius) {
  const Vec centre = (low + high) * 0.5;
  const Vec half = (high - low) * 0.5;
  const double qx = std::fabs(p.x - centre.x) - (half.x - radius);
  const double qy = std::fabs(p.y - centre.y) - (half.y - radius);
  const double outside = Length({std::max(qx, 0.0), std::max(qy, 0.0)});
  return outside + std::min(std::max(qx, qy), 0.0) - radius;
}

// ---------------------------------------------------------------------------------------------
// Rendering: every pixel averages samples x samples points of a scene.

// A scene gives the colour at a point, or false where it shows nothing.
using Scene = std::function<bool(Vec, Rgb*)>;

struct Image {
  int width = 0;
  int height = 0;
  std::vector<Rgb> colour;     // premultiplied by alpha
  std::vector<double> alpha;   // coverage 0..1

  Image(int w, int h)
      : width(w), height(h), colour(static_cast<size_t>(w * h), Rgb{0, 0, 0}),
        alpha(static_cast<size_t>(w * h), 0) {}
  size_t At(int x, int y) const { return static_cast<size_t>(y * width + x); }
};

Image Render(int width, int height, int samples, const Scene& scene) {
  Image image(width, height);
  const double weight = 1.0 / (samples * samples);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      Rgb sum{0, 0, 0};
      int hits = 0;
      for (int sy = 0; sy < samples; ++sy) {
        for (int sx = 0; sx < samples; ++sx) {
          const Vec p{x + (sx + 0.5) / samples, y + (sy + 0.5) / samples};
          Rgb c;
          if (scene(p, &c)) {
            sum = Sum(sum, c);
            ++hits;
          }
        }
      }
      image.colour[image.At(x, y)] = Scaled(sum, weight);
      image.alpha[image.At(x, y)] = hits * weight;
    }
  }
  return image;
}

// A painted shape: fill inside, a band of outline colour along the inner side of its edge.
struct Layer {
  std::function<double(Vec)> distance;
  std::function<Rgb(Vec)> fill;
  Rgb outline{0, 0, 0};
  double outline_width = 0;
};

Scene Layers(std::vector<Layer> layers) {
  return [layers = std::move(layers)](Vec p, Rgb* out) {
    bool hit = false;
    for (const Layer& layer : layers) {
      const double d = layer.distance(p);
      if (d < 0) {
        *out = d > -layer.outline_width ? layer.outline : layer.fill(p);
        hit = true;
      }
    }
    return hit;
  };
}

// ---------------------------------------------------------------------------------------------
// 8-bit colours and palettes

struct Pixel {
  std::uint8_t r = 0;
  std::uint8_t g = 0;
  std::uint8_t b = 0;
  std::uint32_t Key() const { return static_cast<std::uint32_t>(r << 16 | g << 8 | b); }
  bool operator==(const Pixel& o) const { return Key() == o.Key(); }
};

std::uint8_t Channel(double v) { return static_cast<std::uint8_t>(std::floor(Clamp01(v) * 255 + 0.5)); }
Pixel ToPixel(Rgb c) { return {Channel(c.r), Channel(c.g), Channel(c.b)}; }

// Brightness counts twice as much as hue, so a grey never turns into a dark olive or teal.
int ColourDistance(Pixel a, Pixel b) {
  const int luma_a = 3 * a.r + 6 * a.g + a.b;
  const int luma_b = 3 * b.r + 6 * b.g + b.b;
  const int dy = luma_a - luma_b;
  const int dr = (10 * a.r - luma_a) - (10 * b.r - luma_b);
  const int db = (10 * a.b - luma_a) - (10 * b.b - luma_b);
  return 2 * dy * dy + dr * dr + db * db;
}

size_t Nearest(const std::vector<Pixel>& palette, Pixel p) {
  size_t best = 0;
  int best_distance = std::numeric_limits<int>::max();
  for (size_t i = 0; i < palette.size(); ++i) {
    const int d = ColourDistance(palette[i], p);
    if (d < best_distance) {
      best = i;
      best_distance = d;
    }
  }
  return best;
}

struct Counted {
  Pixel colour;
  int count;
};

std::uint8_t Get(Pixel p, int channel) { return channel == 0 ? p.r : (channel == 1 ? p.g : p.b); }

// Up to `size` colours for `pixels`: median cut, then a few rounds of k-means to settle them.
std::vector<Pixel> MedianCut(const std::vector<Pixel>& pixels, size_t size) {
  std::map<std::uint32_t, int> histogram;
  for (const Pixel& p : pixels) ++histogram[p.Key()];
  std::vector<Counted> colours;
  for (const auto& [key, count] : histogram) {
    colours.push_back({{static_cast<std::uint8_t>(key >> 16), static_cast<std::uint8_t>(key >> 8 & 0xff),
                        static_cast<std::uint8_t>(key & 0xff)},
                       count});
  }
  if (colours.size() <= size) {
    std::vector<Pixel> palette;
    for (const Counted& c : colours) palette.push_back(c.colour);
    return palette;
  }

  struct Box {
    std::vector<Counted> colours;
    int channel = 0;  // widest channel
    int range = 0;
    long total = 0;
  };
  auto measure = [](Box& box) {
    box.range = -1;
    box.total = 0;
    for (int channel = 0; channel < 3; ++channel) {
      int low = 255;
      int high = 0;
      for (const Counted& c : box.colours) {
        low = std::min<int>(low, Get(c.colour, channel));
        high = std::max<int>(high, Get(c.colour, channel));
      }
      if (high - low > box.range) {
        box.range = high - low;
        box.channel = channel;
      }
    }
    for (const Counted& c : box.colours) box.total += c.count;
  };
  std::vector<Box> boxes(1);
  boxes[0].colours = colours;
  measure(boxes[0]);
  while (boxes.size() < size) {
    size_t pick = boxes.size();
    double best = -1;
    for (size_t i = 0; i < boxes.size(); ++i) {
      const double score = static_cast<double>(boxes[i].range) * std::sqrt(static_cast<double>(boxes[i].total));
      if (boxes[i].colours.size() > 1 && score > best) {
        best = score;
        pick = i;
      }
    }
    if (pick == boxes.size()) break;
    Box& box = boxes[pick];
    const int channel = box.channel;
    std::sort(box.colours.begin(), box.colours.end(), [channel](const Counted& a, const Counted& b) {
      const int ca = Get(a.colour, channel);
      const int cb = Get(b.colour, channel);
      return ca != cb ? ca < cb : a.colour.Key() < b.colour.Key();
    });
    long running = 0;
    size_t cut = 1;
    for (; cut < box.colours.size() - 1; ++cut) {
      running += box.colours[cut - 1].count;
      if (2 * running >= box.total) break;
    }
    Box upper;
    upper.colours.assign(box.colours.begin() + static_cast<long>(cut), box.colours.end());
    box.colours.resize(cut);
    measure(box);
    measure(upper);
    boxes.push_back(std::move(upper));
  }

  std::vector<Pixel> palette;
  for (const Box& box : boxes) {
    double r = 0, g = 0, b = 0;
    for (const Counted& c : box.colours) {
      r += c.colour.r * c.count;
      g += c.colour.g * c.count;
      b += c.colour.b * c.count;
    }
    const double n = static_cast<double>(box.total);
    palette.push_back(ToPixel(Scaled({r, g, b}, 1 / (255 * n))));
  }
  for (int round = 0; round < 6; ++round) {
    std::vector<std::array<double, 4>> sums(palette.size(), {0, 0, 0, 0});
    for (const Counted& c : colours) {
      auto& s = sums[Nearest(palette, c.colour)];
      s[0] += c.colour.r * c.count;
      s[1] += c.colour.g * c.count;
      s[2] += c.colour.b * c.count;
      s[3] += c.count;
    }
    for (size_t i = 0; i < palette.size(); ++i) {
      if (sums[i][3] > 0) palette[i] = ToPixel(Scaled({sums[i][0], sums[i][1], sums[i][2]}, 1 / (255 * sums[i][3])));
    }
  }
  return palette;
}

// ---------------------------------------------------------------------------------------------
// Little-endian file building

void Put16(Bytes& out, unsigned v) {
  out.push_back(static_cast<std::uint8_t>(v & 0xff));
  out.push_back(static_cast<std::uint8_t>(v >> 8 & 0xff));
}

void Put32(Bytes& out, std::uint32_t v) {
  Put16(out, v & 0xffff);
  Put16(out, v >> 16);
}

void PutInfoHeader(Bytes& out, int width, int height, int bits, std::uint32_t image_size,
                   std::uint32_t pixels_per_metre) {
  Put32(out, 40);
  Put32(out, static_cast<std::uint32_t>(width));
  Put32(out, static_cast<std::uint32_t>(height));
  Put16(out, 1);  // planes
  Put16(out, static_cast<unsigned>(bits));
  Put32(out, 0);  // BI_RGB
  Put32(out, image_size);
  Put32(out, pixels_per_metre);
  Put32(out, pixels_per_metre);
  Put32(out, 0);  // colours used: all 2^bits
  Put32(out, 0);  // colours important: all
}

void PutPalette(Bytes& out, const std::vector<Pixel>& palette, size_t entries) {
  for (size_t i = 0; i < entries; ++i) {
    const Pixel p = i < palette.size() ? palette[i] : Pixel{};
    out.insert(out.end(), {p.b, p.g, p.r, 0});
  }
}

size_t RowBytes(int width, int bits) { return static_cast<size_t>((width * bits + 31) / 32 * 4); }

// Palette indices, rows from the bottom up, each row padded to four bytes.
void PutIndexedRows(Bytes& out, const std::vector<std::uint8_t>& indices, int width, int height, int bits) {
  for (int y = height - 1; y >= 0; --y) {
    Bytes row(RowBytes(width, bits), 0);
    for (int x = 0; x < width; ++x) {
      const unsigned index = indices[static_cast<size_t>(y * width + x)];
      const size_t bit = static_cast<size_t>(x * bits);
      row[bit / 8] = static_cast<std::uint8_t>(row[bit / 8] | index << (8 - bits - bit % 8));
    }
    out.insert(out.end(), row.begin(), row.end());
  }
}

// ---------------------------------------------------------------------------------------------
// The etched rule under the header: a darker line over a light one.

constexpr int kRuleWidth = 497;
const std::array<std::array<int, 3>, 2> kRuleRows = {{{168, 168, 160}, {255, 255, 248}}};

struct VectorDestination {
  jpeg_destination_mgr manager;
  Bytes* out;
  std::array<JOCTET, 4096> buffer;
};

VectorDestination* DestinationOf(j_compress_ptr cinfo) { return reinterpret_cast<VectorDestination*>(cinfo->dest); }

void InitDestination(j_compress_ptr cinfo) {
  VectorDestination* d = DestinationOf(cinfo);
  d->manager.next_output_byte = d->buffer.data();
  d->manager.free_in_buffer = d->buffer.size();
}

boolean EmptyOutputBuffer(j_compress_ptr cinfo) {
  VectorDestination* d = DestinationOf(cinfo);
  d->out->insert(d->out->end(), d->buffer.begin(), d->buffer.end());
  InitDestination(cinfo);
  return TRUE;
}

void TermDestination(j_compress_ptr cinfo) {
  VectorDestination* d = DestinationOf(cinfo);
  d->out->insert(d->out->end(), d->buffer.begin(),
                 d->buffer.begin() + static_cast<long>(d->buffer.size() - d->manager.free_in_buffer));
}

Bytes MakeRule() {
  Bytes out;
  VectorDestination destination{};
  destination.out = &out;
  destination.manager.init_destination = InitDestination;
  destination.manager.empty_output_buffer = EmptyOutputBuffer;
  destination.manager.term_destination = TermDestination;

  jpeg_compress_struct cinfo{};
  jpeg_error_mgr error{};
  cinfo.err = jpeg_std_error(&error);
  jpeg_create_compress(&cinfo);
  cinfo.dest = &destination.manager;
  cinfo.image_width = kRuleWidth;
  cinfo.image_height = kRuleRows.size();
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, 100, TRUE);
  jpeg_set_colorspace(&cinfo, JCS_YCbCr);
  cinfo.comp_info[0].h_samp_factor = 2;
  cinfo.comp_info[0].v_samp_factor = 2;
  for (int c = 1; c < 3; ++c) cinfo.comp_info[c].h_samp_factor = cinfo.comp_info[c].v_samp_factor = 1;
  cinfo.dct_method = JDCT_ISLOW;
  cinfo.optimize_coding = TRUE;
  cinfo.write_JFIF_header = TRUE;
  cinfo.JFIF_major_version = 1;
  cinfo.JFIF_minor_version = 1;
  cinfo.density_unit = 1;  // dots per inch
  cinfo.X_density = 96;
  cinfo.Y_density = 96;
  jpeg_start_compress(&cinfo, TRUE);
  for (const auto& colour : kRuleRows) {
    std::vector<JSAMPLE> row;
    for (int x = 0; x < kRuleWidth; ++x) {
      for (int c : colour) row.push_back(static_cast<JSAMPLE>(c));
    }
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&cinfo, rows, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  return out;
}

void InitSource(j_decompress_ptr) {}

boolean FillInputBuffer(j_decompress_ptr cinfo) {
  // Past the end: hand libjpeg an end-of-image marker, as its own readers do.
  static const JOCTET kEnd[2] = {0xff, JPEG_EOI};
  cinfo->src->next_input_byte = kEnd;
  cinfo->src->bytes_in_buffer = 2;
  return TRUE;
}

void SkipInputData(j_decompress_ptr cinfo, long count) {
  if (count <= 0) return;
  const size_t n = std::min(static_cast<size_t>(count), cinfo->src->bytes_in_buffer);
  cinfo->src->next_input_byte += n;
  cinfo->src->bytes_in_buffer -= n;
}

void TermSource(j_decompress_ptr) {}

// Decodes the rule and checks every pixel against its row's colour; `report` gets the rows' mean colours.
bool CheckRule(const Bytes& jpeg, std::string* report) {
  jpeg_source_mgr source{};
  source.next_input_byte = jpeg.data();
  source.bytes_in_buffer = jpeg.size();
  source.init_source = InitSource;
  source.fill_input_buffer = FillInputBuffer;
  source.skip_input_data = SkipInputData;
  source.resync_to_restart = jpeg_resync_to_restart;
  source.term_source = TermSource;

  jpeg_decompress_struct cinfo{};
  jpeg_error_mgr error{};
  cinfo.err = jpeg_std_error(&error);
  jpeg_create_decompress(&cinfo);
  cinfo.src = &source;
  jpeg_read_header(&cinfo, TRUE);
  cinfo.out_color_space = JCS_RGB;
  jpeg_start_decompress(&cinfo);
  bool good = cinfo.output_width == kRuleWidth && cinfo.output_height == kRuleRows.size() &&
              cinfo.output_components == 3;
  std::vector<JSAMPLE> row(static_cast<size_t>(cinfo.output_width) * 3);
  for (size_t y = 0; good && y < kRuleRows.size(); ++y) {
    JSAMPROW rows[1] = {row.data()};
    jpeg_read_scanlines(&cinfo, rows, 1);
    std::array<long, 3> sum{0, 0, 0};
    for (size_t i = 0; i < row.size(); ++i) {
      sum[i % 3] += row[i];
      if (std::abs(row[i] - kRuleRows[y][i % 3]) > 3) good = false;
    }
    *report += (y == 0 ? "" : ", ") + std::to_string(sum[0] / kRuleWidth) + "," +
               std::to_string(sum[1] / kRuleWidth) + "," + std::to_string(sum[2] / kRuleWidth);
  }
  if (good) jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return good;
}

// ---------------------------------------------------------------------------------------------
// The emblem beside the header text: two green arrows chasing each other around a blue sphere.

constexpr int kEmblemSize = 55;
const Vec kEmblemCentre{26.5, 26.0};
constexpr double kRingRadius = 18.2;    // centre line of the arrows
constexpr double kBodyHalfWidth = 3.3;
constexpr double kHeadHalfWidth = 6.5;
constexpr double kArrowOutline = 1.15;
constexpr double kSphereRadius = 15.2;

enum ArrowSide { kEnd = 0, kOuter = 1, kInner = 2 };

// One arrow along the ring, clockwise from its notched tail at `tail` degrees to its tip.
Polygon Arrow(double tail) {
  const double body = 116;  // degrees of shaft
  const double head = 34;   // degrees of head
  const double notch = 7;
  const double head_start = tail + body;
  Polygon arrow;
  for (double a = tail; a < head_start; a += 2) arrow.Add(Polar(kEmblemCentre, kRingRadius + kBodyHalfWidth, a), kOuter);
  arrow.Add(Polar(kEmblemCentre, kRingRadius + kBodyHalfWidth, head_start), kEnd);
  arrow.Add(Polar(kEmblemCentre, kRingRadius + kHeadHalfWidth, head_start), kOuter);
  // The head's sides bow a little along the ring, so the tip follows the curve.
  const Vec tip = Polar(kEmblemCentre, kRingRadius, head_start + head);
  for (int i = 1; i < 6; ++i) {
    const double t = i / 6.0;
    arrow.Add(Polar(kEmblemCentre, kRingRadius + kHeadHalfWidth * (1 - t), head_start + head * t), kOuter);
  }
  arrow.Add(tip, kInner);
  for (int i = 5; i >= 1; --i) {
    const double t = i / 6.0;
    arrow.Add(Polar(kEmblemCentre, kRingRadius - kHeadHalfWidth * (1 - t), head_start + head * t), kInner);
  }
  arrow.Add(Polar(kEmblemCentre, kRingRadius - kHeadHalfWidth, head_start), kEnd);
  for (double a = head_start; a > tail; a -= 2) arrow.Add(Polar(kEmblemCentre, kRingRadius - kBodyHalfWidth, a), kInner);
  arrow.Add(Polar(kEmblemCentre, kRingRadius - kBodyHalfWidth, tail), kEnd);
  arrow.Add(Polar(kEmblemCentre, kRingRadius, tail + notch), kEnd);
  arrow.Close();
  return arrow;
}

Rgb SphereColour(Vec p) {
  const Vec q = (p - kEmblemCentre) * (1 / kSphereRadius);
  const double r2 = Dot(q, q);
  const double z = std::sqrt(std::max(0.0, 1 - r2));
  const Vec3 normal{q.x, q.y, z};
  const double diffuse = std::max(0.0, Dot(normal, kLight));
  const Rgb deep = Colour(52, 122, 212);
  const Rgb mid = Colour(118, 188, 244);
  const Rgb pale = Colour(210, 236, 255);
  Rgb c = diffuse < 0.55 ? Mix(deep, mid, diffuse / 0.55) : Mix(mid, pale, (diffuse - 0.55) / 0.45);
  // Light thrown back from below brightens the lower rim.
  const double bounce = SmoothStep(0.1, 0.9, q.y) * SmoothStep(0.5, 0.97, std::sqrt(r2)) * 0.5;
  c = Mix(c, Colour(140, 226, 255), bounce);
  // A glossy window on the upper half, fading downwards.
  const double ex = (q.x + 0.04) / 0.66;
  const double ey = (q.y + 0.47) / 0.40;
  const double e = ex * ex + ey * ey;
  const double gloss = (1 - SmoothStep(0.8, 1.0, e)) * (0.95 - 0.8 * SmoothStep(-0.88, -0.12, q.y));
  c = Mix(c, kWhite, gloss);
  const double specular = Power(std::max(0.0, Dot(normal, kHalfway)), 48);
  c = Mix(c, kWhite, specular * 0.8);
  // A darker line around the edge keeps the sphere crisp against the white.
  const double edge = SmoothStep(kSphereRadius - 1.6, kSphereRadius - 0.4, Length(p - kEmblemCentre));
  return Mix(c, Colour(26, 64, 150), edge * 0.85);
}

Rgb ArrowColour(Vec p, const std::array<double, 3>& side) {
  // Across the shaft from -1 (inner edge) to 1 (outer edge), shaded as a rounded tube.
  const double u = (side[kInner] - side[kOuter]) / (side[kInner] + side[kOuter]);
  const Vec radial = (p - kEmblemCentre) * (1 / Length(p - kEmblemCentre));
  const double bulge = 0.85;
  const Vec3 normal = Normalised({radial.x * u * bulge, radial.y * u * bulge, std::sqrt(1 - u * u * bulge * bulge)});
  const double diffuse = std::max(0.0, Dot(normal, kLight));
  const Rgb dark = Colour(10, 104, 30);
  const Rgb base = Colour(54, 178, 58);
  const Rgb light = Colour(150, 232, 112);
  Rgb c = diffuse < 0.6 ? Mix(dark, base, diffuse / 0.6) : Mix(base, light, (diffuse - 0.6) / 0.4);
  const double specular = Power(std::max(0.0, Dot(normal, kHalfway)), 24);
  return Mix(c, kWhite, specular * 0.7);
}

Image EmblemShapes(const std::array<Polygon, 2>& arrows) {
  const Rgb outline = Colour(18, 46, 130);
  return Render(kEmblemSize, kEmblemSize, 8, [&](Vec p, Rgb* out) {
    bool hit = false;
    if (Length(p - kEmblemCentre) < kSphereRadius) {
      *out = SphereColour(p);
      hit = true;
    }
    for (const Polygon& arrow : arrows) {
      std::array<double, 3> side;
      if (PolygonDistance(arrow, p) >= 0) continue;
      const double d = PolygonDistance(arrow, p, &side);
      *out = d > -kArrowOutline ? outline : ArrowColour(p, side);
      hit = true;
    }
    return hit;
  });
}

// Binomial blur over seven pixels, one pass along each axis.
std::vector<double> Blur(const std::vector<double>& values, int width, int height) {
  const std::array<double, 7> taps = {1, 6, 15, 20, 15, 6, 1};
  auto pass = [&](const std::vector<double>& in, int dx, int dy) {
    std::vector<double> result(in.size(), 0);
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        double sum = 0;
        for (int k = -3; k <= 3; ++k) {
          const int sx = x + k * dx;
          const int sy = y + k * dy;
          if (sx >= 0 && sx < width && sy >= 0 && sy < height) sum += taps[static_cast<size_t>(k + 3)] * in[static_cast<size_t>(sy * width + sx)];
        }
        result[static_cast<size_t>(y * width + x)] = sum / 64;
      }
    }
    return result;
  };
  return pass(pass(values, 1, 0), 0, 1);
}

std::vector<Pixel> DrawEmblem() {
  const Image shapes = EmblemShapes({Arrow(192), Arrow(12)});
  // The shadow: the emblem's outline moved down and right, blurred twice.
  const int shift_x = 2;
  const int shift_y = 2;
  std::vector<double> shadow(shapes.alpha.size(), 0);
  for (int y = 0; y < kEmblemSize; ++y) {
    for (int x = 0; x < kEmblemSize; ++x) {
      const int sx = x - shift_x;
      const int sy = y - shift_y;
      if (sx >= 0 && sy >= 0) shadow[shapes.At(x, y)] = shapes.alpha[shapes.At(sx, sy)];
    }
  }
  shadow = Blur(Blur(shadow, kEmblemSize, kEmblemSize), kEmblemSize, kEmblemSize);
  std::vector<Pixel> pixels;
  for (size_t i = 0; i < shapes.alpha.size(); ++i) {
    const Rgb ground = Scaled(kWhite, 1 - 0.36 * shadow[i]);
    pixels.push_back(ToPixel(Sum(shapes.colour[i], Scaled(ground, 1 - shapes.alpha[i]))));
  }
  return pixels;
}

Bytes MakeEmblem() {
  const std::vector<Pixel> pixels = DrawEmblem();
  // White stays exactly white: the emblem sits on a white panel.
  const Pixel white{255, 255, 255};
  std::vector<Pixel> coloured;
  std::copy_if(pixels.begin(), pixels.end(), std::back_inserter(coloured), [&](Pixel p) { return !(p == white); });
  std::vector<Pixel> palette = MedianCut(coloured, 255);
  palette.resize(255);
  palette.push_back(white);
  std::vector<std::uint8_t> indices;
  for (const Pixel& p : pixels) indices.push_back(static_cast<std::uint8_t>(p == white ? 255 : Nearest(palette, p)));

  const std::uint32_t image_size = static_cast<std::uint32_t>(RowBytes(kEmblemSize, 8) * kEmblemSize);
  const std::uint32_t offset = 14 + 40 + 256 * 4;
  Bytes out;
  out.insert(out.end(), {'B', 'M'});
  Put32(out, offset + image_size);
  Put32(out, 0);  // reserved
  Put32(out, offset);
  PutInfoHeader(out, kEmblemSize, kEmblemSize, 8, image_size, 3780);  // 96 dots per inch
  PutPalette(out, palette, 256);
  PutIndexedRows(out, indices, kEmblemSize, kEmblemSize, 8);
  return out;
}

// ---------------------------------------------------------------------------------------------
// The program icon: a monitor with a blue screen, a grey box in front of it and a compact disc.

// Where the parts go, in pixels of one icon size; straight edges lie on the pixel grid.
struct IconLayout {
  int size;
  int samples;                    // per pixel and axis; 1 draws crisp pixels from the shapes
  Vec bezel_low, bezel_high;
  double bezel_radius;
  Vec screen_low, screen_high;
  double screen_line;             // dark rim inside the casing; none at the small size
  Vec box_low, box_high;          // the box's front face
  double box_depth;               // how far its top and side recede, up and to the right
  Vec disc_centre;
  double disc_radius;
  double hub_radius;
  double hole_radius;
  double flat_sheen;              // 16 colours: how near its diagonal the disc turns white
};

const IconLayout kIcon32{32, 8,
                         {8, 1}, {31, 21}, 2.0,
                         {11, 4}, {28, 17}, 1,
                         {1, 16}, {15, 30}, 4,
                         {24, 24}, 7.6, 3.4, 1.6, 0.9};

// At 16 pixels every pixel is placed: anti-aliased detail would only smear.
const IconLayout kIcon16{16, 1,
                         {3, 0}, {16, 11}, 2.0,
                         {5, 2}, {14, 9}, 0,
                         {0, 9}, {7, 16}, 2,
                         {12.5, 12.5}, 3.6, 1.8, 0.7, 0.75};

const Rgb kInk = Colour(0, 0, 0);

double LineDistance(Vec p, Vec a, Vec b, double width) { return SegmentDistance(p, a, b) - width / 2; }

// `rich`: shading for 256 colours; otherwise flat tones that land on the 16-colour palette.
std::vector<Layer> IconLayers(const IconLayout& l, bool rich) {
  std::vector<Layer> layers;
  const Rgb grey_dark = Colour(128, 128, 128);
  const Rgb grey = Colour(192, 192, 192);
  const Rgb grey_light = Colour(228, 228, 224);
  auto ramp = [rich](Rgb from, Rgb to, double t) { return rich ? Mix(from, to, Clamp01(t)) : (t < 0.5 ? from : to); };

  // Monitor: the casing and its screen; box and disc hide its foot.
  layers.push_back({[l](Vec p) { return RoundedBoxDistance(p, l.bezel_low, l.bezel_high, l.bezel_radius); },
                    [=](Vec p) {
                      const double t = (p.y - l.bezel_low.y) / (l.bezel_high.y - l.bezel_low.y);
                      return rich ? Mix(grey_light, grey, t) : grey;
                    },
                    kInk, 1});
  layers.push_back({[l](Vec p) { return RoundedBoxDistance(p, l.screen_low, l.screen_high, 0); },
                    [l, rich](Vec p) {
                      const double u = (p.x - l.screen_low.x) / (l.screen_high.x - l.screen_low.x);
                      const double v = (p.y - l.screen_low.y) / (l.screen_high.y - l.screen_low.y);
                      const double glare = SmoothStep(0.2, 0.36, u + v) - SmoothStep(0.5, 0.72, u + v);
                      if (!rich) return glare > 0.5 ? Colour(0, 0, 255) : Colour(0, 0, 128);
                      const Rgb c = Mix(Colour(36, 92, 232), Colour(0, 18, 140), Clamp01(0.5 * u + 0.65 * v));
                      return Mix(c, Colour(120, 170, 255), 0.6 * glare);
                    },
                    Colour(64, 64, 64), l.screen_line});

  // Box: one outlined silhouette, faces told apart by tone and by darker inner edges.
  const double d = l.box_depth;
  const Vec f0 = l.box_low;
  const Vec f1 = l.box_high;
  Polygon box;
  box.Add({f0.x, f0.y});
  box.Add({f0.x + d, f0.y - d});
  box.Add({f1.x + d, f0.y - d});
  box.Add({f1.x + d, f1.y - d});
  box.Add({f1.x, f1.y});
  box.Add({f0.x, f1.y});
  box.Close();
  layers.push_back({[box](Vec p) { return PolygonDistance(box, p); },
                    [=](Vec p) {
                      if (p.y < f0.y && p.x - f1.x < f0.y - p.y) return rich ? Colour(238, 238, 234) : kWhite;  // top
                      if (p.x > f1.x) return ramp(Colour(150, 150, 148), Colour(118, 118, 116), (p.y - f0.y) / (f1.y - f0.y));  // side
                      const double t = (p.x - f0.x + p.y - f0.y) / (f1.x - f0.x + f1.y - f0.y);
                      return rich ? Mix(Colour(214, 214, 210), Colour(176, 176, 172), t) : grey;  // front
                    },
                    kInk, 1});
  const Rgb edge = rich ? Colour(72, 72, 72) : kInk;
  // Inner edges run along pixel centres and stop short of the outline.
  const Vec corner{f1.x - 0.5, f0.y + 0.5};
  for (const auto& [a, b] : std::vector<std::pair<Vec, Vec>>{{{f0.x + 1.5, corner.y}, corner},
                                                            {corner, {corner.x, f1.y - 1.5}},
                                                            {corner, {f1.x + d - 1.5, f0.y - d + 1.5}}}) {
    layers.push_back({[a = a, b = b](Vec p) { return LineDistance(p, a, b, 1); }, [=](Vec) { return edge; }, kInk, 0});
  }

  // Disc: silver with a rainbow sheen across one diagonal, a clear hub and a hole.
  layers.push_back({[l](Vec p) {
                      const double r = Length(p - l.disc_centre);
                      return std::max(r - l.disc_radius, l.hole_radius - r);
                    },
                    [=](Vec p) {
                      const Vec q = p - l.disc_centre;
                      const double r2 = std::max(Dot(q, q), 1e-9);
                      const double r = std::sqrt(r2);
                      if (r > l.disc_radius - 1) return rich ? Colour(56, 56, 64) : kInk;
                      if (r < l.hub_radius) {
                        if (!rich) return grey;
                        return r < l.hub_radius - 0.8 ? Colour(226, 228, 234) : Colour(150, 152, 160);
                      }
                      const double across = -2 * q.x * q.y / r2;  // 1 along the lower-left to upper-right diagonal
                      const double sheen = SmoothStep(0.2, 0.9, across);
                      if (!rich) return across > l.flat_sheen ? kWhite : (across < -l.flat_sheen ? grey_dark : grey);
                      const double hue = r / l.disc_radius * 2.2 - std::floor(r / l.disc_radius * 2.2);
                      const Rgb rainbow = hue < 0.33   ? Mix(Colour(255, 130, 220), Colour(120, 230, 255), hue / 0.33)
                                          : hue < 0.66 ? Mix(Colour(120, 230, 255), Colour(255, 250, 150), (hue - 0.33) / 0.33)
                                                       : Mix(Colour(255, 250, 150), Colour(255, 130, 220), (hue - 0.66) / 0.34);
                      const Rgb silver = Mix(Colour(214, 216, 224), Colour(146, 148, 160), SmoothStep(-0.2, -0.9, across));
                      return Mix(silver, rainbow, sheen * 0.7);
                    },
                    kInk, 0});
  return layers;
}

struct IconImage {
  int size;
  int bits;
  std::vector<Pixel> palette;
  std::vector<std::uint8_t> indices;
  std::vector<bool> transparent;
};

// The standard 16-colour Windows palette.
const std::vector<Pixel> kSixteenColours = {
    {0, 0, 0},       {128, 0, 0},   {0, 128, 0},   {128, 128, 0}, {0, 0, 128},   {128, 0, 128},
    {0, 128, 128},   {192, 192, 192}, {128, 128, 128}, {255, 0, 0}, {0, 255, 0},   {255, 255, 0},
    {0, 0, 255},     {255, 0, 255}, {0, 255, 255}, {255, 255, 255}};

IconImage DrawIcon(const IconLayout& layout, int bits) {
  const Image image = Render(layout.size, layout.size, layout.samples, Layers(IconLayers(layout, bits == 8)));
  IconImage icon{layout.size, bits, {}, {}, {}};
  std::vector<Pixel> opaque;
  std::vector<Pixel> colours;
  for (size_t i = 0; i < image.alpha.size(); ++i) {
    // Hard mask; an edge pixel takes the colour of the part that covers it.
    const bool shown = image.alpha[i] >= 0.5;
    icon.transparent.push_back(!shown);
    colours.push_back(shown ? ToPixel(Scaled(image.colour[i], 1 / image.alpha[i])) : Pixel{});
    if (shown) opaque.push_back(colours.back());
  }
  if (bits == 4) {
    icon.palette = kSixteenColours;
  } else {
    // Index 0 stays black: transparent pixels are black in the colour bitmap.
    icon.palette = {Pixel{0, 0, 0}};
    for (const Pixel& p : MedianCut(opaque, 255)) icon.palette.push_back(p);
  }
  for (size_t i = 0; i < colours.size(); ++i) {
    icon.indices.push_back(static_cast<std::uint8_t>(icon.transparent[i] ? 0 : Nearest(icon.palette, colours[i])));
  }
  return icon;
}

Bytes IconBitmap(const IconImage& icon) {
  const size_t colour_bytes = RowBytes(icon.size, icon.bits) * static_cast<size_t>(icon.size);
  const size_t mask_bytes = RowBytes(icon.size, 1) * static_cast<size_t>(icon.size);
  Bytes out;
  PutInfoHeader(out, icon.size, 2 * icon.size, icon.bits, static_cast<std::uint32_t>(colour_bytes + mask_bytes), 0);
  PutPalette(out, icon.palette, size_t{1} << icon.bits);
  PutIndexedRows(out, icon.indices, icon.size, icon.size, icon.bits);
  std::vector<std::uint8_t> mask;
  for (bool t : icon.transparent) mask.push_back(t ? 1 : 0);
  PutIndexedRows(out, mask, icon.size, icon.size, 1);
  return out;
}

Bytes MakeIcon() {
  const std::vector<IconImage> icons = {DrawIcon(kIcon32, 4), DrawIcon(kIcon16, 4), DrawIcon(kIcon32, 8),
                                        DrawIcon(kIcon16, 8)};
  std::vector<Bytes> bitmaps;
  for (const IconImage& icon : icons) bitmaps.push_back(IconBitmap(icon));
  Bytes out;
  Put16(out, 0);  // reserved
  Put16(out, 1);  // icon
  Put16(out, static_cast<unsigned>(icons.size()));
  std::uint32_t offset = static_cast<std::uint32_t>(6 + 16 * icons.size());
  for (size_t i = 0; i < icons.size(); ++i) {
    out.push_back(static_cast<std::uint8_t>(icons[i].size));
    out.push_back(static_cast<std::uint8_t>(icons[i].size));
    out.push_back(static_cast<std::uint8_t>(icons[i].bits == 4 ? 16 : 0));  // colours; 0 for 256
    out.push_back(0);
    Put16(out, 1);  // planes
    Put16(out, static_cast<unsigned>(icons[i].bits));
    Put32(out, static_cast<std::uint32_t>(bitmaps[i].size()));
    Put32(out, offset);
    offset += static_cast<std::uint32_t>(bitmaps[i].size());
  }
  for (const Bytes& bitmap : bitmaps) out.insert(out.end(), bitmap.begin(), bitmap.end());
  return out;
}

// ---------------------------------------------------------------------------------------------

bool ReadFile(const std::string& path, Bytes* out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  out->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return true;
}

bool WriteFile(const std::string& path, const Bytes& data) {
  Bytes existing;
  if (ReadFile(path, &existing) && existing == data) return true;  // leave the time stamp alone
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
  return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
  const bool check = argc == 3 && std::string(argv[1]) == "--check";
  if (argc != 2 && !check) {
    std::cerr << "usage: make_pictures DIR | make_pictures --check DIR\n";
    return 2;
  }
  const std::string dir = argv[argc - 1];

  const Bytes rule = MakeRule();
  std::string rule_rows;
  if (!CheckRule(rule, &rule_rows)) {
    std::cerr << "make_pictures: rule.jpg decodes too far from its colours (" << rule_rows << ")\n";
    return 1;
  }
  const std::vector<std::pair<std::string, Bytes>> files = {
      {"rule.jpg", rule}, {"emblem.bmp", MakeEmblem()}, {"uninstall.ico", MakeIcon()}};

  int status = 0;
  for (const auto& [name, data] : files) {
    const std::string path = dir + "/" + name;
    if (check) {
      Bytes existing;
      if (!ReadFile(path, &existing) || existing != data) {
        std::cerr << path << " differs from what make_pictures draws; run the pictures target\n";
        status = 1;
      }
    } else if (!WriteFile(path, data)) {
      std::cerr << "make_pictures: cannot write " << path << "\n";
      status = 1;
    } else {
      std::cout << path << ": " << data.size() << " bytes"
                << (name == "rule.jpg" ? ", rows decode to " + rule_rows : "") << "\n";
    }
  }
  return status;
}
