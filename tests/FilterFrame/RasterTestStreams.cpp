#include "RasterTestStreams.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstring>

namespace nx::filter::test {

std::uint8_t RasterTestPattern(unsigned x, unsigned y) {
  if (y < 64) return static_cast<std::uint8_t>(x * 255 / 1000 % 256);  // ramp
  if ((y / 40) % 3 == 1 && (x / 25) % 4 != 3) return 230;               // "text" blocks
  return 12;
}

std::vector<std::uint8_t> RasterTestPixels(const RasterTestPage& page) {
  std::vector<std::uint8_t> out(static_cast<std::size_t>(page.width) * page.height);
  for (unsigned y = 0; y < page.height; ++y) {
    for (unsigned x = 0; x < page.width; ++x) {
      out[static_cast<std::size_t>(y) * page.width + x] = page.pixel ? page.pixel(x, y) : RasterTestPattern(x, y);
    }
  }
  return out;
}

bool WriteRasterFile(const std::string& path, const std::vector<RasterTestPage>& pages, cups_mode_t mode) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd < 0) return false;
  cups_raster_t* raster = cupsRasterOpen(fd, mode);
  bool ok = raster != nullptr;
  for (const RasterTestPage& page : pages) {
    if (!ok) break;
    cups_page_header2_t h;
    std::memset(&h, 0, sizeof h);
    std::strcpy(h.MediaClass, "PwgRaster");
    h.HWResolution[0] = h.HWResolution[1] = 200;
    h.PageSize[0] = page.page_size[0];
    h.PageSize[1] = page.page_size[1];
    h.NumCopies = page.copies;
    h.cupsWidth = page.width;
    h.cupsHeight = page.height;
    h.cupsColorSpace = page.space;
    h.cupsColorOrder = CUPS_ORDER_CHUNKED;
    h.cupsBitsPerColor = page.bits_per_color;
    h.cupsBitsPerPixel = page.bits_per_color * page.colors;
    h.cupsNumColors = page.colors;
    h.cupsBytesPerLine = page.bytes_per_line ? page.bytes_per_line : (page.width * h.cupsBitsPerPixel + 7) / 8;
    ok = cupsRasterWriteHeader2(raster, &h) != 0;
    // Absurd pages get their header only: the filter must refuse them from the header alone.
    if (static_cast<std::uint64_t>(h.cupsBytesPerLine) * page.height > 200'000'000u) continue;
    std::vector<std::uint8_t> line(h.cupsBytesPerLine);
    for (unsigned y = 0; ok && y < page.height; ++y) {
      for (unsigned i = 0; i < line.size(); ++i) {
        const unsigned x = i / page.colors;
        line[i] = x < page.width ? (page.pixel ? page.pixel(x, y) : RasterTestPattern(x, y)) : 0;
      }
      ok = cupsRasterWritePixels(raster, line.data(), h.cupsBytesPerLine) == h.cupsBytesPerLine;
    }
  }
  if (raster) cupsRasterClose(raster);
  ::close(fd);
  return ok;
}

}  // namespace nx::filter::test
