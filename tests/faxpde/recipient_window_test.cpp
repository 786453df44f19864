// The recipient window through the dialog host with the real fax bundle: what typing and Add To
// accept and refuse (with which warning), the OK and Cancel buttons, and the list ticket.
#include <gtest/gtest.h>

#include "recipient_steps.h"

namespace {

using namespace faxpde::testing;
using pdehost::DialogOutcome;

std::vector<std::string> AlertKeys(const pdehost::DialogReport& r) {
  std::vector<std::string> keys;
  for (const auto& a : r.alerts) keys.push_back(a.alert.text_key);
  return keys;
}

TEST(RecipientWindow, TypedRecipientReachesTheTicket) {
  FaxHost h;
  const auto report = h.Play(Scenario({{Print()}, TypedRecipient("Abc", "0312345678"), Confirm()}));
  ASSERT_EQ(report.outcome, DialogOutcome::kPrinted) << Failures(report);
  EXPECT_TRUE(report.alerts.empty());
  EXPECT_EQ(Option(report, Key("DFRecipientListCountTicket")), "1");
  EXPECT_EQ(Option(report, Key("DFRecipientPaperSizeTicket")), "A4");
  EXPECT_EQ(Option(report, Key("DFRecipientListItemKeyTicket0")), "FAEN=0312345678{20}{30}{7QWJj}{}comment");
  EXPECT_TRUE(AlertKeys(report).empty());
}

// ---- Speed dial numbering and bounds ----

struct SpeedDialCase {
  const char* name;
  StoredOptions options;
  const char* typed;
  const char* warning;  // text key; null: accepted
  const char* bound;    // the range warning's upper bound
  const char* stored;   // the item written when accepted
};

class SpeedDialBounds : public ::testing::TestWithParam<SpeedDialCase> {};

TEST_P(SpeedDialBounds, RefusedWithTheRangeOrAcceptedPadded) {
  const SpeedDialCase& c = GetParam();
  FaxHost h({}, PreferencesWith(c.options));
  std::vector<std::vector<std::string>> steps{{Print()}, SpeedDialRecipient("", c.typed)};
  if (c.warning) {
    steps.push_back({Answer(0, c.warning), Click(20)});
  } else {
    steps.push_back(Confirm());
  }
  const auto report = h.Play(Scenario(steps));
  if (c.warning) {
    EXPECT_EQ(report.outcome, DialogOutcome::kCancelled) << Failures(report);
    ASSERT_EQ(report.alerts.size(), 1u) << Failures(report);
    EXPECT_EQ(report.alerts[0].alert.title_key, "Warning_Add_Recipient_to_List_Win_Title_ID");
    if (c.bound) {
      EXPECT_EQ(report.alerts[0].alert.arguments, (std::vector<std::string>{c.bound, c.bound}));
    }
    EXPECT_EQ(Option(report, Key("DFRecipientListCountTicket")), "<absent>");
  } else {
    ASSERT_EQ(report.outcome, DialogOutcome::kPrinted) << Failures(report);
    EXPECT_TRUE(report.alerts.empty());
    EXPECT_EQ(Option(report, Key("DFRecipientListItemKeyTicket0")), c.stored);
  }
}

// "FAEN='007'{}comment" and its kin as the ticket stores them (byte lists: the item has apostrophes).
std::string Escaped(const std::string& text) {
  std::string out;
  for (unsigned char b : text) out += "/" + std::to_string(static_cast<int>(static_cast<signed char>(b)));
  return out;
}
const std::string k999 = Escaped("FAEN='999'{}comment");
const std::string kStar3 = Escaped("FAEN='00*'{}comment");
const std::string kStars3 = Escaped("FAEN='***'{}comment");
const std::string k007 = Escaped("FAEN='007'{}comment");
const std::string k0007 = Escaped("FAEN='0007'{}comment");
const std::string k5000 = Escaped("FAEN='5000'{}comment");
const std::string k2000 = Escaped("FAEN='2000'{}comment");
constexpr const char* kRange = "Warning_Add_Recipient_to_List_Win_Range_Content_ID";

INSTANTIATE_TEST_SUITE_P(
    Recipient, SpeedDialBounds,
    ::testing::Values(
        SpeedDialCase{"ThreeDigitKit999", {"1", "1"}, "999", nullptr, nullptr, k999.c_str()},
        SpeedDialCase{"ThreeDigitZero", {"1", "1"}, "0", kRange, "999", nullptr},
        SpeedDialCase{"ThreeDigitStar", {"1", "1"}, "*", nullptr, nullptr, kStar3.c_str()},
        SpeedDialCase{"ThreeDigitStars", {"1", "1"}, "***", nullptr, nullptr, kStars3.c_str()},
        SpeedDialCase{"ThreeDigitNoKit501", {"1", "2"}, "501", kRange, "500", nullptr},
        SpeedDialCase{"ThreeDigitPadded", {"1", "1"}, "7", nullptr, nullptr, k007.c_str()},
        SpeedDialCase{"FourDigitPadded", {"2"}, "7", nullptr, nullptr, k0007.c_str()},
        SpeedDialCase{"FourDigitType2Accepts5000", {"2", "1", "2"}, "5000", nullptr, nullptr, k5000.c_str()},
        SpeedDialCase{"FourDigitType2Refuses5001", {"2", "1", "2"}, "5001", kRange, "5000", nullptr},
        SpeedDialCase{"FourDigitType1Accepts2000", {"2", "1", "1"}, "2000", nullptr, nullptr, k2000.c_str()},
        SpeedDialCase{"FourDigitType1Refuses2001", {"2", "1", "1"}, "2001", kRange, "2000", nullptr},
        SpeedDialCase{"FourDigitThreeStars", {"2"}, "***", "Warning_Add_Recipient_to_List_Win_Mini_Content_ID",
                      nullptr, nullptr},
        SpeedDialCase{"ThreeDigitStarInside", {"1", "1"}, "1*2", "Warning_Add_Recipient_to_List_Win_PPC_Content_ID",
                      nullptr, nullptr}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
