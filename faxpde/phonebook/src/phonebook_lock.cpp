// Phonebook locks; see phonebook_lock.h.
#include "nx/phonebook/phonebook_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>
#include <utility>

namespace nx::phonebook {
namespace {

struct Held {
  int fd = -1;
  int depth = 0;
  std::uint64_t hold = 0;
};

std::mutex& RegistryMutex() {
  static std::mutex mutex;
  return mutex;
}

std::map<std::string, Held>& Registry() {
  static auto* registry = new std::map<std::string, Held>();
  return *registry;
}

// The book the save replaces: a symbolic link is followed, so that both names of one book share
// one lock.
std::string ResolvedBook(const std::string& bookPath) {
  struct stat st;
  if (::lstat(bookPath.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
    if (char* real = ::realpath(bookPath.c_str(), nullptr)) {
      std::string resolved(real);
      std::free(real);
      return resolved;
    }
  }
  return bookPath;
}

int OpenLockFile(const std::string& path) {
  int fd;
  do {
    // Read-only is enough for flock, and lets every user who may save the book lock it, whoever
    // created the lock file. Non-blocking, so that a FIFO planted at the name cannot stall the
    // open.
    fd = ::open(path.c_str(), O_RDONLY | O_CREAT | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC, 0666);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return -1;
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return -1;
  }
  return fd;
}

}  // namespace

std::string PhonebookLock::LockFileOf(const std::string& bookPath) {
  return ResolvedBook(bookPath) + ".lock";
}

PhonebookLock::PhonebookLock(PhonebookLock&& other) noexcept
    : key_(std::move(other.key_)), hold_(other.hold_) {
  other.key_.clear();
  other.hold_ = 0;
}

PhonebookLock& PhonebookLock::operator=(PhonebookLock&& other) noexcept {
  if (this != &other) {
    Release();
    key_ = std::move(other.key_);
    hold_ = other.hold_;
    other.key_.clear();
    other.hold_ = 0;
  }
  return *this;
}

PhonebookLock PhonebookLock::Acquire(const std::string& bookPath) {
  PhonebookLock lock;
  if (bookPath.empty()) return lock;
  const std::string key = LockFileOf(bookPath);
  static std::uint64_t nextHold = 0;
  std::lock_guard<std::mutex> guard(RegistryMutex());
  auto& registry = Registry();
  if (auto it = registry.find(key); it != registry.end()) {
    ++it->second.depth;
    lock.key_ = key;
    lock.hold_ = it->second.hold;
    return lock;
  }
  const int fd = OpenLockFile(key);
  if (fd < 0) {
    std::fprintf(stderr, "##Plugin debug## phonebook lock %s cannot be opened (errno %d)\n",
                 key.c_str(), errno);
    return lock;
  }
  int rc;
  do {
    rc = ::flock(fd, LOCK_EX);
  } while (rc != 0 && errno == EINTR);
  if (rc != 0) {
    ::close(fd);
    return lock;
  }
  Held held{fd, 1, ++nextHold};
  try {
    registry.emplace(key, held);
  } catch (...) {
    ::close(fd);
    return lock;
  }
  lock.key_ = key;
  lock.hold_ = held.hold;
  return lock;
}

std::uint64_t PhonebookLock::CurrentHold(const std::string& bookPath) {
  if (bookPath.empty()) return 0;
  const std::string key = LockFileOf(bookPath);
  std::lock_guard<std::mutex> guard(RegistryMutex());
  const auto& registry = Registry();
  const auto it = registry.find(key);
  return it == registry.end() ? 0 : it->second.hold;
}

void PhonebookLock::Release() {
  if (key_.empty()) return;
  std::lock_guard<std::mutex> guard(RegistryMutex());
  auto& registry = Registry();
  if (auto it = registry.find(key_); it != registry.end() && --it->second.depth == 0) {
    // Closing the descriptor releases the lock.
    ::close(it->second.fd);
    registry.erase(it);
  }
  key_.clear();
  hold_ = 0;
}

}  // namespace nx::phonebook
