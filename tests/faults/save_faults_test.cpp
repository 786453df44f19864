// The savers under failure: the phonebook writer and the preferences writer, failing at each
// step of a save, stopped there (a crash or a power cut), or running into a full disk half-way
// through the write, always leave the old file or the whole new one, never a torn one.
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "fault_support.h"
#include "nx/phonebook/abif_data.h"
#include "nx/phonebook/abif_file.h"
#include "nx/platform/preferences.h"
#include "nx/platform/property_list.h"
#include "nx/platform/save_faults.h"

namespace nx::faults {
namespace {

using platform::SaveStep;

// ---- The two savers behind one face ----------------------------------------------------------

// Version 0 is the file on disk before the save, version 1 the one the save writes; the new one
// is several times larger, so that a write cut short is visibly torn.
class Saver {
 public:
  virtual ~Saver() = default;
  // Saves version `version` into `dir`; true when the saver reports success.
  virtual bool Save(const std::string& dir, int version) = 0;
  virtual std::string Target(const std::string& dir) const = 0;
  // The version a reader finds in the target: 0 or 1 when it reads whole and holds exactly what
  // that version stored, -1 otherwise.
  virtual int ReadBack(const std::string& dir) const = 0;
};

std::string Fill(int version, int i) {
  return std::string(version == 0 ? 20 : 700, static_cast<char>('a' + (i + version) % 26));
}

class PhonebookSaver final : public Saver {
 public:
  static constexpr int kRecords[2] = {3, 400};

  bool Save(const std::string& dir, int version) override {
    Book book(version);
    return phonebook::AbifFAPFile_Write(Target(dir).c_str(), book.data) == phonebook::kAbifSuccess;
  }
  std::string Target(const std::string& dir) const override { return dir + "/default.fap"; }
  int ReadBack(const std::string& dir) const override {
    const std::string bytes = ReadFile(Target(dir));
    for (int version : {0, 1}) {
      Book book(version);
      std::string expected;
      if (phonebook::AbifFAPFile_Build(book.data, expected) != phonebook::kAbifSuccess) return -1;
      if (bytes != expected) continue;
      // The bytes are right; the reader must also take them whole.
      Book back(-1);
      if (phonebook::AbifFAPFile_Read(Target(dir).c_str(), back.data) != phonebook::kAbifSuccess ||
          phonebook::ABIFData_GetCount_MyFax(back.data) != kRecords[version]) {
        return -1;
      }
      return version;
    }
    return -1;
  }

 private:
  // A container holding the records of `version` (-1: empty).
  struct Book {
    explicit Book(int version) : data(phonebook::ABIFData_Create()) {
      if (version < 0) return;
      for (int i = 0; i < kRecords[version]; ++i) {
        auto r = std::make_unique<phonebook::tag_ABIF_MYFAX>();
        std::memset(r.get(), 0, sizeof *r);
        SetText(r->Id, std::to_string(i + 1));
        SetText(r->Name, "v" + std::to_string(version) + " entry " + std::to_string(i));
        SetText(r->Address, "0312345" + std::to_string(i));
        SetText(r->Memo, Fill(version, i));
        for (char* one : {r->CommMode, r->AddressType, r->LineType, r->SecureorRelay, r->Rlyprn}) {
          one[0] = '0';
        }
        SetText(r->RlyNum, "0");
        SetText(r->MailBoxPassword, "1234");
        phonebook::ABIFData_Add_MyFax(data, 1, r.get());
      }
    }
    ~Book() { phonebook::ABIFData_Delete(data); }
    Book(const Book&) = delete;
    Book& operator=(const Book&) = delete;
    phonebook::ABIFDATA* data;
  };
  template <std::size_t N>
  static void SetText(char (&field)[N], const std::string& text) {
    std::memset(field, 0, N);
    std::memcpy(field, text.data(), std::min(text.size(), N - 1));
  }
};

class PreferencesSaver final : public Saver {
 public:
  bool Save(const std::string& dir, int version) override {
    auto prefs = std::make_unique<platform::FilePreferences>(dir, dir + "/any-user", "HOSTID");
    Fill(*prefs, version);
    if (prefs->Synchronize(kDomain)) return true;
    failed_ = std::move(prefs);
    return false;
  }
  // A store whose Synchronize failed keeps its changes pending and writes them on the next try.
  bool RetryFailedSave() { return failed_ && failed_->Synchronize(kDomain); }

  std::string Target(const std::string& dir) const override { return dir + "/com.norvalex.faults.plist"; }
  int ReadBack(const std::string& dir) const override {
    const auto value = platform::ReadPropertyListFile(Target(dir));
    if (!value || !value->AsDictionary()) return -1;
    const auto& dict = *value->AsDictionary();
    const auto version = dict.find("version");
    if (version == dict.end() || !version->second.AsInteger()) return -1;
    const int v = static_cast<int>(*version->second.AsInteger());
    if (v != 0 && v != 1) return -1;
    for (int i = 0; i < kKeys[v]; ++i) {
      const auto it = dict.find("key" + std::to_string(i));
      if (it == dict.end() || !it->second.AsString() || *it->second.AsString() != ::nx::faults::Fill(v, i)) {
        return -1;
      }
    }
    return static_cast<int>(dict.size()) == kKeys[v] + 1 ? v : -1;
  }

