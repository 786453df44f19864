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

// The one encoding of the job header's and the accounting ticket's client address.
TEST(Network, ClientAddressEncoding) {
  struct Case {
    const char* numeric;
    const char* encoded;
  };
  const Case cases[] = {
      {"192.168.1.10", "IC0A8010A"},
      {"10.0.0.1", "I0A000001"},
      {"0.0.0.0", "I00000000"},
      {"255.255.255.255", "IFFFFFFFF"},
      {"010.001.000.009", "I0A010009"},
      {"256.1.1.1", ""},
      {"1.2.3.999", ""},
      {"1000.1.1.1", ""},
      {"1.2.3.0010", ""},
      {"1.2.3", ""},
      {"1.2.3.4.5", ""},
      {"1..3.4", ""},
      {"1.2.3.4.", ""},
      {"1.2.3.x", ""},
      {"2001:db8::1", "620010db8000000000000000000000001"},
      {"2001:db8::1%eth0", "620010db8000000000000000000000001"},
      {"::", "600000000000000000000000000000000"},
      {"::1", "600000000000000000000000000000001"},
      {"1:2:3:4:5:6:7:8", "600010002000300040005000600070008"},
      {"fe80::1%eth0", "6fe800000000000000000000000000001"},
      {"fe80::a00:27ff:fe4e:66a1%enp0s3", "6fe800000000000000a0027fffe4e66a1"},
      // Letters keep the text's case; the dotted tail of a mapped address becomes two groups.
      {"2001:DB8:0:0:0:0:0:A", "620010DB800000000000000000000000A"},
      {"::ffff:192.168.1.10", "600000000000000000000ffffc0a8010a"},
      {"::FFFF:10.0.0.1", "600000000000000000000FFFF0a000001"},
      {"1:2:3:4:5:6:1.2.3.4", "600010002000300040005000601020304"},
      {"::ffff:256.1.1.1", ""},
      {"2001:::1", ""},
      {"1::2::3", ""},
      {"12345::1", ""},
      {"1:2:3:4:5:6:7", ""},
      {"1:2:3:4:5:6:7:8:9", ""},
      {"1:2:3:4::5:6:7:8", ""},
      {"g::1", ""},
      {"%eth0", ""},
      {"localhost", ""},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(nx::platform::EncodeClientAddress(c.numeric), c.encoded) << c.numeric;
}

}  // namespace
