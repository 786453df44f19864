// What the recipient window writes is exactly what the recipient ticket encoder gives for its
// list and the device options: outside and extension line prefixes, the ISDN/G4 kit, the paper
// name, the count; then the job confirmation window's delayed send keys.
#include <gtest/gtest.h>

#include "faxpde/FaxRecipientWindow.h"
#include "nx/ticket/recipient_ticket.h"
#include "recipient_steps.h"

namespace {

using namespace faxpde::testing;
using pdehost::DialogOutcome;



TEST(RecipientTicket, WindowWritesWhatTheEncoderGives) {
  StoredOptions options;
  options.faxModule = "1";
  options.expansionKit = "1";
  options.isdnKit = "1";
  options.outline = "9";
  options.inlineNumber = "5";
  FaxHost h({}, PreferencesWith(options));
  const auto report = h.Play(Scenario(
      {{Print()},
       TypedRecipient("Abc", "0312345678"),
       TypedRecipient("Def", "0398765432"),
       // The second: extension line, G4, secure send to mailbox 7.
       Communication(1, {SelectItem(21, 2, kCommWindow), SelectItem(23, 1, kCommWindow),
                         In(kCommWindow, R"("action": "click", "tag": 31)"), Enter(41, "7", kCommWindow)}),
       SpeedDialRecipient("", "12"),
       // More than one recipient and one of them secure: asked first; Cancel keeps the window.
       {Click(19), Answer(1, "Warning_Content_ID"), Click(19), Answer(0, "Warning_Content_ID")},
       {In(kJobWindow, R"("action": "click", "tag": 12)"),
        In(kJobWindow, R"("action": "setDate", "tag": 14, "time": "23:50")"), Click(16, kJobWindow)}},
      R"("options": {"PageSize": "Tabloid"}, )"));
  ASSERT_EQ(report.outcome, DialogOutcome::kPrinted) << Failures(report);
  ASSERT_EQ(report.alerts.size(), 2u);
  // Only the secure send text is filled in.
  ASSERT_EQ(report.alerts[0].alert.arguments.size(), 3u);
  EXPECT_FALSE(report.alerts[0].alert.arguments[0].empty());
  EXPECT_EQ(report.alerts[0].alert.arguments[1], "");
  EXPECT_EQ(report.alerts[0].alert.arguments[2], "");

  nx::ticket::RecipientFields first;
  first.name = "Abc";
  first.address = "0312345678";
  nx::ticket::RecipientFields second;
  second.name = "Def";
  second.address = "0398765432";
  second.lineType = 1;
  second.commMode = 1;
  second.secureOrRelay = 1;
  second.mailBoxId = "7";
  nx::ticket::RecipientFields third;
  third.recodeType = 1;
  third.address = "012";
  std::vector<nx::ticket::TicketPair> expected;
  ASSERT_TRUE(nx::ticket::BuildRecipientListTicket({first, second, third}, {"9", "5", true}, "Tabloid", &expected));
  ASSERT_EQ(expected.size(), 5u);
  for (const auto& [key, value] : expected) EXPECT_EQ(Option(report, key), value) << key;
  // The values the encoder gave, spelled out for the parts this window decides.
  EXPECT_EQ(Option(report, Key("DFRecipientPaperSizeTicket")), "LEDGER");
  EXPECT_EQ(Option(report, Key("DFRecipientListCountTicket")), "3");
  EXPECT_EQ(Option(report, Key("DFRecipientListItemKeyTicket0")), "FAEN=90312345678{20}{30}{7QWJj}{}comment");
  EXPECT_EQ(Option(report, Key("DFRecipientListItemKeyTicket1")), "FAEN=50398765432{21}{34}{40007}{7RGVm}{}comment");
  EXPECT_NE(Option(report, "com.norvalex.nb.qtz.printsettings.DFDelaySendKeyTicket"), "<absent>");
  EXPECT_EQ(Option(report, "com.norvalex.nb.qtz.printsettings.DFDelaySendDummyKeyTicket"), "23:50");
}

TEST(RecipientTicket, GFourWithoutTheKitIsSentAsGThree) {
  FaxHost h({}, PreferencesWith({"1", "1", nullptr, "2"}));
  const auto report =
      h.Play(Scenario({{Print()}, TypedRecipient("", "0311"), Communication(0, {SelectItem(21, 2, kCommWindow)}),
                       Confirm()}));
  // Without the kit the mode popup may not offer G4 at all; either way the item says G3.
  EXPECT_EQ(Option(report, Key("DFRecipientListItemKeyTicket0")), "FAEN=0311{20}{30}{}comment");
}

TEST(RecipientTicket, IPFaxAddressUpTo128Characters) {
  FaxHost h({}, PreferencesWith({"4"}));
  const std::string address = "sip:" + std::string(124, 'a');
  const auto report = h.Play(Scenario({{Print(), SelectItem(11, 2), Enter(2, "Abc"), Enter(7, address + "b"),
                                        In(kRecipientWindow, R"("action": "expect", "tag": 7, "text": ")" + address +
                                                                 R"(")"),
                                        Click(5)},
                                       Confirm()}));
  ASSERT_EQ(report.outcome, DialogOutcome::kPrinted) << Failures(report);
  EXPECT_EQ(Option(report, Key("DFRecipientListItemKeyTicket0")), "SFEN=" + address + "{22}{30}{7QWJj}{}comment");
}