 private:
  static constexpr int kKeys[2] = {3, 300};
  static inline const platform::PrefDomain kDomain{"com.norvalex.faults", platform::PrefUser::kCurrent,
                                                   platform::PrefHost::kAny};
  static void Fill(platform::FilePreferences& prefs, int version) {
    // The new version replaces every key of the old one.
    for (int i = 0; i < kKeys[1]; ++i) prefs.SetValue("key" + std::to_string(i), std::nullopt, kDomain);
    prefs.SetValue("version", platform::PropertyValue(version), kDomain);
    for (int i = 0; i < kKeys[version]; ++i) {
      prefs.SetValue("key" + std::to_string(i), platform::PropertyValue(::nx::faults::Fill(version, i)), kDomain);
    }
  }
  std::unique_ptr<platform::FilePreferences> failed_;
};

enum class Kind { kPhonebook, kPreferences };

std::unique_ptr<Saver> MakeSaver(Kind kind) {
  if (kind == Kind::kPhonebook) return std::make_unique<PhonebookSaver>();
  return std::make_unique<PreferencesSaver>();
}

const char* KindName(Kind kind) { return kind == Kind::kPhonebook ? "Phonebook" : "Preferences"; }

const char* StepName(SaveStep step) {
  switch (step) {
    case SaveStep::kOpen: return "Open";
    case SaveStep::kWrite: return "Write";
    case SaveStep::kSync: return "Sync";
    case SaveStep::kClose: return "Close";
    case SaveStep::kRename: return "Rename";
  }
  return "?";
}

// ---- Hooks -----------------------------------------------------------------------------------

// The step to fail and how; the hook is a plain function, so its settings are process-wide.
SaveStep gTargetStep = SaveStep::kOpen;
int gFailWith = 0;
bool gStopThere = false;
std::vector<SaveStep>* gSeen = nullptr;

int FaultHook(SaveStep step) {
  if (gSeen != nullptr) gSeen->push_back(step);
  if (step != gTargetStep) return 0;
  if (gStopThere) ::_exit(0);  // the process ends here as in a crash: no clean-up runs
  return gFailWith;
}

class ScopedHook {
 public:
  ScopedHook(SaveStep step, int error, bool stop) {
    gTargetStep = step;
    gFailWith = error;
    gStopThere = stop;
    previous_ = platform::SetSaveFaultHook(&FaultHook);
  }
  ~ScopedHook() { platform::SetSaveFaultHook(previous_); }
  ScopedHook(const ScopedHook&) = delete;
  ScopedHook& operator=(const ScopedHook&) = delete;

