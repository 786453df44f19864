// What a job owns; see FilterJob.h.
#include "FilterJob.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>


namespace nx::filter {

JobCopyFile::~JobCopyFile() { Close(); }

void JobCopyFile::Close() {
  if (fp_) std::fclose(fp_);
  fp_ = nullptr;
}

void JobCopyFile::Discard() {
  if (!fp_) return;
  std::fclose(fp_);
  fp_ = nullptr;
  ::unlink(path_.c_str());
}

bool JobCopyFile::Open(const std::string& path, std::string& error) {
  if (fp_) {
    error = "already open";
    return false;
  }
  // The folder is shared: only a file this job creates itself is written, never one that
  // someone placed (or linked) at the predictable name beforehand.
  const int fd =
      ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY, 0600);
  if (fd < 0) {
    error = std::strerror(errno);
    return false;
  }
  fp_ = ::fdopen(fd, "wb");
  if (!fp_) {
    error = std::strerror(errno);
    ::close(fd);
    ::unlink(path.c_str());
    return false;
  }
  path_ = path;
  return true;
}

bool JobCopyFile::Finish(std::string& error) {
  if (!fp_) return true;
  bool ok = true;
  if (std::fflush(fp_) != 0 || std::ferror(fp_)) {
    error = std::strerror(errno ? errno : EIO);
    ok = false;
  }
  if (::fchmod(fileno(fp_), 0676) != 0 && ok) {
    error = std::strerror(errno);
    ok = false;
  }
  if (std::fclose(fp_) != 0 && ok) {
    error = std::strerror(errno);
    ok = false;
  }
  fp_ = nullptr;
  if (!ok) ::unlink(path_.c_str());
  return ok;
}

}  // namespace nx::filter
