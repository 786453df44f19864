// Imports into the book: device and partner CSV files, GAD address books and GAP phonebooks,
// with their warnings, limits and the rollback of imports that would leave an invalid entry.
#include <gtest/gtest.h>

#include "csv_files.h"
#include "model_fixture.h"
#include "nx/platform/text_encoding.h"

namespace pbmodel {
namespace {

using pbtest::EwsForm;
using pbtest::XspForm;
using Strings = std::vector<std::string>;

class ImportTest : public ModelTest {
 protected:
  std::string Source(const std::string& name, const std::string& bytes) {
    const std::string path = dir_.File(name);
    pbtest::WriteFile(path, bytes);
    return path;
  }
  // A saved book of `people` (name, fax number) and its bytes.
  std::string SavedBook(const std::vector<std::pair<std::string, std::string>>& people) {
    for (const auto& [name, fax] : people) {
      EXPECT_TRUE(model_->addFaxRecordsToPBByType(Person(name, fax), kFaxPBIndividuals));
    }
    EXPECT_TRUE(model_->saveMyFaxData());
    return pbtest::ReadFile(book_);
  }
};

const std::string kYamada = "\xe5\xb1\xb1\xe7\x94\xb0";  // 山田

std::string ShiftJis(const std::string& utf8) {
  std::string out;
  EXPECT_TRUE(nx::platform::Utf8ToShiftJis(utf8, out));
  return out;
}

std::vector<Values> SampleRows() {
  return {FaxRow(ShiftJis(kYamada), "0311", {{"MFCMODE", "2"}, {"MFLINE", "2"}}),
          FaxRow("Secure", "0322",
                 {{"MFMBOX", "1"}, {"MFMBOXID", "12"}, {"MFMBOXPS", EwsForm("1234")},
                  {"MFFCODE", "12#"}, {"MFPCODE", EwsForm("9876")}}),
          FaxRow("Relay", "0333",
                 {{"MFRLY", "1"}, {"MFRLYID", "7"}, {"MFRLYPRN", "1"}, {"MFRLYNUM", XspForm("0102")}}),
          FaxRow("Mail", "0344", {{"MFADDRT", "MAIL"}}),
          FaxRow("IP", "", {{"MFADDRT", "IPFAX"}, {"MFIPFAX", "sip:ip@example.com"}, {"MFIPFAXCMODE", "1"}})};
}

TEST_F(ImportTest, DeviceRowsBecomeEntries) {
  ASSERT_TRUE(model_->importRecorder(Source("a.csv", DeviceCsv(SampleRows())), false));
  const FaxPBReport& report = model_->lastReport();
  EXPECT_TRUE(report.saved);
  EXPECT_EQ(report.addedIndividuals, (Strings{"1", "2", "3", "4"})) << "the mail row is not a fax";
  EXPECT_TRUE(report.warnings.empty());
  ASSERT_EQ(People().size(), 4u);
  auto text = [&](std::size_t i, const char* key) { return FaxRecordText(People()[i], key); };
  EXPECT_EQ(text(0, "Name"), kYamada) << "Shift_JIS names arrive as UTF-8";
  EXPECT_EQ(text(0, "CommMode"), "1");
  EXPECT_EQ(text(0, "LineType"), "1");
  EXPECT_EQ(text(0, "TimeStamp"), kStamp);
  EXPECT_EQ(text(1, "SecureorRelay"), "1");
  EXPECT_EQ(text(1, "MailBoxId"), "12");
  EXPECT_EQ(text(1, "MailBoxPassword"), "1234");
  EXPECT_EQ(text(1, "FCodePassword"), "9876");
  EXPECT_EQ(text(2, "SecureorRelay"), "2");
  EXPECT_EQ(text(2, "RlyID"), "7");
  EXPECT_EQ(text(2, "Rlyprn"), "1");
  EXPECT_EQ(text(2, "RlyNum"), "2");
  EXPECT_EQ(FaxRecordList(People()[2], "RlyDestList"), (Strings{"01", "02"}));
  EXPECT_EQ(text(3, "AddressType"), "4");
  EXPECT_EQ(text(3, "Address"), "sip:ip@example.com");
  EXPECT_EQ(text(3, "CommMode"), "2");

  auto reread = NewModel();
  ASSERT_TRUE(reread->readMyFaxFile(book_));
  EXPECT_EQ(reread->getAddrsByType(kFaxPBIndividuals), People()) << "memory holds the file";
}

TEST_F(ImportTest, RowsThatAllRepeatTheBookAddNothingAndWarnOnce) {
  const std::string csv = Source("a.csv", DeviceCsv(SampleRows()));
  ASSERT_TRUE(model_->importRecorder(csv, false));
  const std::string before = pbtest::ReadFile(book_);
  toolkit_->ClearRecords();
  ASSERT_TRUE(model_->importRecorder(csv, false));
  EXPECT_TRUE(model_->lastReport().addedIndividuals.empty());
  EXPECT_EQ(model_->lastReport().skippedDuplicates, 4);
  ASSERT_EQ(AlertKeys(), Strings{"Warning_Duplicated_PB_Content_ID_CSV"});
  EXPECT_EQ(toolkit_->Alerts()[0].alert.title_key, "Warning_Add_To_Phonebook_Win_Title_ID");
  EXPECT_EQ(toolkit_->Alerts()[0].alert.arguments, (Strings{kYamada, "0311"}));
  EXPECT_EQ(pbtest::ReadFile(book_), before);
}

TEST_F(ImportTest, RelayRowsStayOutForDeviceTypeOne) {
  model_->setTargetDeviceType(1);
  auto rows = SampleRows();
  rows.push_back(FaxRow("Relay2", "0355", {{"MFRLY", "1"}, {"MFRLYID", "8"}}));
  ASSERT_TRUE(model_->importRecorder(Source("a.csv", DeviceCsv(rows)), false));
  EXPECT_EQ(model_->lastReport().skippedRelay, 2);
  EXPECT_EQ(model_->getFaxCountByType(kFaxPBIndividuals), 3);
  EXPECT_EQ(AlertKeys(), Strings{"Warning_Some_Address_Not_Imported_Win_Content_Text_ID"});
}

TEST_F(ImportTest, AFullBookStopsTheImport) {
  for (int i = 0; i < kFaxPBMaxIndividuals - 1; ++i) {
    model_->addFaxRecordsToPBByType(Person(std::to_string(i) + "P", "0300"), kFaxPBIndividuals);
  }
  const std::vector<Values> rows = {FaxRow("X", "01"), FaxRow("Y", "02"), FaxRow("Z", "03")};
  ASSERT_TRUE(model_->importRecorder(Source("a.csv", DeviceCsv(rows)), false));
  EXPECT_EQ(model_->lastReport().addedIndividuals, Strings{"9999"});
  EXPECT_EQ(model_->lastReport().skippedOverLimit, 2);
  EXPECT_EQ(AlertKeys(), Strings{"Warning_Add_Individual_Exceeding_Maximum_Num_Content_Title_ID"});
}

struct RefusedCsv {
  const char* name;
  std::string text;
  int deviceType;
  const char* message;  // empty: refused silently
};

class RefusedCsvTest : public ImportTest, public ::testing::WithParamInterface<RefusedCsv> {};

TEST_P(RefusedCsvTest, ShowsItsMessageAndLeavesTheBook) {
  const std::string before = SavedBook({{"Keep", "0311"}});
  model_->setTargetDeviceType(GetParam().deviceType);
  const std::string source =
      GetParam().text.empty() ? dir_.File("missing.csv") : Source("a.csv", GetParam().text);
  EXPECT_FALSE(model_->importRecorder(source, false));
  const std::string message = GetParam().message;
  EXPECT_EQ(AlertKeys(), message.empty() ? Strings{} : Strings{message});
  EXPECT_EQ(model_->getFaxCountByType(kFaxPBIndividuals), 1);
  EXPECT_EQ(pbtest::ReadFile(book_), before);
}

INSTANTIATE_TEST_SUITE_P(
    Files, RefusedCsvTest,
    ::testing::Values(
        RefusedCsv{"SevenCommas", DeviceCsv({FaxRow("A", "01")}, {"*", "1", "3", "3", "", "", "", ""}),
                   1, "Warning_INVALID_DATAHEADER_CSV"},
        RefusedCsv{"DataFormat4", DeviceCsv({FaxRow("A", "01")}, {"*", "1", "4", "3", "", ""}), 1,
                   "Warning_INVALID_DATAFORMAT_CSV"},
        RefusedCsv{"DataVersion9", DeviceCsv({FaxRow("A", "01")}, {"*", "1", "3", "9", "", ""}), 1,
                   "Warning_INVALID_DATAVERSION_CSV"},
        RefusedCsv{"BadLineValue", DeviceCsv({FaxRow("A", "01"), FaxRow("B", "02", {{"MFLINE", "1"}})}),
                   1, "Warning_BAD_FORMAT_CSV"},
        RefusedCsv{"MiravoForDeviceZero", "*,2,0,3,\r\n", 0, "Warning_INVALID_DATAFORMAT_CSV"},
        RefusedCsv{"MissingFile", "", 1, ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ImportTest, AnImportLeavingAnInvalidEntryIsUndoneByteForByte) {
  const std::string before = SavedBook({{"Keep", "0311"}});
  const auto people = People();
  // The partner format takes companies of 64 characters; the phonebook's field 59.
  const std::string csv = PartnerCsv({PartnerRow("Alice", "0322"),
                                      PartnerRow("Bob", "0333", {{"Company", std::string(60, 'c')}})});
  EXPECT_FALSE(model_->importRecorder(Source("p.csv", csv), false));
  EXPECT_EQ(AlertKeys(), Strings{"Warning_BAD_FORMAT_CSV"});
  EXPECT_TRUE(model_->lastReport().addedIndividuals.empty());
  EXPECT_EQ(People(), people);
  EXPECT_EQ(pbtest::ReadFile(book_), before);

  // With a warning already shown, the refusal shows nothing more.
  toolkit_->ClearRecords();
  const std::string again = PartnerCsv(
      {PartnerRow("Keep", "0311"), PartnerRow("Bob", "0333", {{"Company", std::string(60, 'c')}})});
  EXPECT_FALSE(model_->importRecorder(Source("p2.csv", again), false));
  EXPECT_EQ(AlertKeys(), Strings{"Warning_Duplicated_PB_Content_ID_CSV"});
  EXPECT_EQ(pbtest::ReadFile(book_), before);
}

TEST_F(ImportTest, PartnerFilesAllowLongNames) {
  const std::string name(100, 'n');
  ASSERT_TRUE(model_->importRecorder(Source("p.csv", PartnerCsv({PartnerRow(name, "0322")})), false));
  ASSERT_EQ(People().size(), 1u);
  EXPECT_EQ(FaxRecordText(People()[0], "Name"), name);
  EXPECT_EQ(FaxRecordText(People()[0], "Email"), "mail@example.com");
}

// ---- GAD and GAP ------------------------------------------------------------------------------------

TEST_F(ImportTest, GadMembersFollowTheirNewIds) {
  SavedBook({{"Taro", "0311"}});
  GadFile gad;
  gad.Person(10, u"Taro", u"0311").Person(20, u"Jiro", u"0322").Person(30, u"Saburo", u"0333");
  gad.Team(1, u"Dups", {10}).Team(2, u"Mixed", {10, 20, 30});
  const std::string path = Source("a.fad", gad.bytes());
  ASSERT_TRUE(model_->importGADToPhonebook(path, false));
  const FaxPBReport& report = model_->lastReport();
  EXPECT_EQ(report.addedIndividuals, (Strings{"2", "3"}));
  EXPECT_EQ(report.addedGroups, (Strings{"G1", "G2"}));
  EXPECT_EQ(report.droppedMembers, 2);
  EXPECT_EQ(AlertKeys(), Strings{"Warning_Import_GAD_File_Duplicate_Record_Win_Content_ID"});
  ASSERT_EQ(Teams().size(), 2u);
  EXPECT_EQ(FaxRecordList(Teams()[0], "EntryList"), Strings{}) << "all its members were repeats";
  EXPECT_EQ(FaxRecordText(Teams()[0], "EntryNum"), "0");
  EXPECT_EQ(FaxRecordList(Teams()[1], "EntryList"), (Strings{"2", "3"}));
  EXPECT_EQ(FaxRecordText(People()[1], "TimeStamp").size(), 12u);

  // The same file again: every person and group repeats.
  toolkit_->ClearRecords();
  const std::string before = pbtest::ReadFile(book_);
  ASSERT_TRUE(model_->importGADToPhonebook(path, false));
  EXPECT_EQ(model_->lastReport().skippedDuplicates, 5);
  EXPECT_EQ(AlertKeys(), (Strings{"Warning_Import_GAD_File_Duplicate_Record_Win_Content_ID",
                                  "Warning_Import_GAD_File_Duplicate_Record_Win_Content_ID"}));
  EXPECT_EQ(pbtest::ReadFile(book_), before);
}

TEST_F(ImportTest, AnInvalidGadBookIsRefused) {
  const std::string path = Source("a.fad", GadFile().Person(1, u"", u"0311").bytes());
  EXPECT_FALSE(model_->importGADToPhonebook(path, false));
  EXPECT_EQ(AlertKeys(), Strings{"Warning_Specified_File_Not_Valiable_Win_Content_ID"});
  EXPECT_FALSE(services_->folders().FileExists(book_));
}

TEST_F(ImportTest, GapImportRenumbersWithoutMovingGroupMembers) {
  model_->addAddrsFromPBByType(WithId(Person("A", "01"), "4"), kFaxPBIndividuals);
  model_->addAddrsFromPBByType(WithId(Person("B", "02"), "7"), kFaxPBIndividuals);
  model_->addAddrsFromPBByType(Team("Book", {"7", "4"}, "G1"), kFaxPBGroups);
  ASSERT_TRUE(model_->saveMyFaxData());

  // The older phonebook: the FAP layout under the GAP magic.
  pbtest::Container c;
  auto c1 = pbtest::Individual("1", "C", "03");
  auto b2 = pbtest::Individual("2", "B", "02");
  auto team = pbtest::Group("G1", "Old", {"2", "1"});
  ABIFData_Add_MyFax(c, 1, c1.get());
  ABIFData_Add_MyFax(c, 1, b2.get());
  ABIFData_Add_MyFaxGroup(c, 1, team.get());
  std::string bytes;
  ASSERT_EQ(AbifFAPFile_Build(c, bytes), kAbifSuccess);
  bytes.replace(0, std::string(kFapMagic).size(), kGapMagic);

  const std::string gap = Source("old.gap", bytes);
  ASSERT_TRUE(model_->importGAPToPhonebook(gap, false));
  EXPECT_EQ(Ids(People()), (Strings{"1", "2", "3"}));
  EXPECT_EQ(FaxRecordText(*model_->getMyFaxRecordByID("3"), "Name"), "C");
  ASSERT_EQ(Ids(Teams()), (Strings{"G1", "G2"}));
  EXPECT_EQ(FaxRecordList(Teams()[0], "EntryList"), (Strings{"2", "1"})) << "B, A";
  EXPECT_EQ(FaxRecordList(Teams()[1], "EntryList"), (Strings{"2", "3"})) << "B, C";

  // A book that cannot be saved keeps its own ids.
  auto other = NewModel();
  other->usePhonebookFile(dir_.File("no/such/folder.fap"));
  other->addAddrsFromPBByType(WithId(Person("A", "01"), "4"), kFaxPBIndividuals);
  other->addAddrsFromPBByType(Team("Book", {"4"}, "G1"), kFaxPBGroups);
  EXPECT_FALSE(other->importGAPToPhonebook(gap, false));
  EXPECT_TRUE(other->lastReport().saveFailed);
  EXPECT_EQ(Ids(other->getAddrsByType(kFaxPBIndividuals)), Strings{"4"});
  EXPECT_EQ(FaxRecordList(other->getAddrsByType(kFaxPBGroups)[0], "EntryList"), Strings{"4"});

  // A FAP file offered as GAP is refused.
  toolkit_->ClearRecords();
  EXPECT_FALSE(model_->importGAPToPhonebook(book_, false));
  EXPECT_EQ(AlertKeys(), Strings{"Warning_Specified_File_Not_Valiable_Win_Content_ID"});
}

TEST_F(ImportTest, GapImportLeavesOutNumbersNoFaxJobCarries) {
  pbtest::Container c;
  auto quote = pbtest::Individual("1", "Q", "03\"11");
  auto brace = pbtest::Individual("2", "B", "03{5}");
  auto apostrophe = pbtest::Individual("3", "A", "03'11");
  ABIFData_Add_MyFax(c, 1, quote.get());
  ABIFData_Add_MyFax(c, 1, brace.get());
  ABIFData_Add_MyFax(c, 1, apostrophe.get());
  std::string bytes;
  ASSERT_EQ(AbifFAPFile_Build(c, bytes), kAbifSuccess);
  bytes.replace(0, std::string(kFapMagic).size(), kGapMagic);
  ASSERT_TRUE(model_->importGAPToPhonebook(Source("old.gap", bytes), false));
  ASSERT_EQ(People().size(), 1u);
  EXPECT_EQ(FaxRecordText(People()[0], "Address"), "03'11");

  // The same entries in the user's own book stay when it is read back.
  auto reread = NewModel();
  reread->usePhonebookFile(dir_.File("own.fap"));
  std::string own;
  ASSERT_EQ(AbifFAPFile_Build(c, own), kAbifSuccess);
  pbtest::WriteFile(dir_.File("own.fap"), own);
  ASSERT_TRUE(reread->readMyFaxFile(dir_.File("own.fap")));
  EXPECT_EQ(reread->getAddrsByType(kFaxPBIndividuals).size(), 3u);
}

}  // namespace
}  // namespace pbmodel
