// An open file descriptor that closes itself.
#pragma once

#include <unistd.h>

#include <utility>

namespace nx::platform {

class UniqueFd {
 public:
  explicit UniqueFd(int fd = -1) noexcept : fd_(fd) {}
  ~UniqueFd() {
    if (fd_ >= 0) ::close(fd_);
  }
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;
  UniqueFd(UniqueFd&& other) noexcept : fd_(other.release()) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept {
    if (this != &other) {
      Close();
      fd_ = other.release();
    }
    return *this;
  }

  int get() const noexcept { return fd_; }
  bool ok() const noexcept { return fd_ >= 0; }
  // Gives the descriptor up without closing it.
  int release() noexcept { return std::exchange(fd_, -1); }
  // Closes now and reports the result: a failed close can mean lost data.
  bool Close() noexcept {
    const int fd = release();
    return fd < 0 || ::close(fd) == 0;
  }

 private:
  int fd_;
};

}  // namespace nx::platform