// ---- The rules behind the fields, without a window ----

TEST(RecipientRules, SpeedDialTextsOutsideTheWindowsFormatter) {
  using faxpde::CheckSpeedDialText;
  // Too long for the numbering (the field's formatter stops typing there).
  EXPECT_EQ(CheckSpeedDialText("1000", true, true, 0)->textKey, "Warning_Add_Recipient_to_List_Win_Content_ID");
  EXPECT_EQ(CheckSpeedDialText("", false, true, 0)->textKey, "Warning_Add_Recipient_to_List_Win_Content_ID");
  // Zeros and stars name 1 first; a plain zero names nothing.
  EXPECT_FALSE(CheckSpeedDialText("0*", true, true, 0));
  EXPECT_FALSE(CheckSpeedDialText("000*", false, true, 0));
  EXPECT_EQ(CheckSpeedDialText("0000", false, true, 0)->textKey, "Warning_Add_Recipient_to_List_Win_Range_Content_ID");
  // The lowest number decides: "50*" starts at 500.
  EXPECT_FALSE(CheckSpeedDialText("50*", true, false, 0));
  EXPECT_TRUE(CheckSpeedDialText("51*", true, false, 0));
}

TEST(RecipientRules, AddLimitsInOrder) {
  using faxpde::CheckAddLimits;
  // One recipient per job is checked before the counts.
  EXPECT_EQ(CheckAddLimits(600, 10, 200, 200, true)->textKey,
            "Waring_Restriction_Of_Faxing_Muti_Address_Transmission_SpeedDial_ID");
  EXPECT_FALSE(CheckAddLimits(0, 1, 0, 50, true));
  EXPECT_EQ(CheckAddLimits(591, 10, 16, 200, false)->arguments, (std::vector<std::string>{"600", "1"}));
  EXPECT_FALSE(CheckAddLimits(591, 9, 16, 200, false));
  // A full list of speed dials that name nobody still refuses with an excess of at least one.
  EXPECT_EQ(CheckAddLimits(0, 1, 50, 50, false)->arguments, (std::vector<std::string>{"50", "1"}));
}

TEST(RecipientRules, RowsAndPadding) {
  nx::phonebook::FaxRecord r = nx::phonebook::initFax("202601010000");
  nx::phonebook::FaxRecordSetText(r, "Name", "A");
  nx::phonebook::FaxRecordSetText(r, "Address", "007");
  nx::phonebook::FaxRecordSetText(r, "RecodeType", "1");
  EXPECT_EQ(faxpde::RecipientRowText(r), "A <'007'>");
  nx::phonebook::FaxRecordSetText(r, "RecodeType", "2");
  EXPECT_EQ(faxpde::RecipientRowText(r), "A <007>");
  nx::phonebook::FaxRecordSetText(r, "RecodeType", "5");
  EXPECT_FALSE(faxpde::RecipientRowText(r));
  EXPECT_EQ(faxpde::PadSpeedDial("1*", true), "01*");
  EXPECT_EQ(faxpde::PadSpeedDial("1234", false), "1234");
}

}  // namespace
