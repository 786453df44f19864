// The phonebook select window driven directly on a headless toolkit: opening, Add To with the
// job's limits and kits, OK into the recipient list, Open with a refused file, and the imports
// against the same model import the command-line tool makes.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "../phonebook/model/csv_files.h"
#include "../phonebook/model/model_fixture.h"
#include "faxpde/PhonebookSelectWindow.h"
#include "nx/phonebook/abif_file.h"

namespace {

using namespace nx::phonebook;
using faxpde::FaxPhonebookSelectWindowsClass;
using nx::platform::ui::HeadlessToolkit;
using nx::platform::ui::Step;
using Strings = std::vector<std::string>;

FaxRecord Typed(const std::string& name, const std::string& number) {
  FaxRecord r = pbmodel::Person(name, number);
  FaxRecordSetText(r, "RecodeType", "0");
  return r;
}

class SelectWindowTest : public ::testing::Test {
 protected:
  SelectWindowTest() {
    auto toolkit = std::make_unique<HeadlessToolkit>();
    toolkit_ = toolkit.get();
    services_ = std::make_unique<nx::platform::Services>(
        std::make_unique<nx::platform::MemoryPreferences>(), std::make_unique<nx::platform::RootedFolders>(dir_.path()),
        nullptr, nullptr, nullptr, nullptr, std::move(toolkit));
    services_->folders().CreateDirectories(services_->folders().PreferencesDir());
    // The preferences file is written only once it exists.
    pbtest::WriteFile(services_->folders().PreferencesDir() + "/" + kFaxPBPreferencesFileName, "");
    recipients_ = std::make_unique<FaxPBRecipientModel>(services_->notifications(), *toolkit_);
    window_ = std::make_unique<FaxPhonebookSelectWindowsClass>(nullptr, "Fax Phonebook Select Window Title String",
                                                               nullptr, *services_, nullptr);
    context_.recipients = recipients_.get();
    context_.showPhonebook = [this](const std::string& path) { shown_ = path; };
    window_->SetContext(context_);
  }

  // A saved book at `path`, named in the preferences.
  void SaveBook(const std::string& path, const std::vector<FaxRecord>& people, const std::vector<FaxRecord>& teams = {}) {
    FaxPhonebookModel model(*services_);
    for (const auto& p : people) ASSERT_TRUE(model.addAddrsFromPBByType(p, kFaxPBIndividuals));
    for (const auto& t : teams) ASSERT_TRUE(model.addAddrsFromPBByType(t, kFaxPBGroups));
    ASSERT_TRUE(model.setMyFaxFileNameToPreferenceFile(path));
    model.usePhonebookFile(path);
    ASSERT_TRUE(model.saveMyFaxData());
  }
  void Reconfigure() { window_->SetContext(context_); }
  Strings AlertKeys() const {
    Strings keys;
    for (const auto& a : toolkit_->Alerts()) keys.push_back(a.alert.text_key);
    return keys;
  }
  size_t RowOf(const std::string& name) const {
    const auto& rows = window_->listedRecords();
    for (size_t i = 0; i < rows.size(); ++i)
      if (FaxRecordText(rows[i], "Name") == name || FaxRecordText(rows[i], "GroupName") == name) return i;
    return rows.size();
  }
  std::string PhonebookDir() const { return services_->folders().PhonebookDir(); }

