// The communication settings window driven as a user would: what OK writes into the record, the
// checks that keep the window open, the destination list rules, the enabling of the send types,
// and the device rules (ISDN/G4 kit, one recipient per job, generation 2, read-only opening).
#include <gtest/gtest.h>

#include "communication_fixture.h"
#include "nx/ticket/recipient_ticket.h"

namespace {

using namespace faxpde;
using namespace faxpde::testing;
using nx::phonebook::FaxRecord;
using nx::phonebook::FaxRecordList;
using nx::phonebook::FaxRecordText;
using nx::phonebook::initFax;

const std::vector<std::string> kNoRows;

std::vector<Step> Join(std::vector<std::vector<Step>> parts) {
  std::vector<Step> out;
  for (auto& part : parts) out.insert(out.end(), part.begin(), part.end());
  return out;
}

TEST(CommunicationWindow, RelaySendIsStoredAndBecomesTheTicketField) {
  CommunicationWindowFixture f;
  FaxRecord record = initFax("202612090000");
  FaxRecordSetText(record, "Name", "Branch");
  FaxRecordSetText(record, "Address", "0312345678");
  ASSERT_TRUE(f.Open(record, Join({{Step::Click(kCommRadioRelay), Step::Enter(kCommRelayID, "7"),
                                    Step::Click(kCommPrintAtRelay)},
                                   AddDestination("5"), AddDestination("12"), {Step::Click(kCommOK)}})));
  EXPECT_TRUE(f.toolkit->Errors().empty()) << f.toolkit->Errors().front();
  EXPECT_TRUE(f.toolkit->Alerts().empty());
  EXPECT_EQ(FaxRecordText(record, "SecureorRelay"), "2");
  EXPECT_EQ(FaxRecordText(record, "RlyID"), "7");
  EXPECT_EQ(FaxRecordText(record, "Rlyprn"), "1");
  EXPECT_EQ(FaxRecordText(record, "RlyNum"), "2");
  EXPECT_EQ(FaxRecordList(record, "RlyDestList"), (std::vector<std::string>{"005", "012"}));
  EXPECT_EQ(FaxRecordText(record, "MailBoxId"), "");
  EXPECT_EQ(FaxRecordText(record, "Name"), "Branch") << "keys outside the window are kept";

  nx::ticket::RecipientFields fields;
  fields.name = FaxRecordText(record, "Name");
  fields.address = FaxRecordText(record, "Address");
  fields.secureOrRelay = 2;
  fields.rlyId = FaxRecordText(record, "RlyID");
  fields.rlyPrn = 1;
  fields.rlyDestList = FaxRecordList(record, "RlyDestList");
  std::string item;
  ASSERT_TRUE(nx::ticket::BuildRecipientItem(fields, {}, &item));
  // Station 0007, print 1, destinations 0005 and 0012.
  EXPECT_NE(item.find("{10007100050012}"), std::string::npos) << item;
}

TEST(CommunicationWindow, SecureSendStoresTheMailboxAndClearsRelayValues) {
  CommunicationWindowFixture f;
  FaxRecord record = initFax("202612090000");
  FaxRecordSetText(record, "RlyID", "9");
  FaxRecordSetList(record, "RlyDestList", {"003"});
  FaxRecordSetText(record, "RlyNum", "1");
  ASSERT_TRUE(f.Open(record, {Step::Click(kCommRadioSecure), Step::Enter(kCommMailboxID, "12"),
                              Step::Enter(kCommPasscode, "0420"), Step::Enter(kCommFCode, "12#*"),
                              Step::Enter(kCommFCodePassword, "9 9"), Step::Select(kCommLinePopup, 1),
                              Step::Click(kCommOK)}));
  EXPECT_EQ(FaxRecordText(record, "SecureorRelay"), "1");
  EXPECT_EQ(FaxRecordText(record, "MailBoxId"), "12");
  EXPECT_EQ(FaxRecordText(record, "MailBoxPassword"), "0420");
  EXPECT_EQ(FaxRecordText(record, "RlyID"), "");
  EXPECT_EQ(FaxRecordText(record, "RlyNum"), "0");
  EXPECT_EQ(FaxRecordText(record, "Rlyprn"), "0");
  EXPECT_TRUE(FaxRecordList(record, "RlyDestList").empty());
  EXPECT_EQ(FaxRecordText(record, "FCode"), "12#*");
  EXPECT_EQ(FaxRecordText(record, "FCodePassword"), "9 9");
  EXPECT_EQ(FaxRecordText(record, "LineType"), "1");

  // Opened again, the record shows; None then clears the mailbox.
  bool shown = false;
  ASSERT_TRUE(f.Open(record, {f.Check([&] {
                                shown = f.Element(kCommRadioSecure).IntValue() == 1 &&
                                        f.Element(kCommMailboxID).StringValue() == "12" &&
                                        f.Element(kCommPasscode).StringValue() == "0420" &&
                                        f.Element(kCommLinePopup).SelectedIndex() == 1 &&
                                        f.Element(kCommMailboxID).IsEnabled() &&
                                        !f.Element(kCommRelayID).IsEnabled();
                              }),
                              Step::Click(kCommRadioNone), Step::Click(kCommOK)}));
  EXPECT_TRUE(shown);
  EXPECT_EQ(FaxRecordText(record, "SecureorRelay"), "0");
  EXPECT_EQ(FaxRecordText(record, "MailBoxId"), "");
  EXPECT_EQ(FaxRecordText(record, "MailBoxPassword"), "");
  EXPECT_EQ(FaxRecordText(record, "FCode"), "12#*");
}

// ---- Checks at OK: an alert, the window stays open, Cancel leaves the record as it was ----

struct OKCheckCase {
  const char* name;
  std::vector<Step> edits;
  const char* title;
  const char* text;
};

class OKChecks : public ::testing::TestWithParam<OKCheckCase> {};

TEST_P(OKChecks, RefuseWithTheirAlertAndKeepTheRecord) {
  CommunicationWindowFixture f;
  FaxRecord record = initFax("202612090000");
  const FaxRecord before = record;
  std::vector<Step> steps = GetParam().edits;
  steps.push_back(Step::Click(kCommOK));
  steps.push_back(Step::AnswerAlert(0));
  steps.push_back(Step::Click(kCommCancel));
  EXPECT_FALSE(f.Open(record, steps));
  ASSERT_EQ(f.toolkit->Alerts().size(), 1u);
  EXPECT_EQ(f.toolkit->Alerts()[0].alert.title_key, GetParam().title);
  EXPECT_EQ(f.toolkit->Alerts()[0].alert.text_key, GetParam().text);
  EXPECT_EQ(f.toolkit->Alerts()[0].alert.buttons, std::vector<std::string>{"OK Button Ctrl"});
  EXPECT_EQ(record, before);
  EXPECT_TRUE(f.toolkit->Errors().empty()) << f.toolkit->Errors().front();
}

INSTANTIATE_TEST_SUITE_P(
    CommunicationWindow, OKChecks,
    ::testing::Values(
        OKCheckCase{"MailboxIDZero", {Step::Click(kCommRadioSecure), Step::Enter(kCommMailboxID, "0")}, "",
                    "Warning_MAILBOX_ID_JP"},
        OKCheckCase{"MailboxIDEmpty", {Step::Click(kCommRadioSecure)}, "", "Warning_MAILBOX_ID_JP"},
        OKCheckCase{"PasscodeOfThreeDigits",
                    {Step::Click(kCommRadioSecure), Step::Enter(kCommMailboxID, "5"), Step::Enter(kCommPasscode, "123")},
                    "Warning_Invalid_RELAY_STATION_ID", "Warning_MAILBOX_Passcode_ID"},
        OKCheckCase{"RelayStationZero",
                    Join({{Step::Click(kCommRadioRelay), Step::Enter(kCommRelayID, "00")}, AddDestination("5")}),
                    "Warning_Invalid_RELAY_STATION_ID", "Warning_RELAY_STATION_ID"},
        OKCheckCase{"RelayStationEmpty", Join({{Step::Click(kCommRadioRelay)}, AddDestination("5")}),
                    "Warning_Invalid_RELAY_STATION_ID", "Warning_RELAY_STATION_ID"},
        OKCheckCase{"NoDestination", {Step::Click(kCommRadioRelay), Step::Enter(kCommRelayID, "7")},
                    "Warning_Invalid_RELAY_STATION_ID", "Warning_DESTINATION_ID"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CommunicationWindow, EmptyPasscodeIsAcceptedAndLongIDsCannotBeTyped) {
  CommunicationWindowFixture f;
  FaxRecord record = initFax("202612090000");
  ASSERT_TRUE(f.Open(record, {Step::Click(kCommRadioSecure), Step::Enter(kCommMailboxID, "9990"),
                              Step::Click(kCommOK)}));
  EXPECT_EQ(FaxRecordText(record, "MailBoxId"), "999");
  EXPECT_EQ(FaxRecordText(record, "MailBoxPassword"), "");

  std::string relayShown;
  f.Open(record, {Step::Click(kCommRadioRelay), Step::Enter(kCommRelayID, "100"),
                  f.Check([&] { relayShown = f.Element(kCommRelayID).StringValue(); }), Step::Click(kCommCancel)});
  EXPECT_EQ(relayShown, "10") << "the relay station ID takes two characters";
}

// ---- Add To ----

struct DestinationCase {
  const char* typed;
  bool group;
  const char* id;       // empty: refused
  const char* message;  // the refusal's text key
};

class DestinationIDs : public ::testing::TestWithParam<DestinationCase> {};

TEST_P(DestinationIDs, AreFormattedOrRefused) {
  const char* message = "unset";
  EXPECT_EQ(FormatRelayDestinationID(GetParam().typed, GetParam().group, &message), GetParam().id);
  EXPECT_STREQ(message ? message : "", GetParam().message);
}

constexpr const char* kContent = "Warning_Communication_Settings_Win_Add_Relay_Fax_Content_ID";
constexpr const char* kGroupContent = "Warning_Communication_Settings_Win_Add_Relay_Fax_Group_Content_ID";

INSTANTIATE_TEST_SUITE_P(
    CommunicationWindow, DestinationIDs,
    ::testing::Values(
        DestinationCase{"5", false, "005", ""}, DestinationCase{"12", false, "012", ""},
        DestinationCase{"99", false, "099", ""}, DestinationCase{"05", false, "005", ""},
        DestinationCase{"5*", false, "05*", ""}, DestinationCase{"**", false, "0**", ""},
        DestinationCase{"*", false, "00*", ""},
        DestinationCase{"*5", false, "", "Warning_Communication_Settings_Win_Add_Relay_Fax_Invalid_Destination_ID_Content_ID"},
        DestinationCase{"0", false, "", kContent}, DestinationCase{"00", false, "", kContent},
        DestinationCase{"5a", false, "", kContent}, DestinationCase{"123", false, "", kContent},
        DestinationCase{"", false, "", "Warning_Communication_Settings_Win_Add_Relay_Fax_Empty_Content_ID"},
        DestinationCase{"3", true, "0#3", ""}, DestinationCase{"0", true, "", kGroupContent},
        DestinationCase{"#", true, "", kGroupContent}, DestinationCase{"12", true, "", kGroupContent},
        DestinationCase{"", true, "", "Warning_Communication_Settings_Win_Add_Relay_Fax_Group_Empty_Content_ID"}));

TEST(CommunicationWindow, AddToRefusesWithAlertsAndBeepsOnADuplicate) {
  CommunicationWindowFixture f;
  FaxRecord record = initFax("202612090000");
  std::vector<std::string> rows;
  f.Open(record, Join({{Step::Click(kCommRadioRelay)}, AddDestination("*5"), {Step::AnswerAlert(0)},
                       AddDestination("5*"), AddDestination("**"), AddDestination("5"), AddDestination("05"),
                       {f.Check([&] { rows = f.Rows(); }), Step::Click(kCommCancel)}}));
  EXPECT_EQ(rows, (std::vector<std::string>{"05*", "0**", "005"}));
  ASSERT_EQ(f.toolkit->Alerts().size(), 1u);
  EXPECT_EQ(f.toolkit->Alerts()[0].alert.title_key, "Warning_Communication_Settings_Win_Add_Relay_Fax_ID");
  EXPECT_EQ(f.toolkit->Alerts()[0].alert.text_key,
            "Warning_Communication_Settings_Win_Add_Relay_Fax_Invalid_Destination_ID_Content_ID");
  EXPECT_EQ(f.toolkit->BeepCount(), 1) << "the duplicate only beeps";
  EXPECT_EQ(record, initFax("202612090000"));
}

TEST(CommunicationWindow, DestinationListHoldsTwentyRows) {
  CommunicationWindowFixture f;
  FaxRecord record = initFax("202612090000");
  std::vector<Step> steps{Step::Click(kCommRadioRelay), Step::Enter(kCommRelayID, "1")};
  for (int i = 1; i <= 21; ++i) {
    auto add = AddDestination(std::to_string(i));
    steps.insert(steps.end(), add.begin(), add.end());
  }
  steps.push_back(Step::AnswerAlert(0));
  steps.push_back(Step::Click(kCommOK));
  ASSERT_TRUE(f.Open(record, steps));
  ASSERT_EQ(f.toolkit->Alerts().size(), 1u);
  EXPECT_EQ(f.toolkit->Alerts()[0].alert.text_key,
            "Warning_Communication_Settings_Win_Add_Relay_Fax_Group_Full_Content_ID");
  EXPECT_EQ(FaxRecordText(record, "RlyNum"), "20");
  EXPECT_EQ(FaxRecordList(record, "RlyDestList").back(), "020");
}

TEST(CommunicationWindow, GroupSendSwapsTheFieldsAndRemoveDeletesTheSelection) {
  CommunicationWindowFixture f;
  FaxRecord record = initFax("202612090000");
  bool swapped = false, removeBefore = true, removeAfter = false;
  ASSERT_TRUE(f.Open(
      record, Join({{f.Check([&] { removeBefore = f.Element(kCommRemove).IsEnabled(); }),
                     Step::Click(kCommRadioRelay), Step::Enter(kCommRelayID, "42"), Step::Click(kCommGroupSend),
                     f.Check([&] {
                       swapped = f.Element(kCommDest).IsHidden() && !f.Element(kCommGroupDest).IsHidden() &&
                                 f.Element(kCommGroupDest).IsEnabled();
                     }),
                     Step::Enter(kCommGroupDest, "3"), Step::Click(kCommAddTo), Step::Click(kCommGroupSend)},
                    AddDestination("7"), AddDestination("8"),
                    {f.Check([&] { removeAfter = f.Element(kCommRemove).IsEnabled(); }),
                     Step::SelectRows(kCommDestList, {0, 2}), Step::Click(kCommRemove), Step::Click(kCommOK)}})));
  EXPECT_FALSE(removeBefore);
  EXPECT_TRUE(swapped);
  EXPECT_TRUE(removeAfter);
  EXPECT_EQ(FaxRecordList(record, "RlyDestList"), std::vector<std::string>{"007"});
  EXPECT_EQ(FaxRecordText(record, "RlyID"), "42");
  EXPECT_EQ(FaxRecordText(record, "Rlyprn"), "0");
}

TEST(CommunicationWindow, LeavingRelaySendWithHalfTheRelayValuesIsRefused) {
  CommunicationWindowFixture f;
  FaxRecord record = initFax("202612090000");
  int sendType = -1;
  f.Open(record, {Step::Click(kCommRadioRelay), Step::Enter(kCommRelayID, "7"), Step::Click(kCommRadioNone),
                  Step::AnswerAlert(0), f.Check([&] { sendType = f.window->GetSendType(); }),
                  Step::Click(kCommCancel)});
  EXPECT_EQ(sendType, kSendTypeRelay);
  ASSERT_EQ(f.toolkit->Alerts().size(), 1u);
  EXPECT_EQ(f.toolkit->Alerts()[0].alert.text_key, "Warning_DESTINATION_ID");
  EXPECT_EQ(f.Element(kCommRadioNone).IntValue(), 0);
}

// ---- Opening: the record shown, device rules, read-only ----

struct ModeCase {
  const char* stored;
  CommunicationDeviceState device;
  int shownItem;
  const char* kept;
};

class CommunicationModes : public ::testing::TestWithParam<ModeCase> {};

TEST_P(CommunicationModes, FollowTheISDNG4Kit) {
  CommunicationWindowFixture f;
  FaxRecord record = initFax("202612090000");
  FaxRecordSetText(record, "CommMode", GetParam().stored);
  int shown = -1;
  bool g4Offered = false;
  ASSERT_TRUE(f.Open(record, {f.Check([&] {
                                shown = f.Element(kCommModePopup).SelectedIndex();
                                g4Offered = f.Element(kCommModePopup).IsItemEnabled(2);
                              }),
                              Step::Click(kCommOK)},
                     GetParam().device));
  EXPECT_EQ(shown, GetParam().shownItem);
  EXPECT_EQ(g4Offered, GetParam().device.isdnG4Kit && GetParam().device.faxModule == 1);
  EXPECT_EQ(FaxRecordText(record, "CommMode"), GetParam().kept);
}

INSTANTIATE_TEST_SUITE_P(CommunicationWindow, CommunicationModes,
                         ::testing::Values(ModeCase{"1", {1, false, false, false}, 0, "0"},
                                           ModeCase{"1", {1, true, false, false}, 2, "1"},
                                           ModeCase{"1", {2, true, false, false}, 0, "0"},
                                           ModeCase{"2", {1, false, false, false}, 1, "2"},
                                           ModeCase{"7", {1, true, false, false}, 0, "0"}));

class RelayRestriction : public ::testing::TestWithParam<CommunicationDeviceState> {};

TEST_P(RelayRestriction, DisablesRelaySendAndDropsAStoredRelay) {
  CommunicationWindowFixture f;
  FaxRecord record = initFax("202612090000");
  FaxRecordSetText(record, "SecureorRelay", "2");
  FaxRecordSetText(record, "RlyID", "7");
  FaxRecordSetText(record, "RlyNum", "1");
  FaxRecordSetList(record, "RlyDestList", {"005"});
  bool relayEnabled = true, listEnabled = true;
  ASSERT_TRUE(f.Open(record, {f.Check([&] {
                                relayEnabled = f.Element(kCommRadioRelay).IsEnabled();
                                listEnabled = f.Element(kCommDestList).IsEnabled();
                              }),
                              Step::Click(kCommRadioRelay), Step::Click(kCommOK)},
                     GetParam()));
  EXPECT_FALSE(relayEnabled);
  EXPECT_FALSE(listEnabled);
  EXPECT_EQ(f.toolkit->Errors().size(), 1u) << "a disabled radio cannot be clicked";
  EXPECT_EQ(FaxRecordText(record, "SecureorRelay"), "0");
  EXPECT_EQ(FaxRecordText(record, "RlyID"), "");
  EXPECT_TRUE(FaxRecordList(record, "RlyDestList").empty());
}

INSTANTIATE_TEST_SUITE_P(CommunicationWindow, RelayRestriction,
                         ::testing::Values(CommunicationDeviceState{1, false, true, false},
                                           CommunicationDeviceState{1, false, false, true}));

TEST(CommunicationWindow, StoredRelayIsShownAndKeptByOK) {
  CommunicationWindowFixture f;
  FaxRecord record = initFax("202612090000");
  FaxRecordSetText(record, "SecureorRelay", "2");
  FaxRecordSetText(record, "RlyID", "7");
  FaxRecordSetText(record, "Rlyprn", "1");
  FaxRecordSetText(record, "RlyNum", "2");
  FaxRecordSetList(record, "RlyDestList", {"005", "0#3"});
  FaxRecordSetText(record, "MailBoxId", "stale");
  std::vector<std::string> rows;
  bool removeEnabled = false;
  ASSERT_TRUE(f.Open(record, {f.Check([&] {
                                rows = f.Rows();
                                removeEnabled = f.Element(kCommRemove).IsEnabled();
                              }),
                              Step::Click(kCommOK)}));
  EXPECT_EQ(rows, (std::vector<std::string>{"005", "0#3"}));
  EXPECT_TRUE(removeEnabled);
  EXPECT_EQ(FaxRecordText(record, "RlyNum"), "2");
  EXPECT_EQ(FaxRecordText(record, "Rlyprn"), "1");
  EXPECT_EQ(FaxRecordText(record, "MailBoxId"), "") << "relay send keeps no mailbox";

  // A second opening starts from the record, not from what the last one showed.
  FaxRecord plain = initFax("202612090000");
  ASSERT_TRUE(f.Open(plain, {f.Check([&] { rows = f.Rows(); }), Step::Click(kCommOK)}));
  EXPECT_TRUE(rows.empty());
  EXPECT_EQ(FaxRecordText(plain, "SecureorRelay"), "0");
}

TEST(CommunicationWindow, ReadOnlyOpeningDisablesEverySettingButCanBeLeft) {
  CommunicationWindowFixture f;
  FaxRecord record = initFax("202612090000");
  FaxRecordSetText(record, "SecureorRelay", "1");
  FaxRecordSetText(record, "MailBoxId", "12");
  const FaxRecord before = record;
  std::vector<int> enabled;
  bool categoryHidden = false;
  EXPECT_FALSE(f.Open(record,
                      {f.Check([&] {
                         for (auto* e : f.window->GetPanelControlPtr()->Elements())
                           if (e->IsEnabled()) enabled.push_back(e->Tag());
                         categoryHidden = f.Element(kCommCategory).IsHidden();
                       }),
                       Step::Enter(kCommMailboxID, "99"), Step::Click(kCommOK), Step::Click(kCommCancel)},
                      {}, kCommunicationReadOnly));
  EXPECT_EQ(enabled, (std::vector<int>{kCommCancel, kCommHelp, kCommCategory}));
  EXPECT_TRUE(categoryHidden);
  EXPECT_EQ(f.toolkit->Errors().size(), 2u) << "typing and OK are refused";
  EXPECT_EQ(record, before);

  // The same window opened editable afterwards is editable again.
  ASSERT_TRUE(f.Open(record, {Step::Enter(kCommMailboxID, "99"), Step::Click(kCommOK)}));
  EXPECT_EQ(FaxRecordText(record, "MailBoxId"), "99");
}

TEST(CommunicationWindow, HelpOpensTheCommunicationPage) {
  CommunicationWindowFixture f;
  FaxRecord record = initFax("202612090000");
  f.Open(record, {Step::Click(kCommHelp), Step::Click(kCommCancel)});
  EXPECT_TRUE(f.toolkit->Errors().empty()) << f.toolkit->Errors().front();
  ASSERT_EQ(f.help->opened.size(), 1u);
  EXPECT_EQ(f.help->opened[0].page, "Communication.htm");
}

}  // namespace
