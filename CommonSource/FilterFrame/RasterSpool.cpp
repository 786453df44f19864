// Pass 1 of the document step; see RasterSpool.h.
#include "RasterSpool.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "FilterLog.h"
#include "nx/platform/unique_fd.h"

namespace nx::filter {
namespace {

struct RasterClose {
  void operator()(cups_raster_t* r) const { cupsRasterClose(r); }
};
using RasterHandle = std::unique_ptr<cups_raster_t, RasterClose>;

// Buffered reads under libcups' raster streams, which otherwise make one system call per pixel
// line. Remembers the errno of the first failure and whether the input ran out.
class RasterFdStream {
 public:
  explicit RasterFdStream(int fd) : fd_(fd), buffer_(new unsigned char[kSize]) {}
  RasterFdStream(const RasterFdStream&) = delete;
  RasterFdStream& operator=(const RasterFdStream&) = delete;

  static ssize_t Read(void* ctx, unsigned char* out, size_t length) {
    return static_cast<RasterFdStream*>(ctx)->DoRead(out, length);
  }
  bool failed() const { return error_ != 0; }
  int error() const { return error_ ? error_ : EIO; }
  // True once a read found the end of the input.
  bool at_end() const { return at_end_; }

 private:
  static constexpr std::size_t kSize = 1 << 16;

  ssize_t DoRead(unsigned char* out, size_t length) {
    if (pos_ == end_) {
      pos_ = end_ = 0;
      ssize_t n;
      do {
        n = ::read(fd_, buffer_.get(), kSize);
      } while (n < 0 && errno == EINTR);
      if (n < 0) {
        error_ = errno;
        return -1;
      }
      end_ = static_cast<std::size_t>(n);
      if (n == 0) {
        at_end_ = true;
        return 0;
      }
    }
    const std::size_t take = std::min(length, end_ - pos_);
    std::memcpy(out, buffer_.get() + pos_, take);
    pos_ += take;
    return static_cast<ssize_t>(take);
  }

