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

#include "FilterInit.h"
#include "FilterLog.h"
#include "PdfTempFile.h"

namespace nx::filter {
namespace {

struct RasterClose {
  void operator()(cups_raster_t* r) const { cupsRasterClose(r); }
};
using RasterHandle = std::unique_ptr<cups_raster_t, RasterClose>;

class UniqueFd {
 public:
  explicit UniqueFd(int fd = -1) : fd_(fd) {}
  ~UniqueFd() {
    if (fd_ >= 0) ::close(fd_);
  }
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

// Buffered I/O under libcups' raster streams, which otherwise make one system call per pixel
// line. Remembers the errno of the first failure.
class RasterFdStream {
 public:
  explicit RasterFdStream(int fd) : fd_(fd), buffer_(new unsigned char[kSize]) {}
  RasterFdStream(const RasterFdStream&) = delete;
  RasterFdStream& operator=(const RasterFdStream&) = delete;

  static ssize_t Read(void* ctx, unsigned char* out, size_t length) {
    return static_cast<RasterFdStream*>(ctx)->DoRead(out, length);
  }
  static ssize_t Write(void* ctx, unsigned char* data, size_t length) {
    return static_cast<RasterFdStream*>(ctx)->DoWrite(data, length);
  }
  // Writes out what is buffered; false (error() set) on failure.
  [[nodiscard]] bool Flush() {
    if (error_ != 0) return false;
    if (end_ > 0 && !PdfWriteAll(fd_, buffer_.get(), end_)) {
      error_ = errno ? errno : EIO;
      return false;
    }
    end_ = 0;
    return true;
  }
  int error() const { return error_ ? error_ : EIO; }

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
      if (n == 0) return 0;
    }
    const std::size_t take = std::min(length, end_ - pos_);
    std::memcpy(out, buffer_.get() + pos_, take);
    pos_ += take;
    return static_cast<ssize_t>(take);
  }

  ssize_t DoWrite(const unsigned char* data, size_t length) {
    if (end_ + length > kSize && !Flush()) return -1;
    if (length >= kSize) {
      if (!PdfWriteAll(fd_, data, length)) {
        error_ = errno ? errno : EIO;
        return -1;
      }
      return static_cast<ssize_t>(length);
    }
    std::memcpy(buffer_.get() + end_, data, length);
    end_ += length;
    return static_cast<ssize_t>(length);
  }

