#include "nx/platform/system_version.h"

#include <gtest/gtest.h>

namespace {

using nx::platform::FixedKernelRelease;
using nx::platform::ProbeSystemVersion;
using nx::platform::SystemVersionFromRelease;

struct ReleaseCase {
  const char* release;
  int version;
};

class SystemVersionTest : public ::testing::TestWithParam<ReleaseCase> {};

TEST_P(SystemVersionTest, FollowsTheReleaseFormula) {
  EXPECT_EQ(SystemVersionFromRelease(GetParam().release), GetParam().version) << GetParam().release;
}

INSTANTIATE_TEST_SUITE_P(
    Releases, SystemVersionTest,
    ::testing::Values(ReleaseCase{"8.11.0", 0x104B}, ReleaseCase{"9.8.0", 0x1058}, ReleaseCase{"10.0.0", 0x1060},
                      ReleaseCase{"14.5.0", 0x10A5}, ReleaseCase{"11.4.2", 0x1074},
                      ReleaseCase{"6.1.0-18-amd64", 0x1021},  // a Linux kernel lands below the 0x1070 gate
                      ReleaseCase{"3.10", 0x10FA},            // (major - 4) mod 16 wraps, never negative
                      ReleaseCase{"20.0", 0x1000},            // major 20 wraps to 0
                      ReleaseCase{"0.7", 0x1007},             // major not positive: only the minor counts
                      ReleaseCase{"14", 0x10A0}, ReleaseCase{"14.", 0x10A0}, ReleaseCase{"14.x", 0x10A0},
                      ReleaseCase{"", 0x1000}, ReleaseCase{"abc", 0x1000}, ReleaseCase{"-5.1", 0x1000},
                      // 23 nines: mod 16 only the last four digits count (9999 mod 16 = 15)
                      ReleaseCase{"99999999999999999999999.17", 0x10B1}));

TEST(SystemVersion, InjectedSourceDecidesAndUnreadableGivesBase) {
  EXPECT_EQ(ProbeSystemVersion(FixedKernelRelease("14.5.0")), 0x10A5);
  EXPECT_EQ(ProbeSystemVersion(FixedKernelRelease(std::nullopt)), 0x1000);
  const int current = nx::platform::CurrentSystemVersion();
  EXPECT_EQ(current, ProbeSystemVersion(nx::platform::EnvironmentKernelRelease()));
  EXPECT_EQ(current & 0xF000, 0x1000);
}

}  // namespace

namespace {

TEST(SystemVersion, EnvironmentStandsInForTheKernel) {
  const char* old = std::getenv("NX_KERNEL_RELEASE");
  const std::string saved = old ? old : "";
  setenv("NX_KERNEL_RELEASE", "9.8.0", 1);
  EXPECT_EQ(nx::platform::ProbeSystemVersion(nx::platform::EnvironmentKernelRelease()), 0x1058);
  setenv("NX_KERNEL_RELEASE", "", 1);  // empty: the running kernel
  EXPECT_EQ(nx::platform::ProbeSystemVersion(nx::platform::EnvironmentKernelRelease()),
            nx::platform::ProbeSystemVersion(nx::platform::UnameKernelRelease()));
  if (old) setenv("NX_KERNEL_RELEASE", saved.c_str(), 1);
  else unsetenv("NX_KERNEL_RELEASE");
}

}  // namespace
