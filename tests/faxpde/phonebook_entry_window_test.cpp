// The phonebook entry windows driven as a user would: new and edited individuals with their field
// rules and duplicates, communication settings kept with the entry, groups with their member and
// book limits, and the group properties window.
#include <gtest/gtest.h>

#include <algorithm>

#include "phonebook_entry_fixture.h"

namespace {

using namespace faxpde;
using namespace faxpde::testing;
using nx::phonebook::FaxRecordList;
using nx::phonebook::FaxRecordText;

const FaxRecord* FindIndividual(const nx::phonebook::FaxPhonebookModel& m, const std::string& name,
                                const std::string& type) {
  for (const FaxRecord& r : m.getAddrsByType(nx::phonebook::kFaxPBIndividuals))
    if (FaxRecordText(r, "Name") == name && FaxRecordText(r, "AddressType") == type) return &r;
  return nullptr;
}

TEST(IndividualEntryWindow, DuplicateRefusedUntilOnlyTheCategoryChanges) {
  EntryWindowFixture f;
  f.AddIndividual("Alice", "0311112222");
  f.Save();
  f.toolkit->Push({Step::Enter(kIndName, "Alice"), Step::Enter(kIndAddress, "0311112222"), Step::Click(kIndOK),
                   Step::AnswerAlert(0), Step::Select(kIndCategory, 1), Step::Click(kIndOK)});
  EXPECT_TRUE(f.individual->ActivateWindow(nullptr, kEntryStateNew, kOpenFromPhonebookList));
  EXPECT_TRUE(f.toolkit->Errors().empty()) << f.toolkit->Errors().front();
  ASSERT_EQ(f.toolkit->Alerts().size(), 1u);
  EXPECT_EQ(f.toolkit->Alerts()[0].alert.title_key, "Fax Phonebook New Individual Entry Window Title String");
  EXPECT_EQ(f.toolkit->Alerts()[0].alert.text_key, "Warning_New_Individual_Entry_Duplicated_Individual_ID");
  EXPECT_TRUE(f.individual->getWinExitState());

  // The second entry is in the book and on disk, with its own Id.
  auto onDisk = f.Reread();
  ASSERT_EQ(onDisk->getFaxCountByType(nx::phonebook::kFaxPBIndividuals), 2);
  const FaxRecord* added = FindIndividual(*onDisk, "Alice", "4");
  ASSERT_NE(added, nullptr);
  EXPECT_EQ(FaxRecordText(*added, "Id"), f.individual->getAddedID());
  EXPECT_NE(FaxRecordText(*added, "Id"), FaxRecordText(*FindIndividual(*onDisk, "Alice", "0"), "Id"));
}

TEST(IndividualEntryWindow, CancelStoresNothing) {
  EntryWindowFixture f;
  f.toolkit->Push({Step::Enter(kIndName, "Bob"), Step::Enter(kIndAddress, "0399"), Step::Click(kIndCancel)});
  EXPECT_FALSE(f.individual->ActivateWindow(nullptr, kEntryStateNew, kOpenFromPhonebookList));
  EXPECT_EQ(f.model->getFaxCountByType(nx::phonebook::kFaxPBIndividuals), 0);
  EXPECT_EQ(f.Reread()->getFaxCountByType(nx::phonebook::kFaxPBIndividuals), 0);
}

struct FieldCase {
  const char* what;
  std::string name;
  std::string address;
  int category;
  const char* text;  // null: accepted
  std::vector<std::string> arguments;
};

class IndividualFieldRules : public ::testing::TestWithParam<FieldCase> {};

TEST_P(IndividualFieldRules, RefusalsKeepTheWindowOpen) {
  const FieldCase& c = GetParam();
  EntryWindowFixture f;
  std::vector<Step> steps = {Step::Enter(kIndName, c.name), Step::Enter(kIndAddress, c.address),
                             Step::Select(kIndCategory, c.category), Step::Click(kIndOK)};
  if (c.text) steps.insert(steps.end(), {Step::AnswerAlert(0), Step::Click(kIndCancel)});
  f.toolkit->Push(steps);
  const bool changed = f.individual->ActivateWindow(nullptr, kEntryStateNew, kOpenFromPhonebookList);
  EXPECT_TRUE(f.toolkit->Errors().empty()) << f.toolkit->Errors().front();
  if (!c.text) {
    EXPECT_TRUE(changed);
    EXPECT_TRUE(f.toolkit->Alerts().empty());
    return;
  }
  EXPECT_FALSE(changed);
  EXPECT_EQ(f.model->getFaxCountByType(nx::phonebook::kFaxPBIndividuals), 0);
  ASSERT_EQ(f.toolkit->Alerts().size(), 1u);
  EXPECT_EQ(f.toolkit->Alerts()[0].alert.title_key, "Fax Phonebook New Individual Entry Window Title String");
  EXPECT_EQ(f.toolkit->Alerts()[0].alert.text_key, c.text);
  EXPECT_EQ(f.toolkit->Alerts()[0].alert.arguments, c.arguments);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, IndividualFieldRules,
    ::testing::Values(
        FieldCase{"empty_number", "A", "", 0, "Warning_Add_Recipient_to_List_Win_Content_ID", {}},
        FieldCase{"spaces_only", "A", "   ", 0, "Warning_Add_All_Space_Recipient_to_List_Win_Content_ID", {}},
        FieldCase{"bracket", "A", "03[1]", 0, "Warning_Invalid_Input_Number_ID", {}},
        FieldCase{"apostrophe", "A", "03'11", 0, nullptr, {}},
        FieldCase{"quote", "A", "03\"11", 0, "Warning_Invalid_Input_Number_ID", {}},
        FieldCase{"braces", "A", "03{5}11", 0, "Warning_Invalid_Input_Number_ID", {}},
        FieldCase{"ip_apostrophe", "A", "sip:o'brien@example.com", 1, nullptr, {}},
        FieldCase{"ip_brace", "A", "sip:o}brien@example.com", 1, "Warning_Invalid_Input_Number_ID", {}},
        FieldCase{"fax_101", "A", std::string(101, '1'), 0, "Warning_Add_Recipient_to_List_Win_Content_ID", {}},
        FieldCase{"ip_101", "A", std::string(101, '1'), 1, nullptr, {}},
        FieldCase{"ip_129", "A", std::string(129, 'a'), 1, "Warning_Add_Recipient_to_List_Win_Content_ID", {}},
        FieldCase{"name_41", std::string(41, 'n'), "0311", 0, "String too long.", {"Name"}},
        FieldCase{"name_40", std::string(40, 'n'), "0311", 0, nullptr, {}}),
    [](const auto& info) { return std::string(info.param.what); });

TEST(IndividualEntryWindow, CommunicationSettingsAreStoredWithTheEntry) {
  EntryWindowFixture f;
  f.toolkit->Push({Step::Enter(kIndName, "Branch"), Step::Enter(kIndAddress, "0312345678"),
                   Step::Click(kIndCommunication), Step::Click(kCommRadioSecure), Step::Enter(kCommMailboxID, "12"),
                   Step::Enter(kCommPasscode, "0420"), Step::Click(kCommOK), Step::Click(kIndOK)});
  ASSERT_TRUE(f.individual->ActivateWindow(nullptr, kEntryStateNew, kOpenFromPhonebookList));
  EXPECT_TRUE(f.toolkit->Errors().empty()) << f.toolkit->Errors().front();
  auto onDisk = f.Reread();
  const FaxRecord* r = FindIndividual(*onDisk, "Branch", "0");
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(FaxRecordText(*r, "SecureorRelay"), "1");
  EXPECT_EQ(FaxRecordText(*r, "MailBoxId"), "12");
  EXPECT_EQ(FaxRecordText(*r, "MailBoxPassword"), "0420");
  EXPECT_EQ(FaxRecordText(*r, "Address"), "0312345678") << "fields typed before the button are kept";
}

TEST(IndividualEntryWindow, EditReplacesTheEntryAndRefusesAnotherEntrysKey) {
  EntryWindowFixture f;
  const std::string a = f.AddIndividual("Alice", "0311");
  f.AddIndividual("Bob", "0322");
  f.Save();
  const FaxRecord alice = *f.model->getMyFaxRecordByID(a);
  f.toolkit->Push({Step::Enter(kIndName, "Bob"), Step::Enter(kIndAddress, "0322"), Step::Click(kIndOK),
                   Step::AnswerAlert(0), Step::Enter(kIndMemo, "kept"), Step::Enter(kIndAddress, "0333"),
                   Step::Click(kIndOK)});
  EXPECT_TRUE(f.individual->ActivateWindow(&alice, kEntryStateEdit, kOpenFromPhonebookList));
  ASSERT_EQ(f.toolkit->Alerts().size(), 1u);
  EXPECT_EQ(f.toolkit->Alerts()[0].alert.title_key, "Fax Phonebook Edit Individual Entry Window Title String");
  auto onDisk = f.Reread();
  ASSERT_EQ(onDisk->getFaxCountByType(nx::phonebook::kFaxPBIndividuals), 2);
  const FaxRecord* r = onDisk->getMyFaxRecordByID(a);
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(FaxRecordText(*r, "Name"), "Bob");
  EXPECT_EQ(FaxRecordText(*r, "Address"), "0333");
  EXPECT_EQ(FaxRecordText(*r, "Memo"), "kept");

  // Saving an unchanged entry is no duplicate of itself.
  f.toolkit->ClearRecords();
  const FaxRecord edited = *f.model->getMyFaxRecordByID(a);
  f.toolkit->Push({Step::Click(kIndOK)});
  EXPECT_TRUE(f.individual->ActivateWindow(&edited, kEntryStateEdit, kOpenFromPhonebookList));
  EXPECT_TRUE(f.toolkit->Alerts().empty());
}

TEST(GroupEntryWindow, FiftyFirstMemberRefused) {
  EntryWindowFixture f;
  for (int i = 0; i < 51; ++i) f.AddIndividual("P" + std::to_string(i), "03" + std::to_string(1000 + i));
  f.Save();
  std::vector<int> fifty;
  for (int i = 0; i < 50; ++i) fifty.push_back(i);
  f.toolkit->Push({Step::Enter(kGrpName, "Team"), Step::SelectRows(kGrpIndividualList, fifty), Step::Click(kGrpAddTo),
                   Step::SelectRows(kGrpIndividualList, {50}), Step::Click(kGrpAddTo), Step::AnswerAlert(0),
                   f.Check([&] { EXPECT_EQ(f.Rows(*f.group, kGrpMemberList).size(), 50u); }), Step::Click(kGrpOK)});
  EXPECT_TRUE(f.group->ActivateWindow(nullptr, kEntryStateNew));
  EXPECT_TRUE(f.toolkit->Errors().empty()) << f.toolkit->Errors().front();
  ASSERT_EQ(f.toolkit->Alerts().size(), 1u);
  EXPECT_EQ(f.toolkit->Alerts()[0].alert.title_key, "Warning_Add_Group_Member_to_List_Win_Title_ID");
  EXPECT_EQ(f.toolkit->Alerts()[0].alert.text_key, "Warning_Add_Group_Member_Exceeding_Maximum_Num_Content_Title_ID");
  auto onDisk = f.Reread();
  ASSERT_EQ(onDisk->getFaxCountByType(nx::phonebook::kFaxPBGroups), 1);
  const FaxRecord& g = onDisk->getAddrsByType(nx::phonebook::kFaxPBGroups)[0];
  EXPECT_EQ(FaxRecordText(g, "GroupName"), "Team");
  EXPECT_EQ(FaxRecordText(g, "EntryNum"), "50");
  EXPECT_EQ(FaxRecordList(g, "EntryList").size(), 50u);
}

TEST(GroupEntryWindow, FiveThousandFirstGroupRefusedWithTheLimit) {
  EntryWindowFixture f;
  const std::string id = f.AddIndividual("Alice", "0311");
  for (int i = 0; i < nx::phonebook::kFaxPBMaxGroups; ++i) f.AddGroup("G" + std::to_string(i), {id});
  // The window's edit applies to the book on disk.
  f.Save();
  f.toolkit->Push({Step::Enter(kGrpName, "One more"), Step::SelectRows(kGrpIndividualList, {0}),
                   Step::Click(kGrpAddTo), Step::Click(kGrpOK), Step::AnswerAlert(0), Step::Click(kGrpCancel)});
  EXPECT_FALSE(f.group->ActivateWindow(nullptr, kEntryStateNew));
  EXPECT_TRUE(f.toolkit->Errors().empty()) << f.toolkit->Errors().front();
  ASSERT_EQ(f.toolkit->Alerts().size(), 1u);
  EXPECT_EQ(f.toolkit->Alerts()[0].alert.title_key, "Warning_Add_Individual_Group_Win_Title_ID");
  EXPECT_EQ(f.toolkit->Alerts()[0].alert.text_key, "Warning_Add_Group_Exceeding_Maximum_Num_Content_Title_ID");
  EXPECT_EQ(f.toolkit->Alerts()[0].alert.arguments, std::vector<std::string>{"5000"});
  EXPECT_EQ(f.model->getFaxCountByType(nx::phonebook::kFaxPBGroups), nx::phonebook::kFaxPBMaxGroups);
}

struct GroupOkCase {
  const char* what;
  std::string name;
  bool addMember;
  const char* text;
};

class GroupOkRules : public ::testing::TestWithParam<GroupOkCase> {};

TEST_P(GroupOkRules, RefusedUnderTheWindowTitle) {
  EntryWindowFixture f;
  const std::string id = f.AddIndividual("Alice", "0311");
  f.AddGroup("Taken", {id});
  f.Save();
  std::vector<Step> steps = {Step::Enter(kGrpName, GetParam().name)};
  if (GetParam().addMember) steps.insert(steps.end(), {Step::SelectRows(kGrpIndividualList, {0}), Step::Click(kGrpAddTo)});
  steps.insert(steps.end(), {Step::Click(kGrpOK), Step::AnswerAlert(0), Step::Click(kGrpCancel)});
  f.toolkit->Push(steps);
  EXPECT_FALSE(f.group->ActivateWindow(nullptr, kEntryStateNew));
  ASSERT_EQ(f.toolkit->Alerts().size(), 1u);
  EXPECT_EQ(f.toolkit->Alerts()[0].alert.title_key, "Fax Phonebook New Group Entry Window Title String");
  EXPECT_EQ(f.toolkit->Alerts()[0].alert.text_key, GetParam().text);
  EXPECT_EQ(f.Reread()->getFaxCountByType(nx::phonebook::kFaxPBGroups), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, GroupOkRules,
    ::testing::Values(GroupOkCase{"no_name", "", true, "Warning_New_Group_Entry_Window_NULL_Group_Name_ID"},
                      GroupOkCase{"spaces", "  ", true, "Warning_New_Group_Entry_Window_NULL_Group_Name_ID"},
                      GroupOkCase{"no_member", "New", false,
                                  "Warning_New_Group_Entry_Window_One_Member_At_Least_Group_Name_ID"},
                      GroupOkCase{"taken", "Taken", true, "Warning_New_Group_Entry_Window_Double_Group_Name_ID"}),
    [](const auto& info) { return std::string(info.param.what); });

TEST(GroupEntryWindow, EditKeepsItsOwnNameDeletesMembersAndSearches) {
  EntryWindowFixture f;
  const std::string a = f.AddIndividual("Alice", "0311");
  const std::string b = f.AddIndividual("Bob", "0322");
  f.AddGroup("Other", {a});
  const std::string gid = f.AddGroup("Team", {a, b});
  f.Save();
  const FaxRecord team = f.model->getAddrsByType(nx::phonebook::kFaxPBGroups)[1];
  f.toolkit->Push({f.Check([&] {
                     EXPECT_EQ(f.Rows(*f.group, kGrpMemberList), (std::vector<std::string>{"Alice <0311>", "Bob <0322>"}));
                     // The edited group is not offered as a member of itself.
                     EXPECT_EQ(f.Rows(*f.group, kGrpIndividualList),
                               (std::vector<std::string>{"Alice <0311>", "Bob <0322>", "[Other]"}));
                   }),
                   Step::Enter(kGrpSearch, "BO"),
                   f.Check([&] { EXPECT_EQ(f.Rows(*f.group, kGrpIndividualList), std::vector<std::string>{"Bob <0322>"}); }),
                   Step::SelectRows(kGrpMemberList, {0}), Step::Click(kGrpDelete), Step::AnswerAlert(0),
                   Step::Click(kGrpOK)});
  EXPECT_TRUE(f.group->ActivateWindow(&team, kEntryStateEdit));
  EXPECT_TRUE(f.toolkit->Errors().empty()) << f.toolkit->Errors().front();
  ASSERT_EQ(f.toolkit->Alerts().size(), 1u);
  EXPECT_EQ(f.toolkit->Alerts()[0].alert.text_key, "Warning_Delete_Group_Member_Win_Content_ID");
  auto onDisk = f.Reread();
  ASSERT_EQ(onDisk->getFaxCountByType(nx::phonebook::kFaxPBGroups), 2);
  const FaxRecord& g = onDisk->getAddrsByType(nx::phonebook::kFaxPBGroups)[1];
  EXPECT_EQ(FaxRecordText(g, "Id"), gid);
  EXPECT_EQ(FaxRecordText(g, "GroupName"), "Team");
  EXPECT_EQ(FaxRecordList(g, "EntryList"), std::vector<std::string>{b});
  EXPECT_EQ(FaxRecordText(g, "EntryNum"), "1");
}

TEST(GroupPropertiesWindow, ListsMembersAndOpensOneReadOnly) {
  EntryWindowFixture f;
  const std::string a = f.AddIndividual("Alice", "0311");
  const std::string b = f.AddIndividual("Bob", "0322");
  f.AddGroup("Team", {b, "999", a});
  f.Save();
  f.toolkit->Push({Step::SelectRows(kGrpIndividualList, {2}), Step::Click(kGrpProperties),
                   f.Check([&] {
                     // An Id without an individual is skipped; the first row is chosen.
                     EXPECT_EQ(f.Rows(*f.properties, kGrpPropList),
                               (std::vector<std::string>{"Bob <0322>", "Alice <0311>"}));
                     EXPECT_EQ(f.Element(*f.properties, kGrpPropList).SelectedRows(), std::vector<int>{0});
                   }),
                   Step::SelectRows(kGrpPropList, {0, 1}), Step::Click(kGrpPropProperties), Step::AnswerAlert(0),
                   Step::SelectRows(kGrpPropList, {1}), Step::Click(kGrpPropProperties),
                   f.Check([&] {
                     EXPECT_EQ(f.Element(*f.individual, kIndName).StringValue(), "Alice");
                     EXPECT_FALSE(f.Element(*f.individual, kIndOK).IsEnabled());
                     EXPECT_EQ(f.individual->getPanelOpenFrom(), kOpenFromGroupProperties);
                   }),
                   Step::Click(kIndCancel), Step::Click(kGrpPropClose), Step::Click(kGrpCancel)});
  EXPECT_FALSE(f.group->ActivateWindow(nullptr, kEntryStateNew));
  EXPECT_TRUE(f.toolkit->Errors().empty()) << f.toolkit->Errors().front();
  ASSERT_EQ(f.toolkit->Alerts().size(), 1u);
  EXPECT_EQ(f.toolkit->Alerts()[0].alert.text_key, "Warning_Edit_Recipients_Win_Content_ID");
}

}  // namespace

namespace {

// A book that cannot be written: the entry is not reported as stored and the window stays open.
TEST(EntryWindowsUnsavedBook, OkSaysNothingWasStored) {
  EntryWindowFixture f;
  const std::string a = f.AddIndividual("Alice", "0311");
  f.model->usePhonebookFile(f.bookPath + "/cannot/book.fap");
  f.toolkit->Push({Step::Enter(kIndName, "Bob"), Step::Enter(kIndAddress, "0322"), Step::Click(kIndOK),
                   Step::AnswerAlert(0), Step::Click(kIndCancel)});
  EXPECT_FALSE(f.individual->ActivateWindow(nullptr, kEntryStateNew, kOpenFromPhonebookList));
  f.toolkit->Push({Step::Enter(kGrpName, "Team"), Step::SelectRows(kGrpIndividualList, {0}), Step::Click(kGrpAddTo),
                   Step::Click(kGrpOK), Step::AnswerAlert(0), Step::Click(kGrpCancel)});
  EXPECT_FALSE(f.group->ActivateWindow(nullptr, kEntryStateNew));
  EXPECT_TRUE(f.toolkit->Errors().empty()) << f.toolkit->Errors().front();
  std::vector<std::string> texts;
  for (const auto& record : f.toolkit->Alerts()) texts.push_back(record.alert.text_key);
  EXPECT_EQ(std::count(texts.begin(), texts.end(), "Warning_Phonebook_Entry_Not_Saved_ID"), 2) << texts.size();
  EXPECT_EQ(f.model->getFaxCountByType(nx::phonebook::kFaxPBIndividuals), 1);
  EXPECT_EQ(f.model->getFaxCountByType(nx::phonebook::kFaxPBGroups), 0);
  EXPECT_NE(f.model->getMyFaxRecordByID(a), nullptr);
}

}  // namespace
