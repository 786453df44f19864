// A small in-process centre of named notifications (the phonebook model tells its windows that
// it changed). Everything runs on the dialog's main thread; the centre takes no locks.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace nx::platform {

struct Notification {
  std::string name;
  const void* sender = nullptr;  // the posting object, if any; never dereferenced by the centre
};

class NotificationCenter {
 public:
  using Observer = std::function<void(const Notification&)>;
  using Token = uint64_t;

  // Calls `observer` for every notification named `name` (every name when empty) whose sender
  // is `sender` (any sender when null). The token removes it again.
  Token AddObserver(std::string name, Observer observer, const void* sender = nullptr);
  void RemoveObserver(Token token);
  // Delivers synchronously, in registration order. Observers added while a notification is
  // delivered do not receive it; observers removed meanwhile are not called any more.
  void Post(std::string_view name, const void* sender = nullptr);
  size_t ObserverCount() const { return observers_.size(); }

 private:
  struct Entry {
    Token token;
    std::string name;
    const void* sender;
    Observer observer;
  };
  std::vector<Entry> observers_;
  Token next_token_ = 1;
};

// Removes its observer when it goes out of scope (windows keep one per registration).
class ScopedObserver {
 public:
  ScopedObserver() = default;
  ScopedObserver(NotificationCenter& center, std::string name, NotificationCenter::Observer observer,
                 const void* sender = nullptr)
      : center_(&center), token_(center.AddObserver(std::move(name), std::move(observer), sender)) {}
  ~ScopedObserver() { Reset(); }
  ScopedObserver(ScopedObserver&& o) noexcept : center_(o.center_), token_(o.token_) { o.center_ = nullptr; }
  ScopedObserver& operator=(ScopedObserver&& o) noexcept {
    if (this != &o) {
      Reset();
      center_ = o.center_;
      token_ = o.token_;
      o.center_ = nullptr;
    }
    return *this;
  }
  void Reset() {
    if (center_) center_->RemoveObserver(token_);
    center_ = nullptr;
  }

 private:
  NotificationCenter* center_ = nullptr;
  NotificationCenter::Token token_ = 0;
};

}  // namespace nx::platform
