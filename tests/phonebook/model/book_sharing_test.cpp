// One book shared by several programs (print dialogs, faxbook runs): every edit applies to the
// book as it is on disk, a book read without some of its entries is never saved, and CSV files
// whose byte-order mark says UTF-8 are read as UTF-8.
#include <gtest/gtest.h>

#include "csv_files.h"
#include "model_fixture.h"
#include "nx/phonebook/fax_pb_entry_rules.h"
#include "nx/platform/text_encoding.h"

namespace pbmodel {
namespace {

std::vector<std::string> Names(const std::vector<FaxRecord>& list) {
  std::vector<std::string> out;
  for (const auto& e : list) out.push_back(FaxRecordText(e, "Name"));
  return out;
}

// Two windows (two models) open on one book, each changing it in turn from what it read at
// first: no change may undo another's, and new ids never collide.
TEST_F(ModelTest, EditsApplyToTheBookOnDiskNotToAStaleCopy) {
  ASSERT_TRUE(AddNewIndividualEntry(*model_, Person("A", "01")).added);
  ASSERT_TRUE(AddNewIndividualEntry(*model_, Person("B", "02")).added);
  auto other = NewModel();
  other->usePhonebookFile(book_);
  ASSERT_TRUE(other->readMyFaxFile(book_));

  ASSERT_TRUE(AddNewIndividualEntry(*model_, Person("C", "03")).added);
  const FaxPBEntryResult d = AddNewIndividualEntry(*other, Person("D", "04"));
  ASSERT_TRUE(d.added);
  EXPECT_EQ(d.id, "4");
  // The duplicate check sees what the other window added.
  EXPECT_TRUE(AddNewIndividualEntry(*model_, Person("D", "04")).refusal.has_value());

  FaxRecord renamed = WithId(Person("B2", "02"), "2");
  ASSERT_TRUE(model_->replaceFaxRecordsFromPBByID(renamed, kFaxPBIndividuals));
  ASSERT_TRUE(other->delectFaxRecordsFromPB({WithId(FaxRecord(), "1")}));
  ASSERT_TRUE(AddNewGroupEntry(*model_, Team("T", {"3", "4"})).added);
  ASSERT_TRUE(other->addFaxRecordAndSave(Person("E", "05"), kFaxPBIndividuals, nullptr, false,
                                         nullptr));

  auto reader = NewModel();
  ASSERT_TRUE(reader->readMyFaxFile(book_));
  EXPECT_EQ(Names(reader->getAddrsByType(kFaxPBIndividuals)),
            (std::vector<std::string>{"B2", "C", "D", "E"}));
  EXPECT_EQ(Ids(reader->getAddrsByType(kFaxPBIndividuals)),
            (std::vector<std::string>{"2", "3", "4", "5"}));
  ASSERT_EQ(reader->getFaxCountByType(kFaxPBGroups), 1);
  // Imports too: the CSV rows join what the other window saved.
  const std::string csv = dir_.File("rows.csv");
  pbtest::WriteFile(csv, DeviceCsv({FaxRow("F", "06")}));
  ASSERT_TRUE(AddNewIndividualEntry(*model_, Person("G", "07")).added);
  ASSERT_TRUE(other->importRecorder(csv, false));
  ASSERT_TRUE(reader->readMyFaxFile(book_));
  EXPECT_EQ(Names(reader->getAddrsByType(kFaxPBIndividuals)),
            (std::vector<std::string>{"B2", "C", "D", "E", "G", "F"}));
}

// A file with more entries than a book holds reads with the entries that fit and says so; no
// change is saved from it, so the file stays byte for byte. Once the file is a complete book
// again (another program wrote it), edits work again.
TEST_F(ModelTest, ABookBeyondTheLimitsIsReadButNeverSaved) {
  pbtest::WriteFile(book_, pbtest::FapWithIndividuals(10005));
  const std::string before = pbtest::ReadFile(book_);
  ASSERT_TRUE(model_->readMyFaxFile(book_));
  EXPECT_EQ(model_->lastReadStatus(), kAbifLimitReached);
  EXPECT_TRUE(model_->bookIncomplete());
  EXPECT_EQ(model_->getFaxCountByType(kFaxPBIndividuals), 9999);

  const std::string csv = dir_.File("rows.csv");
  pbtest::WriteFile(csv, DeviceCsv({FaxRow("F", "06")}));
  EXPECT_FALSE(model_->delectFaxRecordsFromPB({WithId(FaxRecord(), "1")}));
  EXPECT_FALSE(model_->replaceFaxRecordsFromPBByID(WithId(Person("X", "09"), "2"), kFaxPBIndividuals));
  EXPECT_TRUE(AddNewGroupEntry(*model_, Team("T", {"1"})).saveFailed);
  EXPECT_FALSE(model_->importRecorder(csv, false));
  EXPECT_TRUE(model_->lastReport().saveFailed);
  EXPECT_FALSE(model_->saveMyFaxData());
  EXPECT_FALSE(model_->writeFaxPhoneBookToFAP());
  EXPECT_TRUE(pbtest::ReadFile(book_) == before);

  // The windows' own reading (container, then the model) keeps the mark as well.
  auto window = NewModel();
  window->usePhonebookFile(book_);
  AbifStatus status = kAbifSuccess;
  ABIFDataPtr data = window->readMyFaxFileFromABIF(book_, kFaxPBFileFAP, &status);
  ASSERT_TRUE(data);
  EXPECT_EQ(status, kAbifLimitReached);
  window->adoptBookRecords(data.get(), status);
  EXPECT_TRUE(window->bookIncomplete());
  EXPECT_FALSE(window->resaveFaxPhonebookData());
  EXPECT_TRUE(pbtest::ReadFile(book_) == before);

  pbtest::WriteFile(book_, pbtest::FapWithIndividuals(3));
  EXPECT_TRUE(model_->delectFaxRecordsFromPB({WithId(FaxRecord(), "1")}));
  EXPECT_FALSE(model_->bookIncomplete());
  EXPECT_EQ(Ids(People()), (std::vector<std::string>{"2", "3"}));
}

// A byte-order mark says the file is UTF-8, whatever its data format: names are taken as
// written, never decoded as Shift_JIS (most kanji would fail that, and "Café" would be stored
// as "Cafﾃｩ"). They pass the same name check as the UTF-8 of data format 6, which refuses "é"
// (outside the JIS set, as in the name field of the window) instead of storing it garbled.
// Without the mark, names of data format 3 are still Shift_JIS.
TEST_F(ModelTest, AByteOrderMarkMakesTheNamesUtf8) {
  const std::string nihon = "\xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e";  // three kanji
  const std::string csv = dir_.File("marked.csv");
  pbtest::WriteFile(csv, "\xef\xbb\xbf" + DeviceCsv({FaxRow(nihon, "0311"), FaxRow("Mori", "0322")}));
  ASSERT_TRUE(model_->importRecorder(csv, false)) << model_->lastReport().status;
  EXPECT_EQ(Names(People()), (std::vector<std::string>{nihon, "Mori"}));
  const std::string before = pbtest::ReadFile(book_);

  pbtest::WriteFile(csv, "\xef\xbb\xbf" + DeviceCsv({FaxRow("Caf\xc3\xa9", "0344")}));
  EXPECT_FALSE(model_->importRecorder(csv, false));
  EXPECT_EQ(model_->lastReport().status, kAbifCsvBadValue);
  EXPECT_EQ(AlertKeys().back(), "Warning_BAD_FORMAT_CSV");
  EXPECT_TRUE(pbtest::ReadFile(book_) == before);

  std::string sjis;
  ASSERT_TRUE(nx::platform::Utf8ToShiftJis(nihon, sjis));
  pbtest::WriteFile(csv, DeviceCsv({FaxRow(sjis, "0333")}));
  ASSERT_TRUE(model_->importRecorder(csv, false));
  auto reader = NewModel();
  ASSERT_TRUE(reader->readMyFaxFile(book_));
  EXPECT_EQ(Names(reader->getAddrsByType(kFaxPBIndividuals)),
            (std::vector<std::string>{nihon, "Mori", nihon}));
}

}  // namespace
}  // namespace pbmodel
