// Temporary files of the document step; see PdfTempFile.h.
#include "PdfTempFile.h"

#include <cups/cups.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace nx::filter {

PdfTempFile::PdfTempFile() {
  char name[4096] = "";
  // libcups cuts a name that does not fit the buffer, and the cut name is another file, possibly
  // beside TMPDIR rather than in it: a folder name that leaves no room for the file's own
  // 13-character name is refused instead.
  const char* tmpdir = std::getenv("TMPDIR");
  if (std::strlen(tmpdir ? tmpdir : "/tmp") + 1 + 13 >= sizeof name - 1) {
    error_ = std::strerror(ENAMETOOLONG);
    return;
  }
  errno = 0;
  fd_ = cupsTempFd(name, static_cast<int>(sizeof name));
  if (fd_ < 0) {
    error_ = std::strerror(errno ? errno : EIO);
    return;
  }
  path_ = name;
}

PdfTempFile::~PdfTempFile() {
  CloseFd();
  if (!path_.empty()) ::unlink(path_.c_str());
}

void PdfTempFile::CloseFd() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

bool PdfWriteAll(int fd, const void* data, std::size_t size) {
  const auto* p = static_cast<const unsigned char*>(data);
  while (size > 0) {
    const ssize_t n = ::write(fd, p, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) {
      errno = EIO;
      return false;
    }
    p += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace nx::filter
