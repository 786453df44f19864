// The phonebook windows reached from the recipient window through the dialog host with the real
// bundle: Look Up on a missing book, a group picked as recipients, a book built through the
// windows, and Add To Phonebook. Each test has its own phonebook and preference folders.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "../phonebook/model/model_fixture.h"
#include "faxpde/FaxRecipientWindow.h"
#include "faxpde/PhonebookImportWindow.h"
#include "faxpde/PhonebookSelectWindow.h"
#include "nx/phonebook/fax_phonebook_model.h"
#include "nx/platform/headless_toolkit.h"
#include "nx/platform/property_list.h"
#include "recipient_steps.h"

namespace {

using namespace faxpde::testing;
using faxpde::kRecAddToPB;
using faxpde::kRecCancel;
using faxpde::kRecList;
using faxpde::kRecLookUp;
using faxpde::kRecPhonebook;
using nx::phonebook::FaxPhonebookModel;
using nx::phonebook::FaxRecord;
using nx::phonebook::FaxRecordText;
using pdehost::DialogOutcome;
using Strings = std::vector<std::string>;

constexpr const char* kSelectWindow = "Phonebook_Default00";
constexpr const char* kNewEntryWindow = "FaxPBNewEntry";
constexpr const char* kIndividualWindow = "FaxPBIndividualEntry";
constexpr const char* kGroupWindow = "FaxPBGroupEntry";

std::string Rows(int tag, const std::string& rows, const std::string& window) {
  return In(window, R"("action": "selectRows", "tag": )" + std::to_string(tag) + R"(, "rows": )" + rows);
}
std::string ExpectText(int tag, const std::string& text, const std::string& window) {
  return In(window, R"("action": "expect", "tag": )" + std::to_string(tag) + R"(, "text": )" + Json(text));
}
std::string ExpectEnabled(int tag, bool enabled, const std::string& window) {
  return In(window, R"("action": "expect", "tag": )" + std::to_string(tag) + R"(, "enabled": )" +
                        (enabled ? "true" : "false"));
}
std::string ChooseFile(const std::string& path) { return Plain(R"("action": "chooseFile", "path": )" + Json(path)); }

// New in the select window, then an individual typed into the entry window.
std::vector<std::string> NewIndividual(const std::string& name, const std::string& number) {
  return {Click(faxpde::kPBSelNew, kSelectWindow), Click(faxpde::kPBNewOK, kNewEntryWindow),
          Enter(21, name, kIndividualWindow), Enter(27, number, kIndividualWindow), Click(10, kIndividualWindow)};
}
// New in the select window, then a group of the chosen rows of the individuals list.
std::vector<std::string> NewGroup(const std::string& name, const std::string& rows) {
  return {Click(faxpde::kPBSelNew, kSelectWindow), Click(faxpde::kPBNewGroup, kNewEntryWindow),
          Click(faxpde::kPBNewOK, kNewEntryWindow),  Enter(21, name, kGroupWindow),
          Rows(23, rows, kGroupWindow),             Click(25, kGroupWindow),
          Click(10, kGroupWindow)};
}

// The phonebook folder and the user's preferences in a folder of the test's own.
class PhonebookHostTest : public ::testing::Test {
 protected:
  PhonebookHostTest() {
    char tmpl[] = "/tmp/faxpde-pbwin-XXXXXX";
    if (!::mkdtemp(tmpl)) throw std::runtime_error("no temporary folder");
    dir_ = tmpl;
    Set("XDG_DATA_HOME", dir_ + "/data");
    Set("NX_USER_PREFS_DIR", dir_ + "/prefs");
    std::filesystem::create_directories(dir_ + "/prefs");
    std::filesystem::create_directories(PhonebookDir());
  }
  ~PhonebookHostTest() override {
    for (const auto& [name, value] : saved_) {
      if (value) ::setenv(name.c_str(), value->c_str(), 1);
      else ::unsetenv(name.c_str());
    }
    std::filesystem::remove_all(dir_);
  }

