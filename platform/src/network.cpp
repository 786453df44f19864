// Host name and bounded address resolution; see network.h.
#include "nx/platform/network.h"

#include <netdb.h>
#include <sys/socket.h>
#include <unistd.h>

#include <climits>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

namespace nx::platform {
namespace {

struct AddrInfoDeleter {
  void operator()(addrinfo* ai) const { freeaddrinfo(ai); }
};
using AddrInfoPtr = std::unique_ptr<addrinfo, AddrInfoDeleter>;

// What the worker and the waiting caller share; the worker keeps it alive past a timeout.
struct PendingResolve {
  std::mutex mutex;
  std::condition_variable done_cv;
  bool done = false;
  std::vector<std::string> addresses;
};

}  // namespace

std::optional<std::string> LocalHostName() {
  char name[256] = {};
  if (gethostname(name, sizeof name - 1) != 0) return std::nullopt;
  name[sizeof name - 1] = '\0';
  if (name[0] == '\0') return std::nullopt;
  return std::string(name);
}

std::vector<std::string> ResolveHostAddressesBlocking(const std::string& host) {
  std::vector<std::string> out;
  if (host.empty()) return out;
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;  // one entry per address rather than one per socket type
  addrinfo* raw = nullptr;
  if (getaddrinfo(host.c_str(), nullptr, &hints, &raw) != 0) return out;
  AddrInfoPtr list(raw);
  for (const addrinfo* ai = list.get(); ai; ai = ai->ai_next) {
    if (ai->ai_family != AF_INET && ai->ai_family != AF_INET6) continue;
    char text[NI_MAXHOST] = {};
    if (getnameinfo(ai->ai_addr, ai->ai_addrlen, text, sizeof text, nullptr, 0, NI_NUMERICHOST) == 0)
      out.emplace_back(text);
  }
  return out;
}

std::vector<std::string> ResolveHostAddresses(std::string_view host, std::chrono::milliseconds deadline,
                                              BlockingResolver resolver) {
  if (host.empty()) return {};
  if (!resolver) resolver = ResolveHostAddressesBlocking;
  auto pending = std::make_shared<PendingResolve>();
  try {
    std::thread([pending, resolver = std::move(resolver), name = std::string(host)] {
      std::vector<std::string> found;
      try {
        found = resolver(name);
      } catch (...) {
        found.clear();
      }
      std::lock_guard lock(pending->mutex);
      pending->addresses = std::move(found);
      pending->done = true;
      pending->done_cv.notify_all();
    }).detach();
  } catch (const std::system_error&) {
    return {};  // no thread to bound the wait with: better no address than a hung job
  }
  std::unique_lock lock(pending->mutex);
  if (!pending->done_cv.wait_for(lock, deadline, [&] { return pending->done; })) return {};
  return std::move(pending->addresses);
}

}  // namespace nx::platform
