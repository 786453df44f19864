// A temporary file of the document step, made with the print system's temporary-file facility
// (cupsTempFd, in TMPDIR) and removed when its owner goes, on every path.
#pragma once

#include <string>

namespace nx::filter {

class PdfTempFile {
 public:
  // Creates the file. On failure valid() is false and error() holds the system's error text.
  PdfTempFile();
  ~PdfTempFile();
  PdfTempFile(const PdfTempFile&) = delete;
  PdfTempFile& operator=(const PdfTempFile&) = delete;

  bool valid() const { return fd_ >= 0; }
  int fd() const { return fd_; }
  const std::string& path() const { return path_; }
  const std::string& error() const { return error_; }

  // Closes the descriptor; the file stays until the object goes.
  void CloseFd();

 private:
  int fd_ = -1;
  std::string path_;
  std::string error_;
};

// Writes all `size` bytes to `fd`, retrying short writes. False on failure (errno set).
[[nodiscard]] bool PdfWriteAll(int fd, const void* data, std::size_t size);

}  // namespace nx::filter