  std::string PhonebookDir() const { return dir_ + "/data/NORVALEX/JPN/MFP_D-FAX"; }
  std::string PreferenceFile() const { return dir_ + "/prefs/" + nx::phonebook::kFaxPBPreferencesFileName; }
  void Configure(const std::string& book) {
    nx::platform::PropertyValue::Dictionary dict;
    dict[nx::phonebook::kFaxPBCurrentPathKey] = nx::platform::PropertyValue(book);
    ASSERT_TRUE(nx::platform::WritePropertyListFile(PreferenceFile(), nx::platform::PropertyValue(std::move(dict))));
  }
  std::string Configured() const {
    auto root = nx::platform::ReadPropertyListFile(PreferenceFile());
    if (!root || !root->AsDictionary()) return "<none>";
    auto it = root->AsDictionary()->find(nx::phonebook::kFaxPBCurrentPathKey);
    return it == root->AsDictionary()->end() || !it->second.AsString() ? "<none>" : *it->second.AsString();
  }
  // The book as its file holds it.
  std::unique_ptr<FaxPhonebookModel> Book(const std::string& path) {
    book_ = std::make_unique<FaxHost>();
    auto model = std::make_unique<FaxPhonebookModel>(*book_->services);
    model->usePhonebookFile(path);
    if (!model->readMyFaxFile(path)) return nullptr;
    return model;
  }
  // Two individuals and a group of both, saved at `path`.
  void SaveTeam(const std::string& path) {
    FaxHost h;
    FaxPhonebookModel model(*h.services);
    model.usePhonebookFile(path);
    for (auto [name, number] : {std::pair{"Ann", "0311"}, std::pair{"Bob", "0322"}}) {
      FaxRecord r = nx::phonebook::initFax("202612090000");
      nx::phonebook::FaxRecordSetText(r, "Name", name);
      nx::phonebook::FaxRecordSetText(r, "Address", number);
      ASSERT_TRUE(model.addFaxRecordsToPBByType(std::move(r), nx::phonebook::kFaxPBIndividuals));
    }
    FaxRecord g = nx::phonebook::initFaxGroup("202612090000");
    nx::phonebook::FaxRecordSetText(g, "GroupName", "Team");
    nx::phonebook::FaxRecordSetText(g, "EntryNum", "2");
    nx::phonebook::FaxRecordSetList(g, "EntryList", {"1", "2"});
    ASSERT_TRUE(model.addFaxRecordsToPBByType(std::move(g), nx::phonebook::kFaxPBGroups));
    ASSERT_TRUE(model.saveMyFaxData());
  }

  std::string dir_;

  void Set(const char* name, const std::string& value) {
    const char* old = std::getenv(name);
    saved_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
    ::setenv(name, value.c_str(), 1);
  }

