// Following held jobs; see follower.h.
#include "nx/heldjobs/follower.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <set>
#include <thread>

namespace nx::heldjobs {

void Follower::Poll(std::time_t now) {
  std::string error;
  if (!server_) server_ = connect_(&error);
  std::vector<HeldJob> jobs;
  if (!server_ || !server_->ListHeldJobs(&jobs, &error)) {
    server_.reset();  // a restarted server needs a new connection
    if (!in_trouble_ && events_.problem) events_.problem(error);
    in_trouble_ = true;
    return;
  }
  in_trouble_ = false;
  std::set<int> present;
  for (const HeldJob& job : jobs) {
    present.insert(job.id);
    Seen& seen = seen_[job.id];
    if (!seen.needed && job.NeedsRecipients()) {
      seen.needed = true;
      if (events_.needs_recipients) events_.needs_recipients(job);
    } else if (seen.needed && !seen.resolved && !job.NeedsRecipients()) {
      seen.resolved = true;
      if (events_.resolved) events_.resolved(job.id);
    }
    const auto held = std::chrono::seconds(now - job.created);
    if (!seen.reported && job.created > 0 && held >= report_after_) {
      seen.reported = true;
      if (events_.waiting_long) events_.waiting_long(job, held);
    }
  }
  std::erase_if(seen_, [&](const auto& e) {
    if (present.contains(e.first)) return false;
    if (e.second.needed && !e.second.resolved && events_.resolved) events_.resolved(e.first);
    return true;
  });
}

void Follower::Run(const std::atomic<bool>& stop, std::chrono::milliseconds interval) {
  while (!stop) {
    const auto next = std::chrono::steady_clock::now() + interval;
    Poll(std::time(nullptr));
    while (!stop && std::chrono::steady_clock::now() < next)
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

std::unique_ptr<UserLock> UserLock::Take(const std::string& name, std::string* error) {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  const std::string path = runtime && runtime[0] == '/'
                               ? std::string(runtime) + "/" + name + ".lock"
                               : "/tmp/" + name + "-" + std::to_string(getuid()) + ".lock";
  const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) {
    if (error) *error = "cannot open the lock " + path + ": " + std::strerror(errno);
    return nullptr;
  }
  struct stat st {};
  if (fstat(fd, &st) != 0 || st.st_uid != getuid() || !S_ISREG(st.st_mode)) {
    close(fd);
    if (error) *error = "the lock " + path + " is not a file of yours";
    return nullptr;
  }
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    close(fd);
    if (error) *error = "another agent of this user is running (" + path + ")";
    return nullptr;
  }
  return std::unique_ptr<UserLock>(new UserLock(fd));
}

UserLock::~UserLock() { close(fd_); }

}  // namespace nx::heldjobs
