// The operating-system version number in the old 'sysv' form (0x1MNB), derived from the kernel
// release text. The text comes from an injectable source so that tests can stand on either side
// of every version gate.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace nx::platform {

// The number used when the kernel release cannot be read.
inline constexpr int kUnknownSystemVersion = 0x1000;

// Where the kernel release text ("major.minor.patch...") comes from.
class KernelReleaseSource {
 public:
  virtual ~KernelReleaseSource() = default;
  // Empty when the release cannot be read.
  virtual std::optional<std::string> KernelRelease() const = 0;
};

// The running kernel's release through uname(2).
class UnameKernelRelease final : public KernelReleaseSource {
 public:
  std::optional<std::string> KernelRelease() const override;
};

// NX_KERNEL_RELEASE when set and not empty (see CurrentSystemVersion), else uname(2).
class EnvironmentKernelRelease final : public KernelReleaseSource {
 public:
  std::optional<std::string> KernelRelease() const override;
};

// A fixed answer (or none), for tests.
class FixedKernelRelease final : public KernelReleaseSource {
 public:
  explicit FixedKernelRelease(std::optional<std::string> release) : release_(std::move(release)) {}
  std::optional<std::string> KernelRelease() const override { return release_; }

 private:
  std::optional<std::string> release_;
};

// 0x1000 + 16 x ((major - 4) mod 16) + (minor mod 16): the major part is added only when it
// parses as a positive number, the minor part only when it parses and is positive. Release 14.5
// gives 0x10A5, 8.11 gives 0x104B; text without a leading number gives 0x1000. Numbers of any
// length are accepted without overflow.
int SystemVersionFromRelease(std::string_view release);

// SystemVersionFromRelease of the source's text, 0x1000 when it has none.
int ProbeSystemVersion(const KernelReleaseSource& source);

// The running system's number, computed on first use and kept for the process. The environment
// variable NX_KERNEL_RELEASE, when set, stands in for the kernel's release text: it is how the
// end-to-end tests put a filter that the print server starts on either side of a version gate.
int CurrentSystemVersion();

}  // namespace nx::platform