  pbtest::TempDir dir_;
  HeadlessToolkit* toolkit_ = nullptr;
  std::unique_ptr<nx::platform::Services> services_;
  std::unique_ptr<FaxPBRecipientModel> recipients_;
  std::unique_ptr<FaxPhonebookSelectWindowsClass> window_;
  faxpde::PhonebookSelectContext context_;
  std::string shown_;
};

TEST_F(SelectWindowTest, OpeningReadsTheConfiguredBookOrSwitchesToTheDefault) {
  const std::string book = dir_.File("mine.fap");
  SaveBook(book, {pbmodel::WithId(pbmodel::Person("Ann", "0311"), "1")},
           {pbmodel::Team("Sales", {"1"}, "G1")});
  EXPECT_TRUE(window_->LoadCurrentPhonebook());
  EXPECT_EQ(window_->getCurrentPhonebookPath(), book);
  EXPECT_EQ(shown_, book);
  ASSERT_EQ(window_->listedRecords().size(), 2u) << "individuals, then groups";
  EXPECT_EQ(faxpde::PhonebookRowText(window_->listedRecords()[0]), "Ann <0311>");
  EXPECT_EQ(faxpde::PhonebookRowText(window_->listedRecords()[1]), "[Sales]");

  ASSERT_EQ(::unlink(book.c_str()), 0);
  EXPECT_FALSE(window_->LoadCurrentPhonebook());
  const std::string fallback = PhonebookDir() + "/default.fap";
  EXPECT_EQ(window_->getCurrentPhonebookPath(), fallback);
  EXPECT_EQ(shown_, fallback);
  EXPECT_TRUE(window_->listedRecords().empty()) << "nothing of the vanished book is kept";
  FaxPhonebookModel other(*services_);
  EXPECT_EQ(other.getMyFaxFileNameFromConfig(), fallback);
}

TEST_F(SelectWindowTest, SearchIgnoresCaseOverNamesAndGroupNames) {
  SaveBook(dir_.File("b.fap"),
           {pbmodel::WithId(pbmodel::Person("Annabel", "01"), "1"), pbmodel::WithId(pbmodel::Person("Bob", "02"), "2")},
           {pbmodel::Team("Planning", {"1"}, "G1"), pbmodel::Team("Sales", {"2"}, "G2")});
  window_->LoadCurrentPhonebook();
  window_->searchRecord("AN");
  ASSERT_EQ(window_->listedRecords().size(), 2u);
  EXPECT_EQ(FaxRecordText(window_->listedRecords()[0], "Name"), "Annabel");
  EXPECT_EQ(FaxRecordText(window_->listedRecords()[1], "GroupName"), "Planning");
  window_->searchRecord("");
  EXPECT_EQ(window_->listedRecords().size(), 4u);
}

TEST_F(SelectWindowTest, AGroupStopsAtTheListMaximumWithTheWarning) {
  std::vector<FaxRecord> people;
  Strings members;
  for (int i = 1; i <= 10; ++i) {
    people.push_back(pbmodel::WithId(pbmodel::Person("M" + std::to_string(i), "0" + std::to_string(i)), std::to_string(i)));
    members.push_back(std::to_string(i));
  }
  SaveBook(dir_.File("b.fap"), people, {pbmodel::Team("Ten", members, "G1")});
  recipients_->setMaxRecipientNum(200);
  for (int i = 0; i < 195; ++i) ASSERT_TRUE(recipients_->addRecipient(Typed("T" + std::to_string(i), std::to_string(5000 + i)), false, false));
  Reconfigure();
  window_->ActivateWindow();
  ASSERT_EQ(window_->getFaxPBRecipientModelPtr()->recipientCount(), 195u);

  EXPECT_EQ(window_->AddTo({RowOf("Ten")}), 5);
  EXPECT_EQ(window_->getFaxPBRecipientModelPtr()->recipientCount(), 200u);
  ASSERT_EQ(toolkit_->Alerts().size(), 1u);
  EXPECT_EQ(toolkit_->Alerts()[0].alert.title_key, "Warning_Add_Recipient_Exceeding_Maximum_Num_Content_Title_ID");
  EXPECT_EQ(toolkit_->Alerts()[0].alert.arguments, (Strings{"200", "1"}));

  window_->OK();
  EXPECT_TRUE(window_->getWinExitState());
  ASSERT_EQ(recipients_->recipientCount(), 200u);
  EXPECT_EQ(FaxRecordText(recipients_->getRecipientArray()[199], "Name"), "M5");
  EXPECT_EQ(FaxRecordText(recipients_->getRecipientArray()[199], "RecodeType"), "2");
  EXPECT_FALSE(recipients_->getRecipientArray()[199].Has("FaxType"));
}

TEST_F(SelectWindowTest, KitsDecideEachEntryOnItsOwn) {
  SaveBook(dir_.File("b.fap"), {pbmodel::WithId(pbmodel::Person("Fax A", "01"), "1"),
                                pbmodel::WithId(pbmodel::Person("Sip B", "b@example.com", "4"), "2"),
                                pbmodel::WithId(pbmodel::Person("Fax C", "03"), "3")});
  context_.settingType = 1;
  Reconfigure();
  window_->ActivateWindow();
  EXPECT_EQ(window_->AddTo({RowOf("Fax A"), RowOf("Sip B"), RowOf("Fax C")}), 2);
  EXPECT_EQ(AlertKeys(), Strings{"Warning_Add_Recipient_SIP_Kit_Unsupport_Content_Title_ID"});
  const auto& picked = window_->getFaxPBRecipientModelPtr()->getRecipientArray();
  ASSERT_EQ(picked.size(), 2u);
  EXPECT_EQ(FaxRecordText(picked[0], "Name"), "Fax A");
  EXPECT_EQ(FaxRecordText(picked[1], "Name"), "Fax C");

  // An IP fax module refuses the fax entries instead.
  toolkit_->ClearRecords();
  context_.settingType = 3;
  Reconfigure();
  window_->ActivateWindow();
  EXPECT_EQ(window_->AddTo({RowOf("Fax A"), RowOf("Sip B")}), 1);
  EXPECT_EQ(AlertKeys(), Strings{"Warning_Add_Recipient_FAX_Kit_Unsupport_Content_Title_ID"});

  // Cancel leaves the job's list as it was.
  window_->Cancel();
  EXPECT_FALSE(window_->getWinExitState());
  EXPECT_EQ(recipients_->recipientCount(), 0u);
}

TEST_F(SelectWindowTest, OneRecipientJobsRefuseGroupsAndSecondEntries) {
  SaveBook(dir_.File("b.fap"), {pbmodel::WithId(pbmodel::Person("A", "01"), "1"),
                                pbmodel::WithId(pbmodel::Person("B", "02"), "2")},
           {pbmodel::Team("Both", {"1", "2"}, "G1")});
  context_.oneRecipientOnly = true;
  Reconfigure();
  window_->ActivateWindow();
  EXPECT_EQ(window_->AddTo({RowOf("A"), RowOf("B")}), 0);
  EXPECT_EQ(window_->AddTo({RowOf("Both")}), 0);
  EXPECT_EQ(window_->AddTo({RowOf("A")}), 1);
  EXPECT_EQ(window_->AddTo({RowOf("B")}), 0);
  EXPECT_EQ(AlertKeys(), (Strings{"Waring_Restriction_Of_Faxing_Muti_Address_Transmission_OneRecipient_ID",
                                  "Waring_Restriction_Of_Faxing_Muti_Address_Transmission_Group_ID",
                                  "Waring_Restriction_Of_Faxing_Muti_Address_Transmission_OneRecipient_ID"}));
}

TEST_F(SelectWindowTest, RelayEntriesAreSkippedOnGenerationTwoWithOneWarning) {
  FaxRecord relay = pbmodel::WithId(pbmodel::Person("R", "01"), "1");
  FaxRecordSetText(relay, "SecureorRelay", "2");
  SaveBook(dir_.File("b.fap"), {relay, pbmodel::WithId(pbmodel::Person("P", "02"), "2")});
  context_.generation = "2";
  Reconfigure();
  window_->ActivateWindow();
  EXPECT_EQ(window_->AddTo({RowOf("R"), RowOf("P")}), 1);
  ASSERT_EQ(toolkit_->Alerts().size(), 1u);
  EXPECT_EQ(toolkit_->Alerts()[0].alert.text_key, "Warning_Add_Recipient_Relay_Send_Unsupport_Content_Text_ID");
}

TEST_F(SelectWindowTest, OpenRefusesAnOldPhonebookAndKeepsTheCurrentOne) {
  const std::string book = dir_.File("b.fap");
  SaveBook(book, {pbmodel::WithId(pbmodel::Person("Ann", "01"), "1")});
  window_->ActivateWindow();

  pbtest::Container c;
  auto person = pbtest::Individual("1", "Old", "03");
  ABIFData_Add_MyFax(c, 1, person.get());
  std::string bytes;
  ASSERT_EQ(AbifFAPFile_Build(c, bytes), kAbifSuccess);
  bytes.replace(0, std::string(kFapMagic).size(), kGapMagic);
  const std::string gap = dir_.File("old.fap");
  pbtest::WriteFile(gap, bytes);

  toolkit_->Push(Step::ChooseFile(gap));
  EXPECT_FALSE(window_->OpenPhonebook());
  EXPECT_EQ(AlertKeys(), Strings{"Warning_Specified_File_Have_Old_Header_Win_Content_ID"});
  EXPECT_EQ(window_->getCurrentPhonebookPath(), book);
  ASSERT_EQ(window_->listedRecords().size(), 1u);
  EXPECT_EQ(FaxRecordText(window_->listedRecords()[0], "Name"), "Ann");
  ASSERT_EQ(toolkit_->OpenPanels().size(), 1u);
  EXPECT_EQ(toolkit_->OpenPanels()[0].allowed_extensions, Strings{"fap"});

  // A readable book is taken.
  const std::string second = dir_.File("second.fap");
  {
    FaxPhonebookModel model(*services_);
    model.usePhonebookFile(second);
    ASSERT_TRUE(model.addAddrsFromPBByType(pbmodel::WithId(pbmodel::Person("Zed", "09"), "1"), kFaxPBIndividuals));
    ASSERT_TRUE(model.saveMyFaxData());
  }
  toolkit_->Push(Step::ChooseFile(second));
  EXPECT_TRUE(window_->OpenPhonebook());
  EXPECT_EQ(window_->getCurrentPhonebookPath(), second);
  ASSERT_EQ(window_->listedRecords().size(), 1u);
  EXPECT_EQ(FaxRecordText(window_->listedRecords()[0], "Name"), "Zed");
}

// A book with more entries than a book holds is shown with the warning; nothing saves it, so
// the entries beyond the limits survive on disk.
TEST_F(SelectWindowTest, ABookBeyondTheLimitsIsShownWithAWarningAndNeverSaved) {
  const std::string big = dir_.File("big.fap");
  pbtest::WriteFile(big, pbtest::FapWithIndividuals(10005));
  const std::string before = pbtest::ReadFile(big);
  window_->ActivateWindow();
  toolkit_->Push(Step::ChooseFile(big));
  EXPECT_TRUE(window_->OpenPhonebook());
  EXPECT_EQ(AlertKeys(), Strings{"Warning_Phonebook_Entries_Left_Out_ID"});
  EXPECT_EQ(window_->listedRecords().size(), 9999u);
  FaxPhonebookModel& model = *window_->getFaxPBPhonebookDataPtr();
  EXPECT_FALSE(model.delectFaxRecordsFromPB({pbmodel::WithId(FaxRecord(), "1")}));
  EXPECT_FALSE(model.resaveFaxPhonebookData());
  EXPECT_TRUE(pbtest::ReadFile(big) == before);
}

// Every data type through the window ends as the same book as the tool's import of the file.
struct ImportCase {
  int dataType;
  const char* file;
};

class SelectWindowImportTest : public SelectWindowTest, public ::testing::WithParamInterface<ImportCase> {};

std::string SourceBytes(int dataType) {
  using pbmodel::FaxRow;
  if (dataType == 1) return pbmodel::DeviceCsv({FaxRow("Taro", "0311"), FaxRow("Jiro", "0322", {{"MFDN", "2"}})});
  if (dataType == 3) return pbmodel::GadFile().Person(10, u"Taro", u"0311").Person(20, u"Jiro", u"0322").Team(1, u"Two", {10, 20}).bytes();
  pbtest::Container c;
  auto a = pbtest::Individual("1", "Taro", "0311");
  auto b = pbtest::Individual("2", "Jiro", "0322");
  auto g = pbtest::Group("G1", "Two", {"1", "2"});
  ABIFData_Add_MyFax(c, 1, a.get());
  ABIFData_Add_MyFax(c, 1, b.get());
  ABIFData_Add_MyFaxGroup(c, 1, g.get());
  std::string bytes;
  AbifFAPFile_Build(c, bytes);
  bytes.replace(0, std::string(kFapMagic).size(), kGapMagic);
  return bytes;
}

std::vector<FaxRecord> WithoutStamps(std::vector<FaxRecord> list) {
  for (auto& e : list) e.Erase("TimeStamp");
  return list;
}

TEST_P(SelectWindowImportTest, EqualsTheToolsImport) {
  const std::string source = dir_.File(GetParam().file);
  pbtest::WriteFile(source, SourceBytes(GetParam().dataType));
  const std::string book = dir_.File("b.fap");
  SaveBook(book, {pbmodel::WithId(pbmodel::Person("Ann", "01"), "1")});
  const std::string toolBook = dir_.File("tool.fap");
  ASSERT_EQ(::system(("cp " + book + " " + toolBook).c_str()), 0);

  window_->ActivateWindow();
  toolkit_->Push(Step::ChooseFile(source));
  EXPECT_TRUE(window_->ImportToPhonebook(GetParam().dataType));
  ASSERT_EQ(toolkit_->OpenPanels().size(), 1u);
  const Strings extension{GetParam().dataType == 1 ? "csv" : GetParam().dataType == 2 ? "gap" : "fad"};
  EXPECT_EQ(toolkit_->OpenPanels()[0].allowed_extensions, extension);

  // What the command-line tool does: the same model import on the book file.
  FaxPhonebookModel tool(*services_);
  tool.usePhonebookFile(toolBook);
  ASSERT_TRUE(tool.readMyFaxFile(toolBook));
  const bool kept = GetParam().dataType == 1   ? tool.importRecorder(source, false)
                    : GetParam().dataType == 2 ? tool.importGAPToPhonebook(source, false)
                                               : tool.importGADToPhonebook(source, false);
  ASSERT_TRUE(kept);

  FaxPhonebookModel saved(*services_);
  saved.usePhonebookFile(book);
  ASSERT_TRUE(saved.readMyFaxFile(book));
  EXPECT_EQ(WithoutStamps(saved.getAddrsByType(kFaxPBIndividuals)), WithoutStamps(tool.getAddrsByType(kFaxPBIndividuals)));
  EXPECT_EQ(WithoutStamps(saved.getAddrsByType(kFaxPBGroups)), WithoutStamps(tool.getAddrsByType(kFaxPBGroups)));
  EXPECT_EQ(saved.getFaxCountByType(kFaxPBIndividuals), 3);
  EXPECT_EQ(window_->listedRecords().size(), GetParam().dataType == 1 ? 3u : 4u);
}

INSTANTIATE_TEST_SUITE_P(DataTypes, SelectWindowImportTest,
                         ::testing::Values(ImportCase{1, "a.csv"}, ImportCase{2, "old.gap"}, ImportCase{3, "a.fad"}),
                         [](const auto& info) { return std::string(info.param.file[2] == 'c' ? "Csv" : info.param.file[0] == 'o' ? "Gap" : "Gad"); });

}  // namespace
