// 'sysv' version number from the kernel release; see system_version.h.
#include "nx/platform/system_version.h"

#include <sys/utsname.h>

#include <cstdlib>

namespace nx::platform {
namespace {

// Reads the decimal number at `pos`, keeping only its value mod 16 (all the formula needs) and
// whether it is positive. False when no digit is there.
bool ReadNumberMod16(std::string_view text, size_t& pos, int& mod16, bool& positive) {
  const size_t start = pos;
  mod16 = 0;
  positive = false;
  while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
    const int digit = text[pos] - '0';
    mod16 = (mod16 * 10 + digit) % 16;
    positive = positive || digit != 0;
    ++pos;
  }
  return pos > start;
}

}  // namespace

std::optional<std::string> UnameKernelRelease::KernelRelease() const {
  utsname u{};
  if (uname(&u) != 0) return std::nullopt;
  return std::string(u.release);
}

std::optional<std::string> EnvironmentKernelRelease::KernelRelease() const {
  if (const char* release = std::getenv("NX_KERNEL_RELEASE"); release && *release) return std::string(release);
  return UnameKernelRelease().KernelRelease();
}

int SystemVersionFromRelease(std::string_view release) {
  int version = kUnknownSystemVersion;
  size_t pos = 0;
  int major = 0;
  bool major_positive = false;
  if (!ReadNumberMod16(release, pos, major, major_positive)) return version;
  if (major_positive) version += 16 * ((major + 12) % 16);  // (major - 4) mod 16, never negative
  if (pos >= release.size() || release[pos] != '.') return version;
  ++pos;
  int minor = 0;
  bool minor_positive = false;
  if (ReadNumberMod16(release, pos, minor, minor_positive) && minor_positive) version += minor;
  return version;
}

int ProbeSystemVersion(const KernelReleaseSource& source) {
  const auto release = source.KernelRelease();
  return release ? SystemVersionFromRelease(*release) : kUnknownSystemVersion;
}

int CurrentSystemVersion() {
  static const int version = ProbeSystemVersion(EnvironmentKernelRelease());
  return version;
}

}  // namespace nx::platform
