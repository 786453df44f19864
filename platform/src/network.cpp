// Host name and bounded address resolution; see network.h.
#include "nx/platform/network.h"

#include <arpa/inet.h>
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

constexpr char kLowerHex[] = "0123456789abcdef";
// The longest numeric IPv6 text (INET6_ADDRSTRLEN without its terminator).
constexpr std::size_t kIPv6TextLimit = 45;

std::string EncodeIPv4(std::string_view text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out = "I";
  int fields = 0;
  std::size_t start = 0;
  for (;;) {
    const std::size_t dot = text.find('.', start);
    const std::string_view field =
        text.substr(start, dot == std::string_view::npos ? std::string_view::npos : dot - start);
    if (field.empty() || field.size() > 3 || ++fields > 4) return {};
    unsigned value = 0;
    for (char c : field) {
      if (c < '0' || c > '9') return {};
      value = value * 10 + static_cast<unsigned>(c - '0');
    }
    if (value > 255) return {};
    out += kHex[value >> 4];
    out += kHex[value & 0xF];
    if (dot == std::string_view::npos) break;
    start = dot + 1;
  }
  return fields == 4 ? out : std::string();
}

// Appends the groups of `part` (colon-separated, possibly empty) padded to four digits each; a
// dotted group is taken from `bytes` as the address's last two groups. Answers the group count.
std::size_t AppendGroups(std::string_view part, const unsigned char (&bytes)[16], std::string& out) {
  std::size_t groups = 0;
  while (!part.empty()) {
    const std::size_t colon = part.find(':');
    const std::string_view group = part.substr(0, colon);
    if (group.find('.') != std::string_view::npos) {
      for (std::size_t i = 12; i < 16; ++i) {
        out += kLowerHex[bytes[i] >> 4];
        out += kLowerHex[bytes[i] & 0xF];
      }
      groups += 2;
    } else {
      out.append(4 - group.size(), '0').append(group);
      ++groups;
    }
    if (colon == std::string_view::npos) break;
    part.remove_prefix(colon + 1);
  }
  return groups;
}

std::string EncodeIPv6(std::string_view text) {
  text = text.substr(0, text.find('%'));
  if (text.empty() || text.size() > kIPv6TextLimit) return {};
  unsigned char bytes[16];
  if (inet_pton(AF_INET6, std::string(text).c_str(), bytes) != 1) return {};
  // The form is sound now; the digits are copied from the text so that letters keep its case.
  const std::size_t gap = text.find("::");
  std::string head = "6";
  std::string tail;
  const std::size_t groups = AppendGroups(text.substr(0, gap), bytes, head) +
                             (gap == std::string_view::npos ? 0 : AppendGroups(text.substr(gap + 2), bytes, tail));
  if (groups > 8) return {};
  head.append(4 * (8 - groups), '0');
  return head + tail;
}

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

std::string EncodeClientAddress(std::string_view numeric) {
  if (numeric.find(':') != std::string_view::npos) return EncodeIPv6(numeric);
  if (numeric.find('.') != std::string_view::npos) return EncodeIPv4(numeric);
  return {};
}

}  // namespace nx::platform
