// The client identity written by the accounting panel: the address look-up, the byte filter of the
// computer name, and the three ticket entries.
#include <gtest/gtest.h>

#include <map>

#include "accountpde/ClientIdentity.h"
#include "nx/platform/identity.h"
#include "nx/platform/network.h"

namespace {

using namespace accountpde;

class MapSettings final : public pdekit::PrintSettings {
 public:
  pdekit::OSStatus SetValue(std::string_view key, std::string_view value, bool locked) override {
    values[std::string(key)] = std::string(value);
    return pdekit::noErr;
  }
  pdekit::OSStatus GetValue(std::string_view key, std::string& value) const override {
    auto it = values.find(std::string(key));
    if (it == values.end()) return pdekit::kPMKeyNotFound;
    value = it->second;
    return pdekit::noErr;
  }
  bool IsLocked(std::string_view) const override { return false; }
  std::map<std::string, std::string> values;
};

TEST(ClientAddress, TakesTheFirstUsableResultAndCutsTheHostName) {
  const std::string longName(80, 'h');
  nx::platform::FixedNetwork network(longName, {"", std::string(50, '1') + ".", "2001:db8::1", "10.0.0.1"});
  std::string host, address;
  GetClientIPAddress(network, host, address);
  EXPECT_EQ(host, std::string(64, 'h'));
  EXPECT_EQ(address, "620010db8000000000000000000000001");

  nx::platform::FixedNetwork unresolved("pc", {});
  GetClientIPAddress(unresolved, host, address);
  EXPECT_EQ(host, "pc");
  EXPECT_EQ(address, "");

  nx::platform::FixedNetwork nameless("", {"10.0.0.1"});
  GetClientIPAddress(nameless, host, address);
  EXPECT_EQ(host, "");
  EXPECT_EQ(address, "");
}

struct FilterCase {
  const char* text;
  int low, high, maxBytes;
  const char* stored;
};

class ByteFilter : public ::testing::TestWithParam<FilterCase> {};

TEST_P(ByteFilter, StoresTheFilteredText) {
  MapSettings settings;
  const auto& c = GetParam();
  ASSERT_TRUE(SetCFStringToTicketWithByteFilter(&settings, c.text, "k", false, c.low, c.high, c.maxBytes));
  EXPECT_EQ(settings.values["k"], c.stored) << c.text;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ByteFilter,
    ::testing::Values(FilterCase{"Office PC", 0x20, 0xFE, 64, "Office PC"}, FilterCase{"   ", 0x20, 0xFE, 64, ""},
                      FilterCase{"", 0x20, 0xFE, 64, ""}, FilterCase{"a\tb", 0x20, 0xFE, 64, "a_b"},
                      FilterCase{"Bob\xE2\x80\x99s Mac", 0x20, 0xFE, 64, "Bob___s Mac"},
                      FilterCase{"abc", 0x62, 0x62, 0, "_b_"},
                      // 32 bytes are kept
                      FilterCase{"0123456789012345678901234567890123456789", 0x20, 0xFE, 64,
                                 "01234567890123456789012345678901"},
                      // at most maxBytes - 1 bytes are read
                      FilterCase{"abcdefgh", 0x20, 0xFE, 5, "abcd"},
                      // a character that does not fit whole is left out rather than split
                      FilterCase{"0123456789012345678901234567890\xC3\xA9", 0x20, 0xFE, 64,
                                 "0123456789012345678901234567890"}));

TEST(ClientIdentity, WritesComputerNameHostNameAndAddress) {
  MapSettings settings;
  nx::platform::FixedIdentity identity("alice", false, "Bob\xE2\x80\x99s computer");
  nx::platform::FixedNetwork network("pc1", {"192.168.1.10"});
  ASSERT_TRUE(SetInformationToTicket(&settings, false, identity, network));
  EXPECT_EQ(settings.values[kMacHostNameTicketKey], "Bob___s computer");
  EXPECT_EQ(settings.values[kHostNameTicketKey], "pc1");
  EXPECT_EQ(settings.values[kIPAddressTicketKey], "IC0A8010A");
}

TEST(ClientIdentity, NoAddressLeavesTheAddressEmptyButWritesTheNames) {
  MapSettings settings;
  nx::platform::FixedIdentity identity("alice", false, "desk");
  nx::platform::FixedNetwork network("pc1", {"not-an-address"});
  EXPECT_TRUE(SetInformationToTicket(&settings, false, identity, network));
  EXPECT_EQ(settings.values[kHostNameTicketKey], "pc1");
  EXPECT_EQ(settings.values[kIPAddressTicketKey], "");
}

TEST(ClientIdentity, NullSettingsFail) {
  nx::platform::FixedIdentity identity("alice", false, "desk");
  nx::platform::FixedNetwork network("pc1", {"10.0.0.1"});
  EXPECT_FALSE(SetInformationToTicket(nullptr, false, identity, network));
  EXPECT_FALSE(SetCStringToTicket(nullptr, "x", "k", false));
}

}  // namespace