  int fd_;
  std::unique_ptr<unsigned char[]> buffer_;
  std::size_t pos_ = 0;
  std::size_t end_ = 0;
  int error_ = 0;
  bool at_end_ = false;
};

// The system's text for a failure of libcups' raster calls, which do not always set errno.
std::string RasterErrorText(int saved_errno) {
  if (saved_errno != 0) return std::strerror(saved_errno);
  const char* text = cupsRasterErrorString();
  if (text && *text) return text;
  return "not a raster stream";
}

[[nodiscard]] bool AllocateLine(std::vector<unsigned char>& line, unsigned size) {
  try {
    line.resize(size);
    return true;
  } catch (const std::bad_alloc&) {
    LogMessage("ERROR", "Unable to allocate %u bytes!", size);
    return false;
  }
}

// The header's enumerated fields hold whatever number the stream carried; they are read as plain
// numbers, since a value outside the enumeration must not be loaded through its type.
template <class Enum>
std::uint32_t RawEnumField(const Enum& field) {
  static_assert(sizeof(Enum) == sizeof(std::uint32_t));
  std::uint32_t value;
  std::memcpy(&value, &field, sizeof value);
  return value;
}

// A side of the page in points. A header without one (PageSize 0) would give a page of no area,
// which the drawing pass leaves without its image: the side then follows from the pixels at the
// page's resolution (72 dpi when that is missing too).
unsigned PageSidePoints(const cups_page_header2_t& h, int side) {
  if (h.PageSize[side] != 0) return h.PageSize[side];
  const std::uint64_t pixels = side == 0 ? h.cupsWidth : h.cupsHeight;
  const std::uint64_t dpi = h.HWResolution[side] != 0 ? h.HWResolution[side] : 72;
  return static_cast<unsigned>(std::max<std::uint64_t>(1, (pixels * 72 + dpi - 1) / dpi));
}

void LogWriteFailure(const char* error) { LogMessage("ERROR", "Unable to write temporary file - %s", error); }

// Spool bytes of a page: its pixels plus one LINE line per pixel line.
std::uint64_t PageSpoolBytes(const cups_page_header2_t& h) {
  return (std::uint64_t{h.cupsBytesPerLine} + 16) * h.cupsHeight + 128;
}

// Spools one accepted page; false after an ERROR line.
bool SpoolPage(cups_raster_t* raster, const RasterFdStream& input, const cups_page_header2_t& header, int index,
               std::vector<unsigned char>& line, PdfSpoolWriter& spool) {
  spool.Page(header.Margins[0], header.Margins[1], PageSidePoints(header, 0), PageSidePoints(header, 1));
  // An accepted page holds one 8-bit sample per pixel whatever its cupsNumColors field says;
  // the drawing pass would leave a page of any other count blank.
  spool.Raster(header.cupsWidth, header.cupsHeight, 1, RawEnumField(header.cupsColorSpace));
  const int count = static_cast<int>(header.cupsBytesPerLine);
  for (unsigned l = 0; l < header.cupsHeight && spool.ok(); ++l) {
    if (l % 128 == 0) {
      LogMessage("INFO", "Printing page %d, %.0f%% complete...", index, 100.0 * l / header.cupsHeight);
    }
    if (!cupsRasterReadPixels(raster, line.data(), header.cupsBytesPerLine)) {
      if (input.failed()) {
        LogMessage("ERROR", "Unable to read raster file - %s", std::strerror(input.error()));
      } else {
        LogMessage("ERROR", "Page %d is incomplete: the raster stream ended after %u of its %u lines", index, l,
                   header.cupsHeight);
      }
      return false;
    }
    spool.Line(line.data(), count);
  }
  spool.EndPage();
  if (!spool.ok()) {
    LogWriteFailure(spool.error().c_str());
    return false;
  }
  return true;
}

}  // namespace

bool RasterPageSizeUsable(const cups_page_header2_t& h) {
  const std::uint64_t width = h.cupsWidth;
  const std::uint64_t height = h.cupsHeight;
  if (width == 0 || height == 0 || width > kRasterMaxSide || height > kRasterMaxSide) return false;
  if (width * height > kRasterMaxPixels) return false;
  if (h.cupsBitsPerPixel == 0 || h.cupsBitsPerPixel > 240 || h.cupsBitsPerColor == 0) return false;
  const std::uint64_t bytes_per_line = h.cupsBytesPerLine;
  if (RawEnumField(h.cupsColorOrder) == CUPS_ORDER_CHUNKED) return bytes_per_line == (width * h.cupsBitsPerPixel + 7) / 8;
  // Banded and planar lines hold one or all colours of a line at the colour's depth.
  const std::uint64_t plane = (width * h.cupsBitsPerColor + 7) / 8;
  const std::uint64_t colors = h.cupsNumColors ? h.cupsNumColors : 1;
  return bytes_per_line >= plane && bytes_per_line <= plane * colors;
}

bool RasterPageAccepted(const cups_page_header2_t& h) {
  const std::uint32_t space = RawEnumField(h.cupsColorSpace);
  return h.cupsBitsPerColor == 8 && h.cupsBitsPerPixel == 8 && RawEnumField(h.cupsColorOrder) == CUPS_ORDER_CHUNKED &&
         (space == CUPS_CSPACE_W || space == CUPS_CSPACE_K) && RasterPageSizeUsable(h);
}

int RasterPageCopies(const cups_page_header2_t& h) {
  // The print system's own limit on copies; a header may claim anything up to 2^32 - 1.
  constexpr unsigned kMaxCopies = 9999;
  return static_cast<int>(std::clamp(h.NumCopies, 1u, kMaxCopies));
}

bool RasterSpoolDocument(const FilterJob& job, PdfSpoolWriter& spool, RasterSpoolSink& sink) {
  if (!job.ppd) {
    std::fputs(job.ppdFailure.c_str(), stderr);
    LogMessage("ERROR", "Cannot do common driver initialization");
    return false;
  }
  spool.Document();
  spool.Author(job.user);
  spool.Title(job.title);
  if (!spool.ok()) {
    LogWriteFailure(spool.error().c_str());
    return false;
  }

  // Standard input unless argument 6 names the raster file.
  const bool from_file = job.inputFile.has_value();
  const platform::UniqueFd input_file(from_file ? ::open(job.inputFile->c_str(), O_RDONLY | O_CLOEXEC) : -1);
  if (from_file && input_file.get() < 0) {
    LogMessage("ERROR", "Unable to open raster file - %s", std::strerror(errno));
    return false;
  }
  // The input is read once: no copy of it is kept, so the temporary folder holds at most one page
  // of pixels (the spool's) whatever the pages claim.
  RasterFdStream input(from_file ? input_file.get() : 0);
  errno = 0;
  RasterHandle raster(cupsRasterOpenIO(&RasterFdStream::Read, &input, CUPS_RASTER_READ));
  if (!raster) {
    LogMessage("ERROR", "Unable to open raster file - %s",
               RasterErrorText(input.failed() ? input.error() : errno).c_str());
    return false;
  }
  cups_page_header2_t header;
  std::vector<unsigned char> line;
  for (int index = 0;; ++index) {
    if (!cupsRasterReadHeader2(raster.get(), &header)) {
      if (input.failed()) {
        LogMessage("ERROR", "Unable to read raster file - %s", std::strerror(input.error()));
        return false;
      }
      // The end of the input; a header libcups refuses (a zero height, say) leaves input behind.
      if (input.at_end()) return true;
      LogMessage("ERROR", "Page %d has a raster header that cannot be read", index);
      return false;
    }
    std::fprintf(stderr, "DEBUG: cupsBytesPerLine=%u\n", header.cupsBytesPerLine);
    if (!RasterPageSizeUsable(header)) {
      LogMessage("ERROR", "Page %d has an unusable raster size (%u x %u pixels, %u bytes per line)", index,
                 header.cupsWidth, header.cupsHeight, header.cupsBytesPerLine);
      return false;
    }
    if (!AllocateLine(line, header.cupsBytesPerLine)) return false;
    if (!RasterPageAccepted(header)) {
      LogMessage("ERROR",
                 "Page %d cannot be sent: it is not an 8-bit gray page (colour space %u, %u bits per colour, %u "
                 "bits per pixel)",
                 index, RawEnumField(header.cupsColorSpace), header.cupsBitsPerColor, header.cupsBitsPerPixel);
      return false;
    }
    if (!sink.BeforePage(index, PageSpoolBytes(header))) return false;
    if (!SpoolPage(raster.get(), input, header, index, line, spool)) return false;
    if (!sink.AfterPage(index, RasterPageCopies(header))) return false;
  }
}

}  // namespace nx::filter
