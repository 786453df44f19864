// The client host name and address of the accounting lines: selection from the resolver's list.
#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "FilterMain.h"
#include "TableTestSupport.h"
#include "TicketTestSupport.h"
#include "nx/platform/network.h"

namespace nx::filter {
namespace {

struct SelectCase {
  const char* name;
  std::vector<std::string> addresses;
  const char* expected;
};

class SelectClientAddressTest : public ::testing::TestWithParam<SelectCase> {};
TEST_P(SelectClientAddressTest, PicksTheDevicesAddress) {
  EXPECT_EQ(SelectClientAddress(GetParam().addresses), GetParam().expected);
}
INSTANTIATE_TEST_SUITE_P(
    Lists, SelectClientAddressTest,
    ::testing::Values(
        SelectCase{"Nothing", {}, ""},
        SelectCase{"OnlyLoopback", {"127.0.0.1"}, ""},
        SelectCase{"DebianHostLoopback", {"127.0.1.1", "::1"}, ""},
        SelectCase{"LoopbackNetworkSkipped", {"127.0.1.1", "10.0.0.7"}, "I0A000007"},
        SelectCase{"IPv6LoopbackSkipped", {"2001:db8::1", "::1"}, "620010db8000000000000000000000001"},
        SelectCase{"LoopbackSkipped", {"127.0.0.1", "192.168.1.10"}, "IC0A8010A"},
        SelectCase{"FirstIPv4Wins", {"10.0.0.1", "192.168.1.10"}, "I0A000001"},
        SelectCase{"IPv4BeatsEarlierIPv6", {"2001:db8::1", "192.168.1.10"}, "IC0A8010A"},
        SelectCase{"IPv4BeatsLaterIPv6", {"192.168.1.10", "2001:db8::1"}, "IC0A8010A"},
        SelectCase{"LaterIPv6Replaces", {"2001:db8::1", "2001:db8::2"}, "620010db8000000000000000000000002"},
        SelectCase{"LinkLocalLoopbackSkipped", {"2001:db8::1", "fe80::1%lo0"}, "620010db8000000000000000000000001"},
        SelectCase{"OnlyLinkLocalLoopback", {"fe80::1%lo0"}, ""},
        SelectCase{"MalformedIPv6Ignored", {"2001:db8::1", "2001:::1"}, "620010db8000000000000000000000001"},
        // The first usable IPv4 text ends the search even when the device cannot take it.
        SelectCase{"FirstIPv4OutOfRange", {"300.1.1.1", "192.168.1.10"}, ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DetermineClientHost, FillsBothNames) {
  auto job = test::FreshJob();
  DetermineClientHost(*job, platform::FixedNetwork("office-pc", {"127.0.0.1", "192.168.1.10"}));
  EXPECT_STREQ(job->HostNameStr, "office-pc");
  EXPECT_STREQ(job->IPAddressStr, "IC0A8010A");
}

TEST(DetermineClientHost, LongNameIsCutTo32BytesAndResolvedWhole) {
  const std::string host = std::string(40, 'h') + ".example";
  auto job = test::FreshJob();
  DetermineClientHost(*job, platform::FixedNetwork(host, {"2001:db8::1"}));
  EXPECT_EQ(std::string(job->HostNameStr), std::string(32, 'h'));
  EXPECT_STREQ(job->IPAddressStr, "620010db8000000000000000000000001");
}

TEST(DetermineClientHost, UnreadableHostNameLeavesBothEmpty) {
  auto job = test::FreshJob();
  std::strcpy(job->HostNameStr, "stale");
  DetermineClientHost(*job, platform::FixedNetwork("", {"192.168.1.10"}));
  EXPECT_STREQ(job->HostNameStr, "");
  EXPECT_STREQ(job->IPAddressStr, "");
}

TEST(DetermineClientHost, HeaderBreakingBytesOfTheNameAreDropped) {
  auto job = test::FreshJob();
  DetermineClientHost(*job, platform::FixedNetwork("pc\"\r\nX", {}));
  EXPECT_STREQ(job->HostNameStr, "pcX");
  EXPECT_STREQ(job->IPAddressStr, "");
}

// A resolver that never answers in time costs the job the address, not the job.
class SilentResolverNetwork final : public platform::Network {
 public:
  std::optional<std::string> HostName() const override { return "faxhost"; }
  std::vector<std::string> HostAddresses(std::string_view host) const override {
    return platform::ResolveHostAddresses(host, std::chrono::milliseconds(200), [](const std::string&) {
      std::this_thread::sleep_for(std::chrono::seconds(2));
      return std::vector<std::string>{"192.168.1.10"};
    });
  }
};

TEST(DetermineClientHost, SilentResolverIsBounded) {
  auto job = test::FreshJob();
  const auto start = std::chrono::steady_clock::now();
  DetermineClientHost(*job, SilentResolverNetwork());
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
  EXPECT_STREQ(job->HostNameStr, "faxhost");
  EXPECT_STREQ(job->IPAddressStr, "");
}

// Names this machine's resolver knows, for jobs from other computers.
class MapNetwork final : public platform::Network {
 public:
  std::optional<std::string> HostName() const override { return "faxhost.example"; }
  std::vector<std::string> HostAddresses(std::string_view host) const override {
    static const std::map<std::string, std::vector<std::string>, std::less<>> kKnown = {
        {"faxhost.example", {"127.0.1.1", "192.168.1.10"}},
        {"desk7.example", {"127.0.1.1", "fd00::7", "10.0.0.7"}}};
    const auto found = kKnown.find(host);
    return found == kKnown.end() ? std::vector<std::string>{} : found->second;
  }
};

struct OriginCase {
  const char* name;
  test::Entries options;
  const char* hostName;
  const char* address;
};

void PrintTo(const OriginCase& c, std::ostream* os) { *os << c.name; }

class OriginatingHostTest : public ::testing::TestWithParam<OriginCase> {};
TEST_P(OriginatingHostTest, NamesTheComputerTheJobCameFrom) {
  auto job = test::JobWith(test::OptionString(GetParam().options));
  DetermineClientHost(*job, MapNetwork());
  EXPECT_STREQ(job->HostNameStr, GetParam().hostName);
  EXPECT_STREQ(job->IPAddressStr, GetParam().address);
}

constexpr char kOrigin[] = "job-originating-host-name";
const test::Entry kDeskTicketName{"JBAHostNameStringTicket", "desk7"};
const test::Entry kDeskTicketAddress{"JBAIPAddressStringTicket", "I0A000007"};

INSTANTIATE_TEST_SUITE_P(
    Jobs, OriginatingHostTest,
    ::testing::Values(
        // Printed on this machine: its own name and address, whatever the ticket says.
        OriginCase{"NoOrigin", {}, "faxhost.example", "IC0A8010A"},
        OriginCase{"Localhost", {{kOrigin, "localhost"}, kDeskTicketName}, "faxhost.example", "IC0A8010A"},
        OriginCase{"LoopbackIPv4", {{kOrigin, "127.0.0.1"}}, "faxhost.example", "IC0A8010A"},
        OriginCase{"LoopbackIPv6Bracketed", {{kOrigin, "[v1.::1]"}}, "faxhost.example", "IC0A8010A"},
        OriginCase{"OwnNameOtherCase", {{kOrigin, "FAXHOST.example"}}, "faxhost.example", "IC0A8010A"},
        OriginCase{"OwnShortName", {{kOrigin, "faxhost"}}, "faxhost.example", "IC0A8010A"},
        OriginCase{"EmptyOrigin", {{kOrigin, "''"}}, "faxhost.example", "IC0A8010A"},
        // Another computer: the name the print system gives and its address.
        OriginCase{"NumericIPv4", {{kOrigin, "192.168.1.20"}}, "192.168.1.20", "IC0A80114"},
        OriginCase{"BracketedIPv6WithZone", {{kOrigin, "[v1.fd00::2%25eth0]"}}, "fd00::2",
                   "6fd000000000000000000000000000002"},
        OriginCase{"NameResolvedIPv4First", {{kOrigin, "desk7.example"}}, "desk7.example", "I0A000007"},
        OriginCase{"UnknownNameKeepsNoAddress", {{kOrigin, "nowhere.example"}}, "nowhere.example", ""},
        OriginCase{"LongNameCut", {{kOrigin, "desk-with-a-very-long-name-0123456789.example"}},
                   "desk-with-a-very-long-name-01234", ""},
        OriginCase{"HeaderBreakingBytesDropped", {{kOrigin, "'desk\"7'"}}, "desk7", ""},
        // The panels on that computer wrote its name and address: they win.
        OriginCase{"TicketNameAndAddress", {{kOrigin, "192.168.1.20"}, kDeskTicketName, kDeskTicketAddress},
                   "desk7", "I0A000007"},
        OriginCase{"TicketComputerName", {{kOrigin, "192.168.1.20"}, {"JBAMacHostNameStringTicket", test::ByteList("Bob's PC")}},
                   "Bob's PC", "IC0A80114"},
        OriginCase{"MalformedTicketAddressIgnored",
                   {{kOrigin, "192.168.1.20"}, {"JBAIPAddressStringTicket", "I0A00007Z"}}, "192.168.1.20",
                   "IC0A80114"},
        OriginCase{"TicketIPv6Address",
                   {{kOrigin, "desk7.example"}, {"JBAIPAddressStringTicket", "6fd000000000000000000000000000007"}},
                   "desk7.example", "6fd000000000000000000000000000007"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(IsEncodedClientAddress, OnlyTheDevicesForms) {
  EXPECT_TRUE(IsEncodedClientAddress("IC0A8010A"));
  EXPECT_TRUE(IsEncodedClientAddress("620010db8000000000000000000000001"));
  EXPECT_FALSE(IsEncodedClientAddress("Ic0a8010a"));
  EXPECT_FALSE(IsEncodedClientAddress("IC0A8010"));
  EXPECT_FALSE(IsEncodedClientAddress("620010db800000000000000000000000g"));
  EXPECT_FALSE(IsEncodedClientAddress(""));
}

}  // namespace
}  // namespace nx::filter
