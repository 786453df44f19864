// Byte sources for the parsers; see byte_source.h.
#include "byte_source.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <new>

namespace nx::phonebook::detail {
namespace {
constexpr std::size_t kChunk = 64 * 1024;
}

MemorySource::MemorySource(const void* data, std::size_t size)
    : begin_(static_cast<const std::uint8_t*>(data)), size_(data == nullptr ? 0 : size) {
  Rewind();
}

bool MemorySource::Rewind() {
  cur_ = begin_;
  end_ = begin_ + size_;
  return true;
}

std::unique_ptr<FileSource> FileSource::Open(const char* path) {
  if (path == nullptr || *path == '\0') return nullptr;
  int fd;
  do {
    // Without O_NONBLOCK the open of a FIFO waits for a writer, possibly forever; the opened
    // descriptor is checked, so nothing can be swapped in between a check and the open.
    fd = ::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return nullptr;
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return nullptr;
  }
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  std::unique_ptr<FileSource> source(new (std::nothrow) FileSource(fd));
  if (!source) {
    ::close(fd);
    return nullptr;
  }
  try {
    source->buffer_.resize(kChunk);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
  return source;
}

FileSource::FileSource(int fd) : fd_(fd) {}

FileSource::~FileSource() { ::close(fd_); }

bool FileSource::Rewind() {
  if (::lseek(fd_, 0, SEEK_SET) != 0) {
    failed_ = true;
    return false;
  }
  cur_ = end_ = nullptr;
  failed_ = false;
  return true;
}

bool FileSource::Refill() {
  if (failed_) return false;
  ssize_t n;
  do {
    n = ::read(fd_, buffer_.data(), buffer_.size());
  } while (n < 0 && errno == EINTR);
  if (n < 0) failed_ = true;
  if (n <= 0) return false;
  cur_ = buffer_.data();
  end_ = cur_ + n;
  return true;
}

}  // namespace nx::phonebook::detail
