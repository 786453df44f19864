// Passwords and passcodes never appear in clear text where people or other programs can read
// them: not on standard error (the print system's log), not in the device stream's header or
// trailer, not in the job copy file, not in a phonebook file, not in the diagnostics of the
// encryption library. The passwords are the ones the test suite uses, in the protected forms in
// which they travel, on the normal paths and on the failure paths.
#include <cups/raster.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cctype>
#include <cerrno>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "EncryptLib.h"
#include "fault_support.h"
#include "nx/phonebook/abif_csv.h"
#include "nx/phonebook/abif_data.h"
#include "nx/phonebook/abif_file.h"
#include "nx/phonebook/csv_record.h"
#include "nx/platform/save_faults.h"
#include "phonebook_test_support.h"

#ifndef NX_JOBFILTER_PATH
#define NX_JOBFILTER_PATH NX_BINARY_DIR "/CommonSource/FilterFrame/jobfilter"
#endif

namespace nx::faults {
namespace {

namespace enc = ::nx::encrypt;
namespace pb = ::nx::phonebook;

// Every password and passcode the test suite types, stores or sends.
const std::vector<std::string> kSuitePasswords = {
    "Pw4321x", "correct horse, battery", "s3cret", "Hidden0Secret", "1234",
    "0000",    "9876",                   "4321",   "5555",          "12345678901234567890"};

// Whether `text` shows `password`. A password of digits only counts when it stands as a whole
// number (a page count or a file offset that happens to contain "1234" shows no password).
bool Shows(const std::string& text, const std::string& password) {
  const bool digits = std::all_of(password.begin(), password.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)); });
  if (!digits) return text.find(password) != std::string::npos;
  for (std::size_t i = 0; i < text.size();) {
    if (!std::isdigit(static_cast<unsigned char>(text[i]))) {
      ++i;
      continue;
    }
    std::size_t end = i;
    while (end < text.size() && std::isdigit(static_cast<unsigned char>(text[end]))) ++end;
    if (text.compare(i, end - i, password) == 0 && end - i == password.size()) return true;
    i = end;
  }
  return false;
}

void ExpectNoPassword(const std::string& text, const std::string& where) {
  for (const std::string& password : kSuitePasswords) {
    EXPECT_FALSE(Shows(text, password)) << "\"" << password << "\" in " << where << ":\n" << text;
  }
}

// The device stream without the PDF: the PDF is made of the pixels alone, and its offsets and
// lengths are numbers of any kind.
std::string WithoutPdf(const std::string& stream) {
  const std::size_t begin = stream.find("%PDF-");
  const std::size_t end = stream.rfind("%%EOF");
  if (begin == std::string::npos || end == std::string::npos || end < begin) return stream;
  return stream.substr(0, begin) + stream.substr(end);
}

// ---- Protected forms -------------------------------------------------------------------------

// The panels' stored form: base64 of the storage encryption.
std::string StoredForm(const std::string& plain) {
  std::vector<unsigned char> cipher(static_cast<std::size_t>(enc::StorageCipherLen(static_cast<int>(plain.size()))));
  int cipherLength = static_cast<int>(cipher.size());
  EXPECT_EQ(enc::Encode_Storage(plain.data(), static_cast<int>(plain.size()), enc::seed1, enc::seed1Len, enc::seed2,
                                enc::seed2Len, enc::seed3, enc::seed3Len, cipher.data(), &cipherLength),
            enc::kEncSuccess);
  std::string text(static_cast<std::size_t>(4 * ((cipherLength + 2) / 3)), '\0');
  int textLength = 0;
  EXPECT_EQ(enc::XSPBinToB64(cipher.data(), cipherLength, text.data(), &textLength, static_cast<int>(text.size())),
            enc::kXspSuccess);
  return text;
}

// ---- The filter ------------------------------------------------------------------------------

struct ProgramRun {
  int status = -1;
  std::string out;
  std::string err;
};