  int fd_;
  std::unique_ptr<unsigned char[]> buffer_;
  std::size_t pos_ = 0;
  std::size_t end_ = 0;
  int error_ = 0;
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

// Step 5: copies the input raster stream page by page into `copy_fd`. Returns the number of pages
// copied, or -1 when the spooling must stop here (the failure is logged).
int CopyRaster(int input_fd, int copy_fd) {
  RasterFdStream input(input_fd);
  RasterFdStream copy(copy_fd);
  errno = 0;
  RasterHandle in(cupsRasterOpenIO(&RasterFdStream::Read, &input, CUPS_RASTER_READ));
  if (!in) {
    LogMessage("ERROR", "Unable to open raster file - %s", RasterErrorText(errno).c_str());
    return -1;
  }
  errno = 0;
  RasterHandle out(cupsRasterOpenIO(&RasterFdStream::Write, &copy, CUPS_RASTER_WRITE));
  if (!out) {
    LogMessage("ERROR", "Unable to open raster file - %s", RasterErrorText(errno).c_str());
    return -1;
  }
  cups_page_header2_t header;
  std::vector<unsigned char> line;
  int pages = 0;
  while (cupsRasterReadHeader2(in.get(), &header)) {
    if (!RasterPageSizeUsable(header)) {
      // Refused like a page of the wrong kind: it and the pages after it are left out.
      LogMessage("ERROR", "Page %d has an unusable raster size (%u x %u pixels, %u bytes per line)", pages,
                 header.cupsWidth, header.cupsHeight, header.cupsBytesPerLine);
      break;
    }
    if (!AllocateLine(line, header.cupsBytesPerLine)) return -1;
    errno = 0;
    if (!cupsRasterWriteHeader2(out.get(), &header)) {
      LogWriteFailure(std::strerror(copy.error()));
      return -1;
    }
    ++pages;
    for (unsigned y = 0; y < header.cupsHeight; ++y) {
      if (!cupsRasterReadPixels(in.get(), line.data(), header.cupsBytesPerLine)) break;
      errno = 0;
      if (!cupsRasterWritePixels(out.get(), line.data(), header.cupsBytesPerLine)) {
        LogWriteFailure(std::strerror(copy.error()));
        return -1;
      }
    }
  }
  out.reset();
  if (!copy.Flush()) {
    LogWriteFailure(std::strerror(copy.error()));
    return -1;
  }
  return pages;
}

// Step 7: the counted pages of the raster copy into the spool.
void SpoolPages(cups_raster_t* raster, int pages, PdfSpoolWriter& spool) {
  cups_page_header2_t header;
  std::vector<unsigned char> line;
  for (int i = 0; i < pages; ++i) {
    if (!cupsRasterReadHeader2(raster, &header)) return;
    std::fprintf(stderr, "DEBUG: cupsBytesPerLine=%u\n", header.cupsBytesPerLine);
    if (!RasterPageSizeUsable(header)) return;  // the copy holds checked pages only
    if (!AllocateLine(line, header.cupsBytesPerLine)) return;
    std::fprintf(stderr, "PAGE: %d %d\n", i, static_cast<int>(header.NumCopies));
    if (!RasterPageAccepted(header)) return;

    spool.Page(header.Margins[0], header.Margins[1], PageSidePoints(header, 0), PageSidePoints(header, 1));
    // An accepted page holds one 8-bit sample per pixel whatever its cupsNumColors field says;
    // the drawing pass would leave a page of any other count blank.
    spool.Raster(header.cupsWidth, header.cupsHeight, 1, RawEnumField(header.cupsColorSpace));
    const int count = static_cast<int>(header.cupsBytesPerLine);
    for (unsigned l = 0; l < header.cupsHeight && spool.ok(); ++l) {
      if (l % 128 == 0) {
        LogMessage("INFO", "Printing page %d, %.0f%% complete...", i, 100.0 * l / header.cupsHeight);
      }
      if (!cupsRasterReadPixels(raster, line.data(), header.cupsBytesPerLine)) break;
      spool.Line(line.data(), count);
    }
    spool.EndPage();
    if (!spool.ok()) {
      LogWriteFailure(spool.error().c_str());
      return;
    }
  }
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

void RasterSpoolDocument(int argc, char* argv[], PdfSpoolWriter& spool) {
  FilterContext context;
  const PpdHandle ppd = Initialize(argc, argv, context);
  if (!ppd) {
    LogMessage("ERROR", "Cannot do common driver initialization");
    return;
  }
  spool.Document();
  spool.Author(context.user);
  spool.Title(context.title);
  if (!spool.ok()) {
    LogWriteFailure(spool.error().c_str());
    return;
  }

  // Standard input unless argument 6 names the raster file.
  const UniqueFd input_file(argc == 7 ? ::open(argv[6], O_RDONLY | O_CLOEXEC) : -1);
  if (argc == 7 && input_file.get() < 0) {
    LogMessage("ERROR", "Unable to open raster file - %s", std::strerror(errno));
    return;
  }
  const int input_fd = argc == 7 ? input_file.get() : 0;

  PdfTempFile copy;
  if (!copy.valid()) {
    LogMessage("ERROR", "Unable to open raster file - %s", copy.error().c_str());
    return;
  }
  const int pages = CopyRaster(input_fd, copy.fd());
  if (pages < 0) return;
  copy.CloseFd();

  UniqueFd copy_in(::open(copy.path().c_str(), O_RDONLY | O_CLOEXEC));
  if (copy_in.get() < 0) {
    LogMessage("ERROR", "Cannot do cupsFileOpen from a raster print - %s", std::strerror(errno));
    return;
  }
  RasterFdStream copy_stream(copy_in.get());
  errno = 0;
  RasterHandle raster(cupsRasterOpenIO(&RasterFdStream::Read, &copy_stream, CUPS_RASTER_READ));
  if (!raster) {
    LogMessage("ERROR", "Unable to open raster file - %s", RasterErrorText(errno).c_str());
    return;
  }
  SpoolPages(raster.get(), pages, spool);
}

}  // namespace nx::filter
