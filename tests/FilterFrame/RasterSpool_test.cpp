// Which page headers the document step takes; sizes are checked before any allocation.
#include <gtest/gtest.h>

#include <cstring>

#include "RasterSpool.h"

namespace nx::filter {
namespace {

struct HeaderCase {
  const char* name;
  unsigned width, height, bits_per_color, bits_per_pixel, bytes_per_line;
  cups_cspace_t space;
  cups_order_t order;
  bool usable, accepted;
};

class RasterPageCheck : public ::testing::TestWithParam<HeaderCase> {};

TEST_P(RasterPageCheck, Classifies) {
  const HeaderCase& c = GetParam();
  cups_page_header2_t h;
  std::memset(&h, 0, sizeof h);
  h.cupsWidth = c.width;
  h.cupsHeight = c.height;
  h.cupsBitsPerColor = c.bits_per_color;
  h.cupsBitsPerPixel = c.bits_per_pixel;
  h.cupsBytesPerLine = c.bytes_per_line;
  h.cupsColorSpace = c.space;
  h.cupsColorOrder = c.order;
  h.cupsNumColors = c.bits_per_color ? c.bits_per_pixel / c.bits_per_color : 0;
  EXPECT_EQ(RasterPageSizeUsable(h), c.usable);
  EXPECT_EQ(RasterPageAccepted(h), c.accepted);
}

constexpr auto K = CUPS_CSPACE_K;
constexpr auto W = CUPS_CSPACE_W;
constexpr auto C = CUPS_ORDER_CHUNKED;

INSTANTIATE_TEST_SUITE_P(
    Headers, RasterPageCheck,
    ::testing::Values(
        HeaderCase{"fax_page", 1728, 2200, 8, 8, 1728, K, C, true, true},
        HeaderCase{"white_space", 1728, 2200, 8, 8, 1728, W, C, true, true},
        HeaderCase{"a3_600dpi", 7016, 9921, 8, 8, 7016, K, C, true, true},
        HeaderCase{"tabloid_landscape_600dpi", 10200, 6600, 8, 8, 10200, K, C, true, true},
        HeaderCase{"side_too_long", 10801, 100, 8, 8, 10801, K, C, false, false},
        HeaderCase{"area_too_large", 10800, 10800, 8, 8, 10800, K, C, false, false},
        HeaderCase{"width_times_bits_overflows", 0x80000000u, 1, 8, 8, 0, K, C, false, false},
        HeaderCase{"line_mismatch", 100, 10, 8, 8, 99, K, C, false, false},
        HeaderCase{"zero_width", 0, 10, 8, 8, 0, K, C, false, false},
        HeaderCase{"rgb_is_copied_not_drawn", 100, 10, 8, 24, 300, CUPS_CSPACE_RGB, C, true, false},
        HeaderCase{"one_bit_gray", 100, 10, 1, 1, 13, K, C, true, false},
        HeaderCase{"sixteen_bit_gray", 100, 10, 16, 16, 200, K, C, true, false},
        HeaderCase{"planar_cmyk", 100, 10, 8, 32, 100, CUPS_CSPACE_CMYK, CUPS_ORDER_PLANAR, true, false},
        HeaderCase{"zero_bits", 100, 10, 0, 0, 0, K, C, false, false}),
    [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace nx::filter