ProgramRun RunJobFilter(const std::vector<std::string>& args, const std::map<std::string, std::string>& env,
                        const TempFolder& folder) {
  std::vector<std::string> argStrings = {NX_JOBFILTER_PATH};
  argStrings.insert(argStrings.end(), args.begin(), args.end());
  std::vector<std::string> envStrings;
  for (const auto& [name, value] : env) envStrings.push_back(name + "=" + value);
  std::vector<char*> argv, envp;
  for (std::string& s : argStrings) argv.push_back(s.data());
  for (std::string& s : envStrings) envp.push_back(s.data());
  argv.push_back(nullptr);
  envp.push_back(nullptr);
  const std::string outPath = folder.File("stdout"), errPath = folder.File("stderr");
  std::fflush(nullptr);
  const pid_t pid = ::fork();
  if (pid == 0) {
    const int in = ::open("/dev/null", O_RDONLY);
    const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (in < 0 || out < 0 || err < 0) ::_exit(126);
    ::dup2(in, 0);
    ::dup2(out, 1);
    ::dup2(err, 2);
    ::signal(SIGPIPE, SIG_DFL);
    ::execve(argv[0], argv.data(), envp.data());
    ::_exit(127);
  }
  ProgramRun run;
  int raw = 0;
  if (pid < 0 || ::waitpid(pid, &raw, 0) != pid) return run;
  run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -WTERMSIG(raw);
  run.out = ReadFile(outPath);
  run.err = ReadFile(errPath);
  return run;
}

void WriteRasterPage(const std::string& path) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  ASSERT_GE(fd, 0);
  cups_raster_t* raster = cupsRasterOpen(fd, CUPS_RASTER_WRITE);
  ASSERT_NE(raster, nullptr);
  cups_page_header2_t header{};
  header.HWResolution[0] = header.HWResolution[1] = 72;
  header.PageSize[0] = 612;
  header.PageSize[1] = 792;
  header.NumCopies = 1;
  header.cupsWidth = 64;
  header.cupsHeight = 48;
  header.cupsBitsPerColor = header.cupsBitsPerPixel = 8;
  header.cupsBytesPerLine = 64;
  header.cupsColorOrder = CUPS_ORDER_CHUNKED;
  header.cupsColorSpace = CUPS_CSPACE_K;
  header.cupsNumColors = 1;
  ASSERT_TRUE(cupsRasterWriteHeader2(raster, &header));
  std::vector<unsigned char> line(64, 0x40);
  for (int y = 0; y < 48; ++y) ASSERT_EQ(cupsRasterWritePixels(raster, line.data(), 64), 64u);
  cupsRasterClose(raster);
  ::close(fd);
}

std::string Key(const std::string& name) { return "com.norvalex.nb.qtz.printsettings." + name; }

// Every password key of the ticket holds one of the suite's passwords in its stored form; the
// recipient item carries a mailbox passcode and an F-code password in their scrambled forms.
std::string TicketWithEveryPassword() {
  const char* keys[] = {"PrintTypePasswordTicketKey",        "PrintTypeMBNPasswordTicketKey",
                        "JBAUserPasswordTextEditTicket",     "JBAStoragePasswordTextEditTicket",
                        "JBAInputStoragePasswordTextEditTicket", "JBAInputUserPasswordTextEditTicket",
                        "JBAAdminUserPasswordTextEditTicket", "JBAAdminStoragePasswordTextEditTicket"};
  std::string options = Key("PrintTypeTicketKey") + "=2 " + Key("PrintTypeUserNameTicketKey") + "=U1 " +
                        Key("JBAManageTypeListTicketKey") + "=2 " + Key("JBAUserSettingRadioBtnTicket") + "=1 " +
                        Key("JBAUserIDListCtrlTicket") + "=2 " + Key("JBAUserIDTextEditTicket") + "=ABC " +
                        Key("DFRecipientListCountTicket") + "=1 " + Key("DFRecipientPaperSizeTicket") + "=A4 " +
                        Key("DFRecipientListItemKeyTicket0") + "=FAEN=0311112222{21}{34}{40012" +
                        pbtest::XspForm("1234") + "}{6" + pbtest::XspForm("12345678901234567890") + "}";
  for (std::size_t i = 0; i < std::size(keys); ++i) {
    options += " " + Key(keys[i]) + "='" + StoredForm(kSuitePasswords[i % kSuitePasswords.size()]) + "'";
  }
  return options;
}

