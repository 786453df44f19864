// Host name and address look-up, bounded in time: a resolver that does not answer within the
// deadline yields "no address" instead of hanging a job.
#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace nx::platform {

inline constexpr std::chrono::milliseconds kDefaultResolveDeadline{3000};

// A blocking resolver: every address of a host as numeric text, in the resolver's order.
using BlockingResolver = std::function<std::vector<std::string>(const std::string& host)>;

// The local host name (gethostname, at most 255 bytes); empty when it cannot be read.
std::optional<std::string> LocalHostName();

// getaddrinfo (any family, one entry per address) + getnameinfo(NI_NUMERICHOST). IPv6
// link-local texts keep their "%zone" suffix. Blocks as long as the system resolver does.
std::vector<std::string> ResolveHostAddressesBlocking(const std::string& host);

// Runs `resolver` (default: ResolveHostAddressesBlocking) on a worker thread and waits at most
// `deadline`. After the deadline the answer is empty and the worker is left to finish on its
// own; it touches nothing of the caller's.
std::vector<std::string> ResolveHostAddresses(std::string_view host,
                                              std::chrono::milliseconds deadline = kDefaultResolveDeadline,
                                              BlockingResolver resolver = {});

// A numeric address text in the devices' form, the same for the job header and the accounting
// panel's ticket. IPv4 text a.b.c.d: "I" + each number as two upper-case hexadecimal digits.
// IPv6 text (a "%zone" suffix dropped): "6" + the 32 hexadecimal digits of the full address,
// "::" expanded and a dotted IPv4 tail (::ffff:a.b.c.d) written as its two groups; letters keep
// the case the text gives them (the resolver's is lower case). Empty for anything else: a
// number of more than three digits or above 255, a malformed address, other texts.
std::string EncodeClientAddress(std::string_view numeric);

// The networking service as the rest of the system sees it.
class Network {
 public:
  virtual ~Network() = default;
  virtual std::optional<std::string> HostName() const = 0;
  // Numeric address texts of `host`, resolver order; empty when unresolved or too slow.
  virtual std::vector<std::string> HostAddresses(std::string_view host) const = 0;
};

class LinuxNetwork final : public Network {
 public:
  explicit LinuxNetwork(std::chrono::milliseconds deadline = kDefaultResolveDeadline) : deadline_(deadline) {}
  std::optional<std::string> HostName() const override { return LocalHostName(); }
  std::vector<std::string> HostAddresses(std::string_view host) const override {
    return ResolveHostAddresses(host, deadline_);
  }

 private:
  std::chrono::milliseconds deadline_;
};

// Fixed names and addresses, for tests. An empty host name means "cannot be read"; the
// addresses are answered for that host name only.
class FixedNetwork final : public Network {
 public:
  FixedNetwork(std::string host_name, std::vector<std::string> addresses)
      : host_name_(std::move(host_name)), addresses_(std::move(addresses)) {}
  std::optional<std::string> HostName() const override {
    if (host_name_.empty()) return std::nullopt;
    return host_name_;
  }
  std::vector<std::string> HostAddresses(std::string_view host) const override {
    return host == host_name_ ? addresses_ : std::vector<std::string>{};
  }

 private:
  std::string host_name_;
  std::vector<std::string> addresses_;
};

}  // namespace nx::platform
