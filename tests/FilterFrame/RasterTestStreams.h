// Raster test inputs for the document step, written with libcups in any of its write modes.
#pragma once

#include <cups/raster.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace nx::filter::test {

struct RasterTestPage {
  unsigned width = 1728;
  unsigned height = 2200;
  cups_cspace_t space = CUPS_CSPACE_K;
  unsigned bits_per_color = 8;
  unsigned colors = 1;
  unsigned bytes_per_line = 0;  // 0: width x colours x bits / 8
  unsigned copies = 1;
  unsigned page_size[2] = {612, 792};
  // Sample value of pixel (x, y) of colour 0; other colours repeat it.
  std::function<std::uint8_t(unsigned x, unsigned y)> pixel = {};
};

// A page of text-like blocks on a light background with a gray ramp, so that tones, polarity and
// position all show in a comparison.
std::uint8_t RasterTestPattern(unsigned x, unsigned y);

// Writes `pages` to `path`. Returns false when libcups refused a header it should take.
bool WriteRasterFile(const std::string& path, const std::vector<RasterTestPage>& pages,
                     cups_mode_t mode = CUPS_RASTER_WRITE);

// The samples of page `page` as the test wrote them (width x height bytes, colour 0).
std::vector<std::uint8_t> RasterTestPixels(const RasterTestPage& page);

}  // namespace nx::filter::test
