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

}  // namespace
