// Following the user's held jobs: a poll of the local server's job list (one cheap request a
// second; the server's notifications arrive before the document and are polled as well), and
// the events a session acts on.
#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "nx/heldjobs/held_jobs.h"

namespace nx::heldjobs {

struct FollowEvents {
  // A held job without a ticket appeared: the user must choose its recipients. This is where a
  // session shows its notification and opens the dialog; without one it is logged.
  std::function<void(const HeldJob&)> needs_recipients;
  // A job that needs_recipients announced no longer does: it got its ticket, was released,
  // cancelled or went away. Where the session takes its notification back.
  std::function<void(int job_id)> resolved;
  // A job has been held longer than the configured time; reported once, never cancelled.
  std::function<void(const HeldJob&, std::chrono::seconds held)> waiting_long;
  // The server could not be reached or refused the list; reported once until it answers again.
  std::function<void(const std::string&)> problem;
};

class Follower {
 public:
  // `connect` makes a new connection when there is none (LocalServer::Connect in the program).
  using Connector = std::function<std::unique_ptr<LocalServer>(std::string*)>;
  Follower(FollowEvents events, Connector connect, std::chrono::seconds report_after)
      : events_(std::move(events)), connect_(std::move(connect)), report_after_(report_after) {}

  // One look at the job list; `now` is the wall clock (injectable for the tests).
  void Poll(std::time_t now);
  // Polls every `interval` until `stop` is set.
  void Run(const std::atomic<bool>& stop, std::chrono::milliseconds interval);

 private:
  struct Seen {
    bool needed = false;    // needs_recipients was called
    bool reported = false;  // waiting_long was called
    bool resolved = false;  // resolved was called
  };
  FollowEvents events_;
  Connector connect_;
  std::chrono::seconds report_after_;
  std::unique_ptr<LocalServer> server_;
  std::map<int, Seen> seen_;
  bool in_trouble_ = false;
};

// A per-user lock, so that two sessions of one user do not both act on the same jobs: an flock
// on a file in $XDG_RUNTIME_DIR (else /tmp, a file of the user's own). Held while the object lives.
class UserLock {
 public:
  // nullptr with *error when another holder has it or the file cannot be used.
  static std::unique_ptr<UserLock> Take(const std::string& name, std::string* error);
  ~UserLock();
  UserLock(const UserLock&) = delete;
  UserLock& operator=(const UserLock&) = delete;

 private:
  explicit UserLock(int fd) : fd_(fd) {}
  int fd_;
};

}  // namespace nx::heldjobs
