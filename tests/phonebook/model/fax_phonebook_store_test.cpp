// Saving and loading the book: the FAP bytes, record conversions, the preferences file, the
// start-up fallbacks and failed saves that must leave the previous book intact.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>

#include "model_fixture.h"
#include "nx/platform/property_list.h"

namespace pbmodel {
namespace {

using Strings = std::vector<std::string>;

// Fields of a FAP record: the text and its end byte.
std::string Fields(const Strings& fields) {
  std::string out;
  for (const auto& f : fields) out += f + '\x03';
  return out;
}

TEST_F(ModelTest, SavedBookIsTheDocumentedFapLayout) {
  FaxRecord taro = Person("Taro", "0312345678");
  FaxRecordSetText(taro, "Company", "ACME");
  ASSERT_TRUE(model_->addFaxRecordsToPBByType(taro, kFaxPBIndividuals));
  ASSERT_TRUE(model_->addFaxRecordsToPBByType(Team("Sales", {"1"}), kFaxPBGroups));
  ASSERT_TRUE(model_->saveMyFaxData());

  const std::string expected =
      std::string(kFapMagic) + '\x04' + '\x01' +
      Fields({"1", "Taro", "0312345678", "ACME", "", "0", kStamp, "", "0", "", "", "", "0", "0", "",
              "", "0", "", "0", "", ""}) +
      '\x04' + '\x02' + Fields({"G1", "Sales", kStamp, "1", "1", ""}) + '\x04';
  EXPECT_EQ(pbtest::ReadFile(book_), expected);
}

TEST_F(ModelTest, EntriesComeBackFromTheFileAsTheyWereSaved) {
  FaxRecord secure = Person("Hanako", "sip:h@example.com", "4");
  FaxRecordSetText(secure, "SecureorRelay", "1");
  FaxRecordSetText(secure, "MailBoxId", "12");
  FaxRecordSetText(secure, "MailBoxPassword", "1234");
  FaxRecordSetText(secure, "FCodePassword", "1234 5678 9012 345#*");  // 20, the longest
  FaxRecord relay = Person("\xe5\xb1\xb1\xe7\x94\xb0", "0399");  // 山田
  FaxRecordSetText(relay, "SecureorRelay", "2");
  FaxRecordSetText(relay, "RlyID", "7");
  FaxRecordSetText(relay, "RlyNum", "2");
  FaxRecordSetList(relay, "RlyDestList", {"005", "0#3"});
  model_->addFaxRecordsToPBByType(secure, kFaxPBIndividuals);
  model_->addFaxRecordsToPBByType(relay, kFaxPBIndividuals);
  model_->addFaxRecordsToPBByType(Team("Both", {"1", "2"}), kFaxPBGroups);
  ASSERT_TRUE(model_->saveMyFaxData());
  EXPECT_EQ(pbtest::ReadFile(book_).find("1234"), std::string::npos) << "passwords are enciphered";

  auto reread = NewModel();
  ASSERT_TRUE(reread->readMyFaxFile(book_));
  EXPECT_EQ(reread->getAddrsByType(kFaxPBIndividuals), People());
  EXPECT_EQ(reread->getAddrsByType(kFaxPBGroups), Teams());
  const FaxRecord& ip = reread->getAddrsByType(kFaxPBIndividuals)[0];
  EXPECT_EQ(FaxRecordText(ip, "Address"), "sip:h@example.com");
  EXPECT_EQ(FaxRecordText(ip, "SIPFAXAddress"), "sip:h@example.com") << "IP fax lives in its field";
  EXPECT_EQ(FaxRecordText(ip, "MailBoxPassword"), "1234");
  EXPECT_EQ(FaxRecordList(reread->getAddrsByType(0)[1], "RlyDestList"), (Strings{"005", "0#3"}));
}

TEST_F(ModelTest, TextsAreCutToTheirFieldsAtCharacterBoundaries) {
  std::string name;
  for (int i = 0; i < 41; ++i) name += "\xe3\x81\x82";  // あ, 3 bytes each: 123 > 120
  model_->addFaxRecordsToPBByType(Person(name, "0311"), kFaxPBIndividuals);
  ASSERT_TRUE(model_->saveMyFaxData());
  EXPECT_EQ(FaxRecordText(People()[0], "Name"), name.substr(0, 120)) << "memory holds the file";
  auto reread = NewModel();
  ASSERT_TRUE(reread->readMyFaxFile(book_));
  EXPECT_EQ(reread->getAddrsByType(0), People());
}

TEST_F(ModelTest, LoadingDropsRecordsTheReaderMarkedAndRepeatedPeople) {
  pbtest::Container c;
  auto good = pbtest::Individual("1", "Good", "0311");
  auto marked = pbtest::Individual("0", "Damaged", "0322");
  auto repeat = pbtest::Individual("3", "Good", "0311");
  ABIFData_Add_MyFax(c, 1, good.get());
  ABIFData_Add_MyFax(c, 1, marked.get());
  ABIFData_Add_MyFax(c, 1, repeat.get());
  ASSERT_EQ(AbifFAPFile_Write(book_.c_str(), c), kAbifSuccess);
  ASSERT_TRUE(model_->readMyFaxFile(book_));
  EXPECT_EQ(Ids(People()), Strings{"1"});
}

// ---- Preferences and start-up ------------------------------------------------------------------

class LocationTest : public ModelTest {
 protected:
  LocationTest() { model_ = NewModel(); }  // works through the preferences
  std::string Plist() const {
    return services_->folders().PreferencesDir() + "/" + kFaxPBPreferencesFileName;
  }
  std::string DefaultBook() const {
    return services_->folders().PhonebookDir() + "/" + kDefaultPhonebookFile;
  }
  std::string Configured() const {
    const auto root = nx::platform::ReadPropertyListFile(Plist());
    if (!root || !root->AsDictionary()) return "<none>";
    const auto& dict = *root->AsDictionary();
    const auto it = dict.find(kFaxPBCurrentPathKey);
    return dict.size() == 1 && it != dict.end() && it->second.AsString() ? *it->second.AsString()
                                                                          : "<other>";
  }
};

TEST_F(LocationTest, ThePreferencesFileHoldsTheCurrentBook) {
  EXPECT_FALSE(model_->setMyFaxFileNameToPreferenceFile(book_)) << "only an existing file is set";
  EXPECT_EQ(Configured(), "<none>");
  EXPECT_EQ(model_->getMyFaxFileNameFromConfig(), DefaultBook());
  EXPECT_EQ(Configured(), DefaultBook()) << "created with the default";
  EXPECT_TRUE(model_->setMyFaxFileNameToPreferenceFile(book_));
  EXPECT_EQ(model_->getMyFaxFileNameFromConfig(), book_);
  EXPECT_EQ(Configured(), book_);
}

TEST_F(LocationTest, SandboxedHostsUseTheDefaultBookAndNoPreferences) {
  model_->addFaxRecordsToPBByType(Person("A", "0311"), kFaxPBIndividuals);
  ASSERT_TRUE(model_->saveMyFaxDataForSandbox());
  EXPECT_TRUE(services_->folders().FileExists(DefaultBook()));
  EXPECT_EQ(Configured(), "<none>");
}

TEST_F(LocationTest, StartUpFallsBackToTheDefaultBook) {
  // The configured book is gone: the default one is created and becomes current.
  ASSERT_TRUE(model_->getMyFaxFileNameFromConfig() == DefaultBook());
  ASSERT_TRUE(model_->setMyFaxFileNameToPreferenceFile(dir_.File("missing.fap")));
  ASSERT_TRUE(model_->initialFaxPhoneBook());
  EXPECT_EQ(Configured(), DefaultBook());
  EXPECT_EQ(pbtest::ReadFile(DefaultBook()), std::string(kFapMagic) + '\x04');

  // A default book that does not read is kept for the user, not replaced by an empty one.
  const std::string damaged = std::string(kFapMagic) + "\x04\x01" + "1\x03";
  pbtest::WriteFile(DefaultBook(), damaged);
  ASSERT_TRUE(model_->setMyFaxFileNameToPreferenceFile(dir_.File("missing.fap")));
  EXPECT_FALSE(model_->initialFaxPhoneBook());
  EXPECT_EQ(pbtest::ReadFile(DefaultBook()), damaged);
}

TEST_F(LocationTest, ChangeNotificationsReadOrWriteTheBookFirst) {
  ASSERT_TRUE(model_->initialFaxPhoneBook());
  std::vector<std::string> seen;
  nx::platform::ScopedObserver observer(
      services_->notifications(), "", [&](const auto& n) { seen.push_back(n.name); }, model_.get());
  model_->addFaxRecordsToPBByType(Person("A", "0311"), kFaxPBIndividuals);
  model_->postFaxPhonebookChanged(kFaxPhonebookModelChangedForGAP);  // writes
  model_->addFaxRecordsToPBByType(Person("B", "0322"), kFaxPBIndividuals);
  model_->postFaxPhonebookChanged(kFaxPhonebookModelChanged);  // re-reads: B was never saved
  EXPECT_EQ(Ids(People()), Strings{"1"});
  EXPECT_EQ(seen, (Strings{kFaxPhonebookModelChangedForGAP, kFaxPhonebookModelChanged}));
}

// ---- Failed saves --------------------------------------------------------------------------------

enum class Failure { kDiskFull, kFolderNotWritable };

class FailedSaveTest : public ModelTest, public ::testing::WithParamInterface<Failure> {};

// The save runs in a child process that cannot write (file size limit, or an unprivileged user
// in a folder it may not write); the child reports what the model answered.
TEST_P(FailedSaveTest, LeavesThePreviousBookAndReportsFailure) {
  for (int i = 0; i < 200; ++i) {
    model_->addFaxRecordsToPBByType(Person(std::to_string(i) + " Person", std::to_string(i)),
                                    kFaxPBIndividuals);
  }
  ASSERT_TRUE(model_->saveMyFaxData());
  const std::string before = pbtest::ReadFile(book_);
  if (GetParam() == Failure::kFolderNotWritable && ::geteuid() != 0) GTEST_SKIP() << "needs root to drop";
  ::chmod(dir_.path().c_str(), 0755);

  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (GetParam() == Failure::kDiskFull) {
      std::signal(SIGXFSZ, SIG_IGN);
      const rlimit limit{4096, 4096};
      ::setrlimit(RLIMIT_FSIZE, &limit);
    } else if (::setgid(65534) != 0 || ::setuid(65534) != 0) {
      ::_exit(3);
    }
    model_->addFaxRecordsToPBByType(Person("One more", "0399"), kFaxPBIndividuals);
    const bool saved = model_->resaveFaxPhonebookData();
    const bool listsKept = model_->getFaxCountByType(kFaxPBIndividuals) == 201;
    const bool deleted = model_->delectFaxRecordsFromPB({WithId({}, "1")});
    const bool deleteUndone = model_->getMyFaxRecordByID("1") != nullptr;
    ::_exit(!saved && listsKept && !deleted && deleteUndone ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "the saves must fail and leave the lists as they were";
  EXPECT_EQ(pbtest::ReadFile(book_), before);
  Strings left = dir_.Entries();
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (Strings{"book.fap", "book.fap.lock"})) << "no temporary file left behind";
}

INSTANTIATE_TEST_SUITE_P(Causes, FailedSaveTest,
                         ::testing::Values(Failure::kDiskFull, Failure::kFolderNotWritable),
                         [](const auto& info) {
                           return info.param == Failure::kDiskFull ? "DiskFull" : "FolderNotWritable";
                         });

}  // namespace
}  // namespace pbmodel