 private:
  platform::SaveFaultHook previous_;
};

// ---- Tests -----------------------------------------------------------------------------------

class SaverTest : public ::testing::Test {
 protected:
  // The old version on disk, as the saver itself wrote it.
  void SaveOld(Saver& saver) {
    ASSERT_TRUE(saver.Save(dir_.path(), 0));
    ASSERT_EQ(saver.ReadBack(dir_.path()), 0);
  }
  std::vector<std::string> Leftovers(const Saver& saver) const {
    std::vector<std::string> extra;
    for (const std::string& name : dir_.Entries()) {
      if (dir_.path() + "/" + name != saver.Target(dir_.path()) && name != "any-user") extra.push_back(name);
    }
    return extra;
  }
  TempFolder dir_;
};

TEST_F(SaverTest, EverySaverAsksBeforeEachStepInOrder) {
  for (Kind kind : {Kind::kPhonebook, Kind::kPreferences}) {
    auto saver = MakeSaver(kind);
    std::vector<SaveStep> seen;
    gSeen = &seen;
    {
      ScopedHook hook(SaveStep::kOpen, 0, false);
      EXPECT_TRUE(saver->Save(dir_.path(), 1)) << KindName(kind);
    }
    gSeen = nullptr;
    EXPECT_EQ(seen, (std::vector<SaveStep>{SaveStep::kOpen, SaveStep::kWrite, SaveStep::kSync,
                                           SaveStep::kClose, SaveStep::kRename}))
        << KindName(kind);
    EXPECT_EQ(saver->ReadBack(dir_.path()), 1) << KindName(kind);
  }
}

class SaverStepTest : public SaverTest, public ::testing::WithParamInterface<std::tuple<Kind, SaveStep>> {
 protected:
  Kind kind() const { return std::get<0>(GetParam()); }
  SaveStep step() const { return std::get<1>(GetParam()); }
};

// A step that fails: the save reports it, the old file stays byte for byte, nothing is left
// beside it, and the next save goes through.
TEST_P(SaverStepTest, AFailedStepKeepsTheOldFileAndCleansUp) {
  auto saver = MakeSaver(kind());
  SaveOld(*saver);
  for (int error : {EIO, ENOSPC}) {
    {
      ScopedHook hook(step(), error, false);
      EXPECT_FALSE(saver->Save(dir_.path(), 1)) << "a failed save reported as success";
    }
    EXPECT_EQ(saver->ReadBack(dir_.path()), 0);
    EXPECT_EQ(Leftovers(*saver), std::vector<std::string>{});
  }
  if (kind() == Kind::kPreferences) {
    // The failed store kept its changes and writes them once the step works again.
    EXPECT_TRUE(static_cast<PreferencesSaver&>(*saver).RetryFailedSave());
  } else {
    EXPECT_TRUE(saver->Save(dir_.path(), 1));
  }
  EXPECT_EQ(saver->ReadBack(dir_.path()), 1);
  EXPECT_EQ(Leftovers(*saver), std::vector<std::string>{});
}

// The process stops dead at the step (killed, or the machine loses power after what was
// synced): the target is still the old file, read whole. A temporary file may be left over; it
// does not stand in the way of the next save.
TEST_P(SaverStepTest, AProcessStoppedAtTheStepLeavesTheOldFile) {
  auto saver = MakeSaver(kind());
  SaveOld(*saver);
  const ChildResult child = RunInChild([&] {
    ScopedHook hook(step(), 0, true);
    saver->Save(dir_.path(), 1);
    return 3;  // not reached: the hook ends the process at the step
  });
  EXPECT_TRUE(child.exited && child.status == 0) << child.Describe();
  EXPECT_EQ(saver->ReadBack(dir_.path()), 0);

  EXPECT_TRUE(saver->Save(dir_.path(), 1));
  EXPECT_EQ(saver->ReadBack(dir_.path()), 1);
}

INSTANTIATE_TEST_SUITE_P(Steps, SaverStepTest,
                         ::testing::Combine(::testing::Values(Kind::kPhonebook, Kind::kPreferences),
                                            ::testing::Values(SaveStep::kOpen, SaveStep::kWrite, SaveStep::kSync,
                                                              SaveStep::kClose, SaveStep::kRename)),
                         [](const auto& info) {
                           return std::string(KindName(std::get<0>(info.param))) + StepName(std::get<1>(info.param));
                         });

class SaverKindTest : public SaverTest, public ::testing::WithParamInterface<Kind> {};

// The disk fills up half-way through the write: the write that was cut short fails the save and
// the partial temporary file goes.
TEST_P(SaverKindTest, AFullDiskInTheMiddleOfTheWriteKeepsTheOldFile) {
  auto saver = MakeSaver(GetParam());
  SaveOld(*saver);
  const auto oldSize = std::filesystem::file_size(saver->Target(dir_.path()));
  const ChildResult child = RunInChild([&] {
    ::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{};
    ::getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = static_cast<rlim_t>(oldSize * 4);  // the new file is several times larger
    if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) return 4;
    return saver->Save(dir_.path(), 1) ? 1 : 0;
  });
  EXPECT_TRUE(child.exited && child.status == 0) << "save under a full disk: " << child.Describe();
  EXPECT_EQ(saver->ReadBack(dir_.path()), 0);
  EXPECT_EQ(Leftovers(*saver), std::vector<std::string>{});
}

// The process is killed in the middle of the write (SIGXFSZ's default action, when a partial
// write reaches the size limit): the target is still the old file.
TEST_P(SaverKindTest, AProcessKilledInTheMiddleOfTheWriteLeavesTheOldFile) {
  auto saver = MakeSaver(GetParam());
  SaveOld(*saver);
  const auto oldSize = std::filesystem::file_size(saver->Target(dir_.path()));
  const ChildResult child = RunInChild([&] {
    ::signal(SIGXFSZ, SIG_DFL);
    rlimit none{0, 0};
    ::setrlimit(RLIMIT_CORE, &none);
    rlimit limit{};
    ::getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = static_cast<rlim_t>(oldSize * 4);
    if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) return 4;
    saver->Save(dir_.path(), 1);
    return 5;
  });
  EXPECT_TRUE(child.signaled && child.signal == SIGXFSZ) << child.Describe();
  const auto leftovers = Leftovers(*saver);
  ASSERT_FALSE(leftovers.empty()) << "the write never started";
  // The torn temporary file is exactly as long as the limit let it grow.
  EXPECT_EQ(std::filesystem::file_size(dir_.path() + "/" + leftovers.front()), oldSize * 4);
  EXPECT_EQ(saver->ReadBack(dir_.path()), 0);
}

INSTANTIATE_TEST_SUITE_P(Savers, SaverKindTest, ::testing::Values(Kind::kPhonebook, Kind::kPreferences),
                         [](const auto& info) { return std::string(KindName(info.param)); });

}  // namespace
}  // namespace nx::faults
