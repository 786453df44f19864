// What a job owns; see FilterJob.h.
#include "FilterJob.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "EncryptLib.h"
#include "TicketReader.h"

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

JobDeviceKey::JobDeviceKey() = default;
JobDeviceKey::~JobDeviceKey() = default;

const encrypt::DeviceKey& JobDeviceKey::Get() const {
  if (key_) return *key_;
  // A deployment's own key, when one is installed in place of the built-in key: at most a few
  // kilobytes of its file are read. An installed key that cannot be read must not send the
  // passwords under the built-in key: it counts as a key that does not decode.
  std::string text;
  bool unreadable = false;
  if (std::FILE* file = std::fopen(DeviceKeyFile().c_str(), "rb")) {
    text.resize(16 * 1024);
    text.resize(std::fread(text.data(), 1, text.size(), file));
    unreadable = std::ferror(file) != 0;
    std::fclose(file);
  } else {
    unreadable = errno != ENOENT && errno != ENOTDIR;
  }
  if (unreadable) {
    key_ = std::make_unique<encrypt::DeviceKey>("", 0);
  } else if (text.empty()) {
    key_ = std::make_unique<encrypt::DeviceKey>();
  } else {
    key_ = std::make_unique<encrypt::DeviceKey>(text.data(), static_cast<int>(text.size()));
  }
  return *key_;
}

}  // namespace nx::filter