struct FilterCase {
  const char* name;
  const char* encryption;  // the PPD's NXEncryptionSetting default
  bool badDeviceKey;       // a deployment's key file that cannot be used
};

class FilterSecretsTest : public ::testing::TestWithParam<FilterCase> {};

TEST_P(FilterSecretsTest, NoPasswordInMessagesStreamOrJobCopy) {
  ASSERT_EQ(::access(NX_JOBFILTER_PATH, X_OK), 0) << "jobfilter is not built";
  TempFolder folder;
  std::string ppd = ReadFile(NX_SOURCE_DIR "/ppd/nxfax.ppd");
  const std::size_t at = ppd.find("*DefaultNXEncryptionSetting: New");
  ASSERT_NE(at, std::string::npos);
  ppd.replace(at, std::strlen("*DefaultNXEncryptionSetting: New"),
              std::string("*DefaultNXEncryptionSetting: ") + GetParam().encryption);
  WriteFile(folder.File("queue.ppd"), ppd);
  WriteFile(folder.File("nxjobcopy"), "");
  if (GetParam().badDeviceKey) WriteFile(folder.File("device_public_key.pem"), "-----BEGIN PUBLIC KEY-----\nnot a key\n");
  const std::string raster = folder.File("page.ras");
  WriteRasterPage(raster);
  const std::map<std::string, std::string> env = {
      {"PPD", folder.File("queue.ppd")}, {"CUPS_FILETYPE", "document"}, {"TMPDIR", folder.path()},
      {"NX_SYSTEM_DIR", folder.path()},  {"NX_PRIVATE_TMP", folder.path()}, {"NX_KERNEL_RELEASE", "14.5"},
      {"NX_DATA_DIR", NX_SOURCE_DIR "/CommonSource/FilterFrame/Resources"}};

  const ProgramRun run = RunJobFilter({"7", "alice", "Report", "1", TicketWithEveryPassword(), raster}, env, folder);
  ASSERT_EQ(run.status, 0) << run.err;
  // The passwords went through the path under test: the hold password line is there, in the
  // queue's form, and the failure of a bad key was reported (by its code only).
  const std::size_t hold = run.out.find("@PJL SET HOLDENCRYPTKEY=\"");
  ASSERT_NE(hold, std::string::npos) << run.out;
  const std::string holdValue = run.out.substr(hold + 25, run.out.find('"', hold + 25) - hold - 25);
  const std::string stored = StoredForm(kSuitePasswords[0]);
  if (std::string(GetParam().encryption) == "New" && !GetParam().badDeviceKey) {
    EXPECT_GT(holdValue.size(), 400u) << "not re-encrypted for the device";
  } else {
    EXPECT_EQ(holdValue, stored);
  }
  EXPECT_EQ(run.err.find("final encode failed") != std::string::npos, GetParam().badDeviceKey) << run.err;

  ExpectNoPassword(run.err, "standard error");
  ExpectNoPassword(WithoutPdf(run.out), "the device stream");
  std::string copy;
  for (const std::string& name : folder.Entries()) {
    if (name.rfind("kt", 0) == 0 && name.size() > 4 && name.substr(name.size() - 4) == ".job") copy = ReadFile(folder.File(name));
  }
  ASSERT_EQ(copy, run.out) << "the job copy file holds the device stream";
  ExpectNoPassword(WithoutPdf(copy), "the job copy file");
}

