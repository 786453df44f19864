#include "nx/platform/network.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <future>

namespace {

using namespace std::chrono_literals;
using nx::platform::ResolveHostAddresses;

TEST(Network, NumericAndLocalNamesResolveToNumericText) {
  EXPECT_EQ(ResolveHostAddresses("127.0.0.1"), std::vector<std::string>{"127.0.0.1"});
  EXPECT_EQ(ResolveHostAddresses("::1"), std::vector<std::string>{"::1"});
  const auto local = ResolveHostAddresses("localhost");
  ASSERT_FALSE(local.empty());
  for (const auto& a : local) EXPECT_TRUE(a == "127.0.0.1" || a == "::1") << a;
  EXPECT_TRUE(ResolveHostAddresses("").empty());
  EXPECT_TRUE(ResolveHostAddresses("no-such-host.invalid").empty());
}

TEST(Network, HostNameIsReadable) {
  const auto name = nx::platform::LocalHostName();
  ASSERT_TRUE(name.has_value());
  EXPECT_FALSE(name->empty());
  EXPECT_LE(name->size(), 255u);
}

TEST(Network, AHungResolverIsCutOffAtTheDeadline) {
  auto release = std::make_shared<std::promise<void>>();
  auto released = release->get_future().share();
  const auto start = std::chrono::steady_clock::now();
  const auto got = ResolveHostAddresses("slow.example", 100ms, [released](const std::string&) {
    released.wait();  // a resolver stuck until the test lets it go
    return std::vector<std::string>{"10.0.0.1"};
  });
  const auto waited = std::chrono::steady_clock::now() - start;
  release->set_value();
  EXPECT_TRUE(got.empty());
  EXPECT_GE(waited, 100ms);
  EXPECT_LT(waited, 2s);
}

TEST(Network, AnswerInTimeIsPassedThroughInOrder) {
  const auto got = ResolveHostAddresses("h", 2s, [](const std::string& host) {
    return std::vector<std::string>{host + "-b", "fe80::1%eth0", "10.0.0.1"};
  });
  EXPECT_EQ(got, (std::vector<std::string>{"h-b", "fe80::1%eth0", "10.0.0.1"}));
}

TEST(Network, DoublesAnswerForTheirOwnHostOnly) {
  nx::platform::FixedNetwork net("mac1", {"192.168.1.10", "fe80::1"});
  EXPECT_EQ(net.HostName(), "mac1");
  EXPECT_EQ(net.HostAddresses("mac1").size(), 2u);
  EXPECT_TRUE(net.HostAddresses("other").empty());
  nx::platform::FixedNetwork broken("", {});
  EXPECT_FALSE(broken.HostName().has_value());
}

}  // namespace
