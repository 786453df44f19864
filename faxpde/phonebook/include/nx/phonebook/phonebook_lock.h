// The lock that makes every read-modify-write of a phonebook file exclusive across programs
// (faxbook runs, print dialogs).
//
// It is an advisory lock (flock) on "<book>.lock" beside the book (a symbolic link at the book's
// path is followed first, as the writer does), so the kernel releases it when its holder dies. The
// lock file is left in place: removing it would let two programs lock two different files.
// Within one process the lock is counted, so code holding it may call code that takes it again;
// it is not meant to separate threads of one process.
#pragma once

#include <cstdint>
#include <string>

namespace nx::phonebook {

class PhonebookLock {
 public:
  PhonebookLock() = default;
  ~PhonebookLock() { Release(); }
  PhonebookLock(PhonebookLock&& other) noexcept;
  PhonebookLock& operator=(PhonebookLock&& other) noexcept;
  PhonebookLock(const PhonebookLock&) = delete;
  PhonebookLock& operator=(const PhonebookLock&) = delete;

  // Waits for the lock of the book at `bookPath`. Not held (held() false) when the lock file
  // cannot be created or opened, or is not a regular file.
  static PhonebookLock Acquire(const std::string& bookPath);
  // The hold of this process on the book's lock: 0 when it holds none, else a number that stays
  // the same until the outermost holder releases it (a book read under one hold is current for
  // as long as that hold lasts).
  static std::uint64_t CurrentHold(const std::string& bookPath);
  // "<book>.lock" for the book at `bookPath`.
  static std::string LockFileOf(const std::string& bookPath);

  bool held() const { return !key_.empty(); }
  std::uint64_t hold() const { return hold_; }
  void Release();

 private:
  std::string key_;
  std::uint64_t hold_ = 0;
};

}  // namespace nx::phonebook