 private:
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
  std::unique_ptr<FaxHost> book_;
};

Strings AlertTexts(const pdehost::DialogReport& r) {
  Strings keys;
  for (const auto& a : r.alerts) keys.push_back(a.alert.text_key);
  return keys;
}

TEST_F(PhonebookHostTest, LookUpWithAMissingBookSwitchesToTheDefault) {
  Configure(dir_ + "/gone.fap");
  FaxHost h;
  const auto report = h.Play(Scenario({{Print(), ExpectEnabled(kRecAddToPB, false, kRecipientWindow), Click(kRecLookUp),
                                        ExpectText(faxpde::kPBSelCurrentFile, "default.fap", kSelectWindow),
                                        In(kSelectWindow, R"("action": "expect", "tag": 5, "itemCount": 0)"),
                                        Click(faxpde::kPBSelCancel, kSelectWindow),
                                        ExpectText(kRecPhonebook, "default.fap", kRecipientWindow), Click(kRecCancel)}}));
  EXPECT_TRUE(report.failures.empty()) << Failures(report);
  EXPECT_TRUE(report.alerts.empty());
  EXPECT_EQ(Configured(), PhonebookDir() + "/default.fap");
}

TEST_F(PhonebookHostTest, AGroupPickedInTheSelectWindowBecomesItsMembers) {
  const std::string book = PhonebookDir() + "/team.fap";
  SaveTeam(book);
  Configure(book);
  FaxHost h;
  const auto report = h.Play(Scenario(
      {{Print(), Click(kRecLookUp), ExpectText(faxpde::kPBSelCurrentFile, "team.fap", kSelectWindow),
        Rows(faxpde::kPBSelList, "[2]", kSelectWindow), Click(faxpde::kPBSelAddTo, kSelectWindow),
        In(kSelectWindow, R"("action": "expect", "tag": 7, "itemCount": 2)"), Click(faxpde::kPBSelOK, kSelectWindow),
        In(kRecipientWindow, R"("action": "expect", "tag": 4, "itemCount": 2)"),
        ExpectText(kRecPhonebook, "team.fap", kRecipientWindow)},
       Confirm()}));
  ASSERT_EQ(report.outcome, DialogOutcome::kPrinted) << Failures(report);
  EXPECT_TRUE(report.alerts.empty());
  EXPECT_EQ(Option(report, Key("DFRecipientListCountTicket")), "2");
  EXPECT_EQ(Option(report, Key("DFRecipientListItemKeyTicket0")), "FAEN=0311{20}{30}{7QW5u}{}comment");
  EXPECT_EQ(Option(report, Key("DFRecipientListItemKeyTicket1")), "FAEN=0322{20}{30}{7Qm9i}{}comment");
  EXPECT_EQ(Option(report, Key("DFRecipientListItemKeyTicket2")), "<absent>");
}

TEST_F(PhonebookHostTest, ABookBuiltThroughTheWindowsGivesTheGroupAsRecipients) {
  const std::string book = dir_ + "/office.fap";
  FaxHost h;
  std::vector<std::vector<std::string>> steps{
      {Print(), Click(kRecLookUp), Click(faxpde::kPBSelNewPhonebook, kSelectWindow), ChooseFile(book),
       ExpectText(faxpde::kPBSelCurrentFile, "office.fap", kSelectWindow)},
      NewIndividual("Ann", "0311"),
      NewIndividual("Bob", "0322"),
      NewGroup("Team", "[0, 1]"),
      {In(kSelectWindow, R"("action": "expect", "tag": 5, "itemCount": 3)"), Rows(faxpde::kPBSelList, "[2]", kSelectWindow),
       Click(faxpde::kPBSelAddTo, kSelectWindow), Click(faxpde::kPBSelOK, kSelectWindow)},
      Confirm()};
  const auto report = h.Play(Scenario(steps));
  ASSERT_EQ(report.outcome, DialogOutcome::kPrinted) << Failures(report);
  EXPECT_TRUE(report.alerts.empty()) << AlertTexts(report)[0];
  EXPECT_EQ(Option(report, Key("DFRecipientListCountTicket")), "2");
  EXPECT_EQ(Option(report, Key("DFRecipientListItemKeyTicket0")), "FAEN=0311{20}{30}{7QW5u}{}comment");
  EXPECT_EQ(Option(report, Key("DFRecipientListItemKeyTicket1")), "FAEN=0322{20}{30}{7Qm9i}{}comment");

  // The save panel as the user saw it, and the book in its file.
  const auto& panels = h.toolkit->headless().SavePanels();
  ASSERT_EQ(panels.size(), 1u);
  EXPECT_EQ(panels[0].title, "New Phonebook");
  EXPECT_EQ(panels[0].name_label, "Phonebook Name:");
  EXPECT_EQ(panels[0].allowed_extensions, Strings{"fap"});
  EXPECT_EQ(Configured(), book);
  auto saved = Book(book);
  ASSERT_TRUE(saved);
  ASSERT_EQ(saved->getFaxCountByType(nx::phonebook::kFaxPBIndividuals), 2);
  ASSERT_EQ(saved->getFaxCountByType(nx::phonebook::kFaxPBGroups), 1);
  const FaxRecord& team = saved->getAddrsByType(nx::phonebook::kFaxPBGroups)[0];
  EXPECT_EQ(FaxRecordText(team, "GroupName"), "Team");
  EXPECT_EQ(nx::phonebook::FaxRecordList(team, "EntryList"), (Strings{"1", "2"}));
}

TEST_F(PhonebookHostTest, AddToPhonebookStoresTheRecipientAndAsksBeforeOverwriting) {
  const std::string book = PhonebookDir() + "/mine.fap";
  {
    FaxHost empty;
    ASSERT_TRUE(FaxPhonebookModel(*empty.services).createEmptyFaxPhoneBook(book));
  }
  Configure(book);
  FaxHost h;
  const std::string first = Rows(kRecList, "[0]", kRecipientWindow);
  const auto report = h.Play(Scenario(
      {{Print()},
       TypedRecipient("Abc", "0312345678"),
       {ExpectEnabled(kRecAddToPB, true, kRecipientWindow), first, Click(kRecAddToPB)},
       // The same recipient again: No keeps the entry, OK overwrites it.
       {first, Click(kRecAddToPB), Answer(1, "Warning_Duplicated_PB_Content_ID"), first, Click(kRecAddToPB),
        Answer(0, "Warning_Duplicated_PB_Content_ID")},
       // A speed dial is never a phonebook entry; with another recipient it is named and dropped.
       SpeedDialRecipient("Sd", "12"),
       {Rows(kRecList, "[1]", kRecipientWindow), Click(kRecAddToPB), Answer(0),
        Rows(kRecList, "[0, 1]", kRecipientWindow), Click(kRecAddToPB), Answer(0, "Warning_Duplicated_PB_Content_ID"),
        Answer(0), Click(kRecCancel)}}));
  EXPECT_TRUE(report.failures.empty()) << Failures(report);
  EXPECT_EQ(AlertTexts(report),
            (Strings{"Warning_Duplicated_PB_Content_ID", "Warning_Duplicated_PB_Content_ID",
                     "Warning_Warning_Add_To_Phonebook_Win_Content_ID", "Warning_Duplicated_PB_Content_ID",
                     "Warning_Warning_Add_Multi_To_Phonebook_Win_Content_ID"}));
  ASSERT_GE(report.alerts.size(), 5u);
  EXPECT_EQ(report.alerts[0].alert.arguments, (Strings{"Abc", "0312345678"}));
  EXPECT_EQ(report.alerts[4].alert.arguments, Strings{"Sd"});
  auto saved = Book(book);
  ASSERT_TRUE(saved);
  ASSERT_EQ(saved->getFaxCountByType(nx::phonebook::kFaxPBIndividuals), 1);
  const FaxRecord& entry = saved->getAddrsByType(nx::phonebook::kFaxPBIndividuals)[0];
  EXPECT_EQ(FaxRecordText(entry, "Id"), "1");
  EXPECT_EQ(FaxRecordText(entry, "Name"), "Abc");
  EXPECT_EQ(FaxRecordText(entry, "Address"), "0312345678");
  EXPECT_EQ(FaxRecordText(entry, "AddressType"), "0");
}

TEST_F(PhonebookHostTest, AnAddedRecipientIsInTheBookLookUpShows) {
  Configure(PhonebookDir() + "/gone.fap");
  FaxHost h;
  const auto report = h.Play(Scenario({{Print()},
                                       TypedRecipient("Abc", "0312345678"),
                                       {Rows(kRecList, "[0]", kRecipientWindow), Click(kRecAddToPB), Click(kRecLookUp),
                                        In(kSelectWindow, R"("action": "expect", "tag": 5, "itemCount": 1)"),
                                        In(kSelectWindow, R"("action": "expect", "tag": 7, "itemCount": 1)"),
                                        Click(faxpde::kPBSelOK, kSelectWindow)},
                                       Confirm()}));
  ASSERT_EQ(report.outcome, DialogOutcome::kPrinted) << Failures(report);
  EXPECT_TRUE(report.alerts.empty());
  EXPECT_EQ(Option(report, Key("DFRecipientListCountTicket")), "1");
  EXPECT_EQ(Option(report, Key("DFRecipientListItemKeyTicket0")), "FAEN=0312345678{20}{30}{7QWJj}{}comment");
  // The configured book was missing: the entry went to the default book, which is now current.
  EXPECT_EQ(Configured(), PhonebookDir() + "/default.fap");
  auto saved = Book(PhonebookDir() + "/default.fap");
  ASSERT_TRUE(saved);
  EXPECT_EQ(saved->getFaxCountByType(nx::phonebook::kFaxPBIndividuals), 1);
}

TEST_F(PhonebookHostTest, NewNeedsTheBookFileAndAnEntryType) {
  Configure(PhonebookDir() + "/gone.fap");
  const std::string book = dir_ + "/fresh.fap";
  FaxHost h;
  const auto report = h.Play(Scenario(
      {{Print(), Click(kRecLookUp),
        // The default book has no file yet: New refuses.
        Click(faxpde::kPBSelNew, kSelectWindow), Answer(0, "Warning_Specified_File_Not_Exist_Win_Content_ID"),
        Click(faxpde::kPBSelNewPhonebook, kSelectWindow), ChooseFile(book),
        // Cancel in the new entry window opens no entry window: the next step is the select window's.
        Click(faxpde::kPBSelNew, kSelectWindow), Click(faxpde::kPBNewCancel, kNewEntryWindow),
        In(kSelectWindow, R"("action": "expect", "tag": 5, "itemCount": 0)"),
        Click(faxpde::kPBSelCancel, kSelectWindow), ExpectText(kRecPhonebook, "fresh.fap", kRecipientWindow),
        Click(kRecCancel)}}));
  EXPECT_TRUE(report.failures.empty()) << Failures(report);
  EXPECT_EQ(AlertTexts(report), Strings{"Warning_Specified_File_Not_Exist_Win_Content_ID"});
  auto saved = Book(book);
  ASSERT_TRUE(saved) << "New Phonebook writes an empty book";
  EXPECT_EQ(saved->getFaxCountByType(nx::phonebook::kFaxPBIndividuals), 0);
}

TEST_F(PhonebookHostTest, PropertiesEditsTheChosenEntryInItsBook) {
  const std::string book = PhonebookDir() + "/team.fap";
  SaveTeam(book);
  Configure(book);
  FaxHost h;
  const auto report = h.Play(Scenario(
      {{Print(), Click(kRecLookUp), Rows(faxpde::kPBSelList, "[1]", kSelectWindow),
        Click(faxpde::kPBSelProperties, kSelectWindow), ExpectText(21, "Bob", kIndividualWindow),
        Enter(21, "Robert", kIndividualWindow), Click(10, kIndividualWindow),
        // The group opens in its entry window with its members.
        Rows(faxpde::kPBSelList, "[2]", kSelectWindow), Click(faxpde::kPBSelProperties, kSelectWindow),
        ExpectText(21, "Team", kGroupWindow), In(kGroupWindow, R"("action": "expect", "tag": 26, "itemCount": 2)"),
        Click(11, kGroupWindow),
        // Several rows: the edit warning.
        Rows(faxpde::kPBSelList, "[0, 1]", kSelectWindow), Click(faxpde::kPBSelProperties, kSelectWindow),
        Answer(0, "Warning_Edit_Recipients_Win_Content_ID"), Click(faxpde::kPBSelCancel, kSelectWindow),
        Click(kRecCancel)}}));
  EXPECT_TRUE(report.failures.empty()) << Failures(report);
  auto saved = Book(book);
  ASSERT_TRUE(saved);
  const auto& people = saved->getAddrsByType(nx::phonebook::kFaxPBIndividuals);
  ASSERT_EQ(people.size(), 2u);
  EXPECT_EQ(FaxRecordText(people[1], "Id"), "2");
  EXPECT_EQ(FaxRecordText(people[1], "Name"), "Robert");
  EXPECT_EQ(FaxRecordText(people[1], "Address"), "0322");
}

TEST_F(PhonebookHostTest, ImportToPhonebookAsksTheDataTypeThenTheFile) {
  const std::string book = PhonebookDir() + "/team.fap";
  SaveTeam(book);
  Configure(book);
  const std::string gad = dir_ + "/device.fad";
  {
    std::ofstream out(gad, std::ios::binary);
    out << pbmodel::GadFile().Person(10, u"Cho", u"0355").Person(20, u"Dai", u"0366").Team(1, u"Pair", {10, 20}).bytes();
  }
  FaxHost h;
  const auto report = h.Play(Scenario(
      {{Print(), Click(kRecLookUp),
        // Cancel in the data type window reads nothing.
        Click(faxpde::kPBSelImport, kSelectWindow), Click(faxpde::kPBImpCancel, "Import_Default00"),
        In(kSelectWindow, R"("action": "expect", "tag": 5, "itemCount": 3)"),
        Click(faxpde::kPBSelImport, kSelectWindow), SelectItem(faxpde::kPBImpDataType, 2, "Import_Default00"),
        Click(faxpde::kPBImpOK, "Import_Default00"), ChooseFile(gad),
        In(kSelectWindow, R"("action": "expect", "tag": 5, "itemCount": 6)"),
        Click(faxpde::kPBSelCancel, kSelectWindow), Click(kRecCancel)}}));
  EXPECT_TRUE(report.failures.empty()) << Failures(report);
  const auto& opened = h.toolkit->headless().OpenPanels();
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(opened[0].allowed_extensions, Strings{"fad"});
  auto saved = Book(book);
  ASSERT_TRUE(saved);
  EXPECT_EQ(saved->getFaxCountByType(nx::phonebook::kFaxPBIndividuals), 4);
  EXPECT_EQ(saved->getFaxCountByType(nx::phonebook::kFaxPBGroups), 2);
}

TEST_F(PhonebookHostTest, AFullBookStillOverwritesAnEqualEntryButTakesNoNewOne) {
  const std::string book = PhonebookDir() + "/full.fap";
  {
    FaxHost h;
    FaxPhonebookModel model(*h.services);
    model.usePhonebookFile(book);
    for (int i = 1; i <= nx::phonebook::kFaxPBMaxIndividuals; ++i)
      ASSERT_TRUE(model.addFaxRecordsToPBByType(pbmodel::Person("P" + std::to_string(i), std::to_string(10000 + i)),
                                                nx::phonebook::kFaxPBIndividuals));
    ASSERT_TRUE(model.saveMyFaxData());
  }
  Configure(book);
  FaxHost h;
  const auto report = h.Play(Scenario({{Print()},
                                       TypedRecipient("P1", "10001"),
                                       TypedRecipient("New", "0399"),
                                       {Rows(kRecList, "[0, 1]", kRecipientWindow), Click(kRecAddToPB),
                                        Answer(0, "Warning_Duplicated_PB_Content_ID"),
                                        Answer(0, "Warning_Add_Individual_Exceeding_Maximum_Num_Content_Title_ID"),
                                        Click(kRecCancel)}}));
  EXPECT_TRUE(report.failures.empty()) << Failures(report);
  auto saved = Book(book);
  ASSERT_TRUE(saved);
  EXPECT_EQ(saved->getFaxCountByType(nx::phonebook::kFaxPBIndividuals), nx::phonebook::kFaxPBMaxIndividuals);
  // The equal entry was overwritten by the recipient (a new time stamp), keeping its place and Id.
  const FaxRecord& first = saved->getAddrsByType(nx::phonebook::kFaxPBIndividuals)[0];
  EXPECT_EQ(FaxRecordText(first, "Id"), "1");
  EXPECT_NE(FaxRecordText(first, "TimeStamp"), pbmodel::kStamp);
}

TEST_F(PhonebookHostTest, SandboxedLookUpOpensTheChosenBookOnlyWhenItReads) {
  const std::string book = PhonebookDir() + "/team.fap";
  SaveTeam(book);
  const std::string broken = dir_ + "/broken.fap";
  { std::ofstream(broken) << "not a phonebook"; }
  Set("NX_HOST_BUNDLE_IDENTIFIER", "com.apple.Preview");
  User user;
  user.kernelRelease = kNewSystem;
  FaxHost h(user);
  const std::string warning = "Warning_LookUp_PhoneBook_Title_ID";
  const auto report = h.Play(Scenario(
      {{Print(), Click(kRecLookUp), Answer(0, warning), ChooseFile(broken),
        Answer(0, "Warning_Specified_File_Not_Valiable_Win_Content_ID"),
        // Refused: the select window did not open, the recipient window is still in front.
        ExpectEnabled(kRecLookUp, true, kRecipientWindow), Click(kRecLookUp), Answer(0, warning), ChooseFile(book),
        ExpectText(faxpde::kPBSelCurrentFile, "team.fap", kSelectWindow),
        In(kSelectWindow, R"("action": "expect", "tag": 5, "itemCount": 3)"),
        ExpectEnabled(faxpde::kPBSelNew, false, kSelectWindow), ExpectEnabled(faxpde::kPBSelImport, true, kSelectWindow),
        Rows(faxpde::kPBSelList, "[2]", kSelectWindow), Click(faxpde::kPBSelAddTo, kSelectWindow),
        Click(faxpde::kPBSelOK, kSelectWindow), ExpectText(kRecPhonebook, "team.fap", kRecipientWindow),
        In(kRecipientWindow, R"("action": "expect", "tag": 4, "itemCount": 2)"), Click(kRecCancel)}}));
  EXPECT_TRUE(report.failures.empty()) << Failures(report);
  EXPECT_FALSE(std::filesystem::exists(PreferenceFile())) << "a sandboxed host creates no preference file";
}

// The select window on its own, with a preference folder that cannot be created.
TEST(PhonebookSelectFiles, ANewBookIsSavedWhereShownWhenThePreferencesCannotBeWritten) {
  pbtest::TempDir dir;
  auto toolkit = std::make_unique<nx::platform::ui::HeadlessToolkit>();
  nx::platform::ui::HeadlessToolkit* tk = toolkit.get();
  nx::platform::Services services(std::make_unique<nx::platform::MemoryPreferences>(),
                                  std::make_unique<nx::platform::RootedFolders>(dir.path()), nullptr, nullptr, nullptr,
                                  nullptr, std::move(toolkit));
  pbtest::WriteFile(services.folders().PreferencesDir(), "not a folder");
  nx::phonebook::FaxPBRecipientModel recipients(services.notifications(), *tk);
  faxpde::FaxPhonebookSelectWindowsClass window(nullptr, "Fax Phonebook Select Window Title String", nullptr, services,
                                                nullptr);
  faxpde::PhonebookSelectContext context;
  context.recipients = &recipients;
  window.SetContext(context);
  window.LoadCurrentPhonebook();

  const std::string book = dir.File("new.fap");
  tk->Push(nx::platform::ui::Step::ChooseFile(book));
  ASSERT_TRUE(window.NewPhonebook());
  EXPECT_EQ(window.getCurrentPhonebookPath(), book);
  ASSERT_TRUE(window.getFaxPBPhonebookDataPtr()->addFaxRecordAndSave(pbmodel::Person("Ann", "0311"),
                                                                     nx::phonebook::kFaxPBIndividuals, nullptr, false,
                                                                     nullptr));
  FaxPhonebookModel reread(services);
  reread.usePhonebookFile(book);
  ASSERT_TRUE(reread.readMyFaxFile(book));
  EXPECT_EQ(reread.getFaxCountByType(nx::phonebook::kFaxPBIndividuals), 1);
  EXPECT_FALSE(std::filesystem::exists(services.folders().PhonebookDir() + "/default.fap"));
}

}  // namespace