INSTANTIATE_TEST_SUITE_P(Queues, FilterSecretsTest,
                         ::testing::Values(FilterCase{"ReEncrypted", "New", false},
                                           FilterCase{"AsStored", "Old", false},
                                           FilterCase{"UnusableDeviceKey", "New", true}),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- The encryption library ------------------------------------------------------------------

// Every failure of the library with a password in hand writes a diagnostic; none names it.
TEST(EncryptionSecrets, DiagnosticsOfFailedStepsCarryNoPassword) {
  const std::string err = CaptureStderr([] {
    for (const std::string& password : kSuitePasswords) {
      const int length = static_cast<int>(password.size());
      unsigned char out[4096];
      int outLength = 1;  // far too small
      EXPECT_NE(enc::Encode_Storage(password.data(), length, enc::seed1, enc::seed1Len, enc::seed2, enc::seed2Len,
                                    enc::seed3, enc::seed3Len, out, &outLength),
                enc::kEncSuccess);
      // A stored form damaged in its last block: the padding check fails.
      std::vector<unsigned char> cipher(static_cast<std::size_t>(enc::StorageCipherLen(length)));
      int cipherLength = static_cast<int>(cipher.size());
      ASSERT_EQ(enc::Encode_Storage(password.data(), length, enc::seed1, enc::seed1Len, enc::seed2, enc::seed2Len,
                                    enc::seed3, enc::seed3Len, cipher.data(), &cipherLength),
                enc::kEncSuccess);
      cipher.back() ^= 0x5A;
      outLength = sizeof out;
      EXPECT_NE(enc::Decode_Storage(cipher.data(), cipherLength, enc::seed1, enc::seed1Len, enc::seed2, enc::seed2Len,
                                    enc::seed3, enc::seed3Len, out, &outLength),
                enc::kEncSuccess);
      // Device blobs under an unusable key, with the wrong key type, and without room.
      const std::string garbageKey = "-----BEGIN PUBLIC KEY-----\n" + password + "\n-----END PUBLIC KEY-----\n";
      outLength = sizeof out;
      EXPECT_NE(enc::Encode_RandomWithKey(password.data(), length, garbageKey.data(), static_cast<int>(garbageKey.size()),
                                          out, &outLength),
                enc::kEncSuccess);
      outLength = sizeof out;
      EXPECT_NE(enc::SecBlobEnc_KT_Encrypt(enc::kAesModeCbc, enc::kKeyType3072, password.data(), length,
                                           enc::RSA_PUBKEY_2048_OFFICIAL, enc::RSA_PUBKEY_2048_OFFICIAL_LEN, out,
                                           &outLength),
                enc::kEncSuccess);
      outLength = 16;
      EXPECT_NE(enc::Encode_Random(password.data(), length, out, &outLength), enc::kEncSuccess);
      outLength = sizeof out;
      EXPECT_NE(enc::SecBlobEnc_KT_Encrypt(7, enc::kKeyType2048, password.data(), length, enc::RSA_PUBKEY_2048_OFFICIAL,
                                           enc::RSA_PUBKEY_2048_OFFICIAL_LEN, out, &outLength),
                enc::kEncSuccess);
    }
  });
  EXPECT_NE(err.find("Error"), std::string::npos) << "the failures were not reported at all:\n" << err;
  ExpectNoPassword(err, "the library's diagnostics");
}

// ---- Phonebooks ------------------------------------------------------------------------------

using Values = std::map<std::string, std::string>;

// A device export (data format 3) whose rows carry passcodes in their protected form.
std::string DeviceExport(const std::vector<std::string>& passcodes, const std::string& damage = "") {
  const std::vector<std::string>& columns = pbtest::layouts::kLayout3;
  std::string text;
  pb::WriteRecord(text, {"*", "1", "3", "3", "", ""});
  pb::WriteRecord(text, columns);
  const Values base = {{"MFADDRT", "FAX"}, {"MFCN", "Taro"}, {"MFCMODE", "2"}, {"MFFAX", "0312345678"},
                       {"MFLINE", "0"}, {"MFMBOX", "1"}, {"MFMBOXID", "12"}, {"MFRLY", "0"}, {"MFRLYPRN", "0"},
                       {"MFIPFAXCMODE", "0"}, {"MFIPFAXMBOX", "0"}, {"MFIPFAXRLY", "0"}, {"MFIPFAXRLYPRN", "0"}};
  int id = 1;
  for (const std::string& passcode : passcodes) {
    Values v = base;
    v["MFDN"] = std::to_string(id++);
    v["MFMBOXPS"] = pbtest::EwsForm(passcode) + damage;
    v["MFPCODE"] = pbtest::EwsForm(passcode);
    std::vector<std::string> fields(columns.size());
    for (const auto& [k, value] : v) {
      for (std::size_t i = 0; i < columns.size(); ++i) {
        if (columns[i] == k) fields[i] = value;
      }
    }
    pb::WriteRecord(text, fields);
  }
  return text;
}

TEST(PhonebookSecrets, ImportAndSaveShowNoPasscode) {
  TempFolder folder;
  pbtest::Container imported;
  const std::string importErr = CaptureStderr([&] {
    // The device's own passcodes (four digits) import; every other password fails its row's
    // check, or cannot be opened at all.
    const std::string good = DeviceExport({"1234", "0000", "9876", "4321", "5555"});
    pb::AbifImportInfo info;
    EXPECT_EQ(pb::Abif_ImportData(good.data(), good.size(), imported, &info, 1), pb::kAbifSuccess);
    for (const std::string& password : kSuitePasswords) {
      for (const char* damage : {"", "!"}) {
        const std::string bad = DeviceExport({password}, damage);
        pbtest::Container refused;
        pb::Abif_ImportData(bad.data(), bad.size(), refused, &info, 1);
      }
    }
  });
  ASSERT_EQ(pb::ABIFData_GetCount_EWSCVS(imported), 5);
  ExpectNoPassword(importErr, "the import's messages");

  // The passcodes the import opened, stored as phonebook entries and saved.
  pbtest::Container book;
  for (int i = 0; i < pb::ABIFData_GetCount_EWSCVS(imported); ++i) {
    pb::tag_ABIF_EWSCVS row;
    ASSERT_EQ(pb::ABIFData_GetAt_EWSCVS(imported, i, &row), pb::kAbifSuccess);
    auto entry = pbtest::Individual(std::to_string(i + 1), "Entry", "0312345678");
    pbtest::Set(entry->SecureorRelay, "1");
    pbtest::Set(entry->MailBoxPassword, pbtest::Get(row.MFMBOXPS));
    pbtest::Set(entry->FCodePassword, pbtest::Get(row.MFPCODE));
    ASSERT_EQ(pb::ABIFData_Add_MyFax(book, 1, entry.get()), pb::kAbifSuccess);
  }
  for (const std::string& password : kSuitePasswords) {
    auto entry = pbtest::Individual("900", "Typed", "0312345678");
    pbtest::Set(entry->MailBoxPassword, password.substr(0, 20));
    pbtest::Set(entry->FCodePassword, password);
    ASSERT_EQ(pb::ABIFData_Add_MyFax(book, 1, entry.get()), pb::kAbifSuccess);
  }
  ASSERT_GT(pb::ABIFData_GetCount_MyFax(book), static_cast<int>(kSuitePasswords.size()));
  const std::string path = folder.File("default.fap");
  std::string saveErr = CaptureStderr([&] { EXPECT_EQ(pb::AbifFAPFile_Write(path.c_str(), book), pb::kAbifSuccess); });
  ExpectNoPassword(ReadFile(path), "the phonebook file");

  // A save that fails part-way reports the failure, never the passcodes.
  saveErr += CaptureStderr([&] {
    const auto previous = platform::SetSaveFaultHook([](platform::SaveStep step) {
      return step == platform::SaveStep::kRename ? EIO : 0;
    });
    EXPECT_EQ(pb::AbifFAPFile_Write(path.c_str(), book), pb::kAbifReadWriteFailed);
    platform::SetSaveFaultHook(previous);
  });
  ExpectNoPassword(saveErr, "the save's messages");
}

}  // namespace
}  // namespace nx::faults
