// The spool document; see PdfSpool.h.
#include "PdfSpool.h"

#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstring>

namespace nx::filter {
namespace {

// Keyword lines are short; anything longer did not come from PdfSpoolWriter.
constexpr std::size_t kMaxLine = 4096;
constexpr std::size_t kWriteBuffer = 1 << 16;

std::string OneLine(const std::string& text) {
  std::string out = text;
  for (char& c : out) {
    if (c == '\n' || c == '\r') c = ' ';
  }
  return out;
}

}  // namespace

PdfSpoolWriter::PdfSpoolWriter(int fd) {
  const int copy = ::dup(fd);
  if (copy >= 0) file_ = ::fdopen(copy, "wb");
  if (!file_) {
    error_ = std::strerror(errno ? errno : EBADF);
    if (copy >= 0) ::close(copy);
    return;
  }
  // glibc ignores the size unless it is given the buffer too.
  buffer_.reset(new char[kWriteBuffer]);
  std::setvbuf(file_, buffer_.get(), _IOFBF, kWriteBuffer);
}

PdfSpoolWriter::~PdfSpoolWriter() {
  if (file_) std::fclose(file_);
}

bool PdfSpoolWriter::Fail() {
  if (error_.empty()) error_ = std::strerror(errno ? errno : EIO);
  return false;
}

bool PdfSpoolWriter::Printf(const char* format, ...) {
  if (!ok()) return false;
  va_list ap;
  va_start(ap, format);
  errno = 0;
  const int n = std::vfprintf(file_, format, ap);
  va_end(ap);
  return n >= 0 ? true : Fail();
}

bool PdfSpoolWriter::Document() { return Printf("DOCUMENT\n"); }
bool PdfSpoolWriter::Author(const std::string& user) { return Printf("AUTHOR %s\n", OneLine(user).c_str()); }
bool PdfSpoolWriter::Title(const std::string& title) { return Printf("TITLE %s\n", OneLine(title).c_str()); }

bool PdfSpoolWriter::Page(unsigned left, unsigned bottom, unsigned width, unsigned height) {
  return Printf("PAGE %u %u %u %u\n", left, bottom, width, height);
}

bool PdfSpoolWriter::Raster(unsigned width, unsigned height, unsigned colors, unsigned color_space) {
  return Printf("RASTER %u %u %u %u\n", width, height, colors, color_space);
}

bool PdfSpoolWriter::Line(const unsigned char* data, int count) {
  if (count < 0 || !Printf("LINE %d\n", count)) return false;
  errno = 0;
  if (std::fwrite(data, 1, static_cast<std::size_t>(count), file_) != static_cast<std::size_t>(count)) return Fail();
  return true;
}

bool PdfSpoolWriter::EndPage() { return Printf("ENDPAGE\n"); }

bool PdfSpoolWriter::Flush() {
  if (!ok()) return false;
  errno = 0;
  return std::fflush(file_) == 0 ? true : Fail();
}

bool PdfSpoolWriter::Restart() {
  if (!Flush()) return false;
  errno = 0;
  if (::ftruncate(fileno(file_), 0) != 0 || std::fseek(file_, 0, SEEK_SET) != 0) return Fail();
  return true;
}

bool PdfSpoolWriter::Close() {
  if (!file_) return false;
  errno = 0;
  const bool flushed = std::fflush(file_) == 0;
  if (!flushed) Fail();
  errno = 0;
  const bool closed = std::fclose(file_) == 0;
  file_ = nullptr;
  if (!closed && error_.empty()) error_ = std::strerror(errno ? errno : EIO);
  return error_.empty();
}

bool PdfSpoolReader::NextLine(std::string& keyword, std::string& value) {
  keyword.clear();
  value.clear();
  std::string line;
  int c;
  bool any = false;
  bool too_long = false;
  while ((c = getc_unlocked(file_)) != EOF) {
    any = true;
    if (c == '\n') break;
    if (line.size() < kMaxLine) {
      line.push_back(static_cast<char>(c));
    } else {
      too_long = true;
    }
  }
  if (!any) return false;
  if (too_long) return true;
  const auto space = line.find(' ');
  keyword = line.substr(0, space);
  if (space != std::string::npos) value = line.substr(space + 1);
  return true;
}

std::size_t PdfSpoolReader::Read(unsigned char* out, std::size_t size) { return std::fread(out, 1, size, file_); }

void PdfSpoolReader::Skip(std::uint64_t size) {
  unsigned char scratch[8192];
  while (size > 0) {
    const std::size_t want = size < sizeof scratch ? static_cast<std::size_t>(size) : sizeof scratch;
    const std::size_t got = std::fread(scratch, 1, want, file_);
    if (got == 0) return;
    size -= got;
  }
}

}  // namespace nx::filter
