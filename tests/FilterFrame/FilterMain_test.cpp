// The main flow in-process: names, the document-name rule, the order of the steps and their
// ends, the job copy file.
#include "FilterMain.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <cstring>
#include <ctime>
#include <filesystem>
#include <string>

#include "FilterMainTestSupport.h"

namespace nx::filter {
namespace {

using test::FilterArgs;
using test::FlowEnvironment;
using test::FlowRun;
using test::FlowSetup;
using test::Key;
using test::RecipientOptions;
using test::RunFlow;
using test::ScopedEnv;

// --- Names ---------------------------------------------------------------------------------

struct UserNameCase {
  const char* name;
  std::string user;  // UTF-8, as argument 2
  std::string stdUserName;
  std::string jbaUserName;
};

class UserNameTest : public ::testing::TestWithParam<UserNameCase> {};

TEST_P(UserNameTest, ConvertsValidatesAndKeepsTheAccountingCopy) {
  auto job = test::FreshJob();
  SetJobUserName(*job, GetParam().user.c_str());
  ValidateJobUserName(*job);
  EXPECT_EQ(std::string(job->StdUserName), GetParam().stdUserName);
  EXPECT_EQ(std::string(job->StdJBAUserName), GetParam().jbaUserName);
}

std::string Repeat(const std::string& s, int n) {
  std::string r;
  for (int i = 0; i < n; ++i) r += s;
  return r;
}

const std::string kA = "\xe3\x81\x82";          // あ in UTF-8
const std::string kASjis = "\x82\xa0";          // あ in the device encoding
const std::string kIdeoSpace = "\xe3\x80\x80";  // U+3000

INSTANTIATE_TEST_SUITE_P(
    Names, UserNameTest,
    ::testing::Values(
        UserNameCase{"Plain", "alice", "alice", "alice"},
        UserNameCase{"Japanese", "\xe5\xb1\xb1\xe7\x94\xb0", "\x8e\x52\x93\x63", "\x8e\x52\x93\x63"},
        UserNameCase{"FullWidthSpaces", Repeat(kIdeoSpace, 3), "UnknownUser",
                     Repeat("\x81\x40", 3)},
        UserNameCase{"AsciiSpaces", "   ", "UnknownUser", "   "},
        UserNameCase{"Empty", "", "UnknownUser", ""},
        UserNameCase{"InvalidUtf8", "ab\xff", "UnknownUser", ""},
        UserNameCase{"NoDeviceForm", "\xf0\x9f\x98\x80", "UnknownUser", ""},
        // Control bytes fail the scale; the accounting copy loses them instead.
        UserNameCase{"LineBreakInjection", "bob\r\n@PJL X", "UnknownUser", "bob@PJL X"},
        // The scale admits a quote, the header must not see it.
        UserNameCase{"Quote", "a\"b", "ab", "ab"},
        UserNameCase{"LongAscii", std::string(40, 'u'), std::string(40, 'u'), std::string(32, 'u')},
        // Byte 32 would be the first half of the 16th あ.
        UserNameCase{"AccountingCopyKeepsWholeCharacters", "a" + Repeat(kA, 16),
                     "a" + Repeat(kASjis, 16), "a" + Repeat(kASjis, 15)},
        // Too long for 255 bytes: the longest prefix that fits.
        UserNameCase{"TooLong", std::string(300, 'x'), std::string(254, 'x'), std::string(32, 'x')}),
    [](const auto& info) { return std::string(info.param.name); });

struct DocumentNameCase {
  const char* name;
  std::string title;
  bool present;
  std::int32_t productType;
  std::string ptName;
  std::string stdName;  // StdDocumentName after the rule
};

class DocumentNameTest : public ::testing::TestWithParam<DocumentNameCase> {};

TEST_P(DocumentNameTest, AppliesTheProductRule) {
  auto job = test::FreshJob();
  job->printType.productType = GetParam().productType;
  SetJobDocumentName(*job, GetParam().title.c_str());
  ApplyDocumentNameRule(*job, GetParam().present);
  EXPECT_EQ(std::string(job->PTStdDocumentName), GetParam().ptName);
  EXPECT_EQ(std::string(job->StdDocumentName), GetParam().stdName);
}

const std::string kTitle30 = "abcdefghijklmnopqrstuvwxyz0123";
const std::string kKanji = "\xe4\xb8\x80";  // 一 (U+4E00)
const std::string kKanjiSjis = "\x88\xea";

INSTANTIATE_TEST_SUITE_P(
    Products, DocumentNameTest,
    ::testing::Values(
        DocumentNameCase{"Absent", kTitle30, false, -1, "", kTitle30},
        DocumentNameCase{"Product2Cuts30AsciiTo12", kTitle30, true, 2, kTitle30.substr(0, 12),
                         kTitle30.substr(0, 12)},
        // Eleven units, then a double-width character across the limit: cut at byte 11.
        DocumentNameCase{"Product2DoubleWidthStraddles", "abcdefghijk" + kA + "xyz", true, 2,
                         "abcdefghijk", "abcdefghijk"},
        DocumentNameCase{"Product2DoubleWidthEndsAtLimit", "abcdefghij" + kA + "xyz", true, 2, "",
                         "abcdefghij" + kASjis},
        DocumentNameCase{"Product3Limit64", std::string(70, 'd'), true, 3, std::string(64, 'd'),
                         std::string(64, 'd')},
        DocumentNameCase{"OtherProductLimit24", std::string(30, 'o'), true, 7, std::string(24, 'o'),
                         std::string(24, 'o')},
        DocumentNameCase{"ShortNameUnchanged", "Memo", true, 1, "Memo", "Memo"},
        DocumentNameCase{"KanjiValidForDefaultScale", Repeat(kKanji, 5), true, 1,
                         Repeat(kKanjiSjis, 5), Repeat(kKanjiSjis, 5)},
        DocumentNameCase{"KanjiInvalidForProduct2", Repeat(kKanji, 3), true, 2, "",
                         Repeat(kKanjiSjis, 3)},
        // 25 bytes: the 12th kanji straddles 24, the name keeps eleven whole ones.
        DocumentNameCase{"OddCutNeverSplitsACharacter", "a" + Repeat(kKanji, 12), true, 1,
                         "a" + Repeat(kKanjiSjis, 11), "a" + Repeat(kKanjiSjis, 11)},
        DocumentNameCase{"HalfWidthKatakanaProduct2",
                         "\xef\xbd\xb1\xef\xbd\xb2\xef\xbd\xb3\xef\xbd\xb4\xef\xbd\xb5\xef\xbd\xb6"
                         "\xef\xbd\xb7\xef\xbd\xb8\xef\xbd\xb9\xef\xbd\xba\xef\xbd\xbb\xef\xbd\xbc"
                         "\xef\xbd\xbd",
                         true, 2, "\xb1\xb2\xb3\xb4\xb5\xb6\xb7\xb8\xb9\xba\xbb\xbc",
                         "\xb1\xb2\xb3\xb4\xb5\xb6\xb7\xb8\xb9\xba\xbb\xbc"},
        DocumentNameCase{"ControlByteInvalid", "a\tb", true, 1, "", "a\tb"},
        DocumentNameCase{"QuoteDropped", "say \"hi\"", true, 1, "say hi", "say \"hi\""}),
    [](const auto& info) { return std::string(info.param.name); });

// --- The flow ------------------------------------------------------------------------------

TEST(FilterMainFlow, WritesHeaderDocumentAndTrailerInOrder) {
  FlowEnvironment env;
  FilterArgs args("alice", "Quarterly report", RecipientOptions(2));
  const FlowRun run = RunFlow(args);
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.documentCalls, 1);
  EXPECT_EQ(run.err, "the file type being printed is:document\n");
  ASSERT_TRUE(run.out.starts_with(test::kHeadLine)) << run.out;
  EXPECT_TRUE(run.out.ends_with(test::kEnterPdf + test::kFakeDocument + test::kTrailer)) << run.out;
  EXPECT_NE(run.out.find("\"@ITEM0\"\r\n"), std::string::npos);
  EXPECT_LT(run.out.find("\"@ITEM0\""), run.out.find("\"@ITEM1\""));
  EXPECT_STREQ(run.job->StdUserName, "alice");
  EXPECT_STREQ(run.job->HostNameStr, "faxhost");
  EXPECT_STREQ(run.job->IPAddressStr, "IC0A8010A");
}

struct EarlyEndCase {
  const char* name;
  const char* fileType;
  std::string options;
  int status;
  std::string err;
};

class FilterMainEarlyEnd : public ::testing::TestWithParam<EarlyEndCase> {};

TEST_P(FilterMainEarlyEnd, WritesNothingToTheDevice) {
  FlowEnvironment env;
  ScopedEnv fileType("CUPS_FILETYPE", GetParam().fileType);
  FilterArgs args("alice", "title", GetParam().options);
  const FlowRun run = RunFlow(args);
  EXPECT_EQ(run.status, GetParam().status);
  EXPECT_EQ(run.err, GetParam().err);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.documentCalls, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Ends, FilterMainEarlyEnd,
    ::testing::Values(
        EarlyEndCase{"JobSheet", "job-sheet", RecipientOptions(1), 0,
                     "the file type being printed is:job-sheet\n"},
        EarlyEndCase{"NoRecipientCount", "document", RecipientOptions(0), 255,
                     "the file type being printed is:document\n"
                     "ERROR:<Please enter a fax number.>\n"},
        EarlyEndCase{"ZeroRecipients", "document", Key("DFRecipientListCountTicket") + "=0", 255,
                     "the file type being printed is:document\n"
                     "ERROR:<Please enter a fax number.>\n"},
        EarlyEndCase{"GarbageOptions", "document", "=== 'unterminated \"x a=b=c \\", 255,
                     "the file type being printed is:document\n"
                     "ERROR:<Please enter a fax number.>\n"},
        // Recipient lists the device would take only in part.
        EarlyEndCase{"EmptyRecipient", "document",
                     RecipientOptions(2) + " " + Key("DFRecipientListItemKeyTicket1") + "=", 255,
                     "the file type being printed is:document\n"
                     "ERROR:<Fax recipient 2 of 2 is empty.>\n"},
        EarlyEndCase{"CountAboveTheItems", "document",
                     RecipientOptions(2) + " " + Key("DFRecipientListCountTicket") + "=3", 255,
                     "the file type being printed is:document\n"
                     "ERROR:<Fax recipient 3 of 3 is missing from the job.>\n"},
        EarlyEndCase{"ItemsOnlyBeyondTheLimit", "document",
                     Key("DFRecipientListCountTicket") + "=700 " +
                         Key("DFRecipientListItemKeyTicket600") + "=ITEM",
                     255,
                     "the file type being printed is:document\n"
                     "ERROR:<The fax job has 700 recipients; a job takes at most 600.>\n"},
        EarlyEndCase{"FifteenHundredRecipients", "document", RecipientOptions(1500), 255,
                     "the file type being printed is:document\n"
                     "ERROR:<The fax job has 1500 recipients; a job takes at most 600.>\n"}),
    [](const auto& info) { return std::string(info.param.name); });

// The refusal speaks the job's language, which the print system passes in the environment.
TEST(FilterMainFlow, RecipientRefusalIsInTheJobsLanguage) {
  FlowEnvironment env;
  ScopedEnv data("NX_DATA_DIR", NX_SOURCE_DIR "/CommonSource/FilterFrame/Resources");
  ScopedEnv lang("LANG", "ja_JP.UTF-8");
  FilterArgs args("alice", "title", RecipientOptions(1) + " " + Key("DFRecipientListCountTicket") + "=2");
  const FlowRun run = RunFlow(args);
  EXPECT_EQ(run.status, 255);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err,
            "the file type being printed is:document\n"
            "ERROR:<ファクス宛先 2 (全 2 件中) がジョブにありません>\n");
}

TEST(FilterMainFlow, RefusesARecipientFormTheDeviceCannotTake) {
  FlowEnvironment env;
  const std::string ppd = env.folder().File("gen2.ppd");
  test::WriteFile(ppd,
                  "*PPD-Adobe: \"4.3\"\n*FormatVersion: \"4.3\"\n*FileVersion: \"1.0\"\n"
                  "*LanguageVersion: English\n*LanguageEncoding: ISOLatin1\n*PCFileName: \"G2.PPD\"\n"
                  "*Manufacturer: \"Test\"\n*Product: \"(Test)\"\n*ModelName: \"Test\"\n"
                  "*ShortNickName: \"Test\"\n*NickName: \"Test\"\n*PSVersion: \"(3010.000) 0\"\n"
                  "*OpenUI *NXPlatformGeneration/Generation: PickOne\n"
                  "*DefaultNXPlatformGeneration: 2\n"
                  "*NXPlatformGeneration 1/One: \"\"\n*NXPlatformGeneration 2/Two: \"\"\n"
                  "*CloseUI: *NXPlatformGeneration\n");
  ScopedEnv ppdEnv("PPD", ppd);
  FilterArgs args("alice", "title",
                  Key("DFRecipientListCountTicket") + "=1 " + Key("DFRecipientListItemKeyTicket0") +
                      "=A{1B");
  const FlowRun run = RunFlow(args);
  EXPECT_EQ(run.status, 255);
  EXPECT_EQ(run.err,
            "the file type being printed is:document\n"
            "ERROR:<A specified feature is unavailable for the current device.>\n");
  EXPECT_EQ(run.out, "");
}

TEST(FilterMainFlow, WrongArgumentCountPrintsUsageBeforeAnything) {
  FlowEnvironment env;
  char arg0[] = "/usr/lib/cups/filter/jobfilter";
  char arg1[] = "1";
  char* argv[] = {arg0, arg1, nullptr};
  test::CapturedStream out;
  test::CapturedStream err;
  FilterMainServices services;
  services.out = out.get();
  services.err = err.get();
  auto job = test::FreshJob();
  EXPECT_EQ(FilterMain(2, argv, *job, services), 1);
  EXPECT_EQ(err.Contents(),
            "Usage: /usr/lib/cups/filter/jobfilter job user title copies options [filename]\n");
  EXPECT_EQ(out.Contents(), "");
  EXPECT_EQ(job->StdUserName[0], 0);
}

TEST(FilterMainFlow, DocumentStepThatBrokeTheStreamEndsWithoutTrailer) {
  FlowEnvironment env;
  FilterArgs args("alice", "title", RecipientOptions(1));
  FlowSetup setup;
  setup.documentResult = kDocumentOutputBroken;
  const FlowRun run = RunFlow(args, setup);
  EXPECT_EQ(run.status, 1);
  EXPECT_TRUE(run.out.ends_with(test::kEnterPdf + test::kFakeDocument)) << run.out;
}

// Whatever the document step reports, the device gets the whole job or nothing: a failed
// document sends not even the header, fails the job and leaves no job copy; a broken stream
// fails it too, and its copy (which lacks the trailer) is not kept either. The job runs with
// the process undumpable: its memory holds passwords in clear.
TEST(FilterMainFlow, TheDeviceGetsTheWholeJobOrNothing) {
  struct Case {
    int documentResult;
    int status;
    bool headerAndDocument;
    bool trailer;
    bool copyKept;
  };
  for (const Case& c : {Case{kDocumentSent, kFilterExitOK, true, true, true},
                        Case{kDocumentOutputBroken, kFilterExitPipeBroken, true, false, false},
                        Case{kDocumentFailed, kFilterExitDocumentFailed, false, false, false}}) {
    SCOPED_TRACE(c.documentResult);
    FlowEnvironment env;
    env.EnableJobCopy();
    FilterArgs args("alice", "title", RecipientOptions(1));
    FlowSetup setup;
    setup.documentResult = c.documentResult;
    const int dumpableBefore = ::prctl(PR_GET_DUMPABLE, 0, 0, 0, 0);
    const FlowRun run = RunFlow(args, setup);
    EXPECT_EQ(run.status, c.status);
    EXPECT_EQ(run.documentCalls, 1);
    EXPECT_EQ(run.dumpableDuringDocument, 0);
    EXPECT_EQ(::prctl(PR_GET_DUMPABLE, 0, 0, 0, 0), dumpableBefore);
    if (c.headerAndDocument) {
      EXPECT_TRUE(run.out.starts_with(test::kHeadLine)) << run.out;
      EXPECT_NE(run.out.find(test::kEnterPdf + test::kFakeDocument), std::string::npos) << run.out;
    } else {
      EXPECT_EQ(run.out, "");
    }
    EXPECT_EQ(run.out.ends_with(test::kTrailer), c.trailer);
    const std::string copy = JobCopyFilePath(platform::ProbeSystemVersion(platform::FixedKernelRelease(
                                                 setup.kernelRelease)),
                                             setup.now);
    EXPECT_EQ(std::filesystem::exists(copy), c.copyKept) << copy;
    if (c.copyKept) {
      EXPECT_EQ(test::ReadFile(copy), run.out);
    }
  }
}

TEST(FilterMainFlow, ClosedOutputPipeRunsToTheEndWithStatus1) {
  FlowEnvironment env;
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  ::close(fds[0]);  // the reader is gone before the first byte
  std::FILE* out = ::fdopen(fds[1], "wb");
  ASSERT_NE(out, nullptr);
  FilterArgs args("alice", "title", RecipientOptions(1));
  FlowSetup setup;
  setup.out = out;
  const FlowRun run = RunFlow(args, setup);
  std::fclose(out);
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(CancelJobForPipe, 1);
  EXPECT_EQ(run.documentCalls, 1);
  EXPECT_EQ(run.err, "the file type being printed is:document\n");
}

TEST(FilterMainFlow, HostileNamesAndPasswordsStayOffStandardError) {
  FlowEnvironment env;
  const std::string secret = "S3cretPassw0rd";
  FilterArgs args("\xff\xfe", std::string(100000, 'T') + "\xc3",
                  RecipientOptions(1) + " " + Key("JBAUserPasswordTextEditTicket") + "=" + secret +
                      " " + Key("PrintTypePasswordTicketKey") + "=" + secret);
  const FlowRun run = RunFlow(args);
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.err.find(secret), std::string::npos);
  EXPECT_STREQ(run.job->StdUserName, "UnknownUser");
  EXPECT_STREQ(run.job->StdJBAUserName, "");
  EXPECT_STREQ(run.job->StdDocumentName, "");  // not valid UTF-8
}

// --- Job copy file -------------------------------------------------------------------------

TEST(JobCopyFilePath, PicksTheFolderByVersionAndNamesItByLocalTime) {
  ScopedEnv tz("TZ", "UTC");
  tzset();
  ScopedEnv tmp("TMPDIR", "/var/spool/job");
  ScopedEnv privateTmp("NX_PRIVATE_TMP", "/private");
  EXPECT_EQ(JobCopyFilePath(0x10A0, 1700000000), "/var/spool/job/kt20231114221320.job");
  EXPECT_EQ(JobCopyFilePath(0x109F, 1700000000), "/private/nx20231114221320.job");
  {
    ScopedEnv noTmp("TMPDIR", std::nullopt);
    EXPECT_EQ(JobCopyFilePath(0x10A5, 1700000000), "/tmp/kt20231114221320.job");
  }
  ScopedEnv longTmp("TMPDIR", "/" + std::string(1030, 'x'));
  EXPECT_EQ(JobCopyFilePath(0x10A5, 1700000000), "");
  tzset();
}

struct JobCopyCase {
  const char* name;
  const char* kernelRelease;
  bool tmpDirPath;
};

class JobCopyTest : public ::testing::TestWithParam<JobCopyCase> {};

TEST_P(JobCopyTest, HoldsExactlyTheDeviceBytesWithMode0676) {
  FlowEnvironment env;
  env.EnableJobCopy();
  ScopedEnv privateTmp("NX_PRIVATE_TMP", env.folder().File("private"));
  std::filesystem::create_directory(env.folder().File("private"));
  FilterArgs args("alice", "title", RecipientOptions(1));
  FlowSetup setup;
  setup.kernelRelease = GetParam().kernelRelease
                            ? std::optional<std::string>(GetParam().kernelRelease)
                            : std::nullopt;
  const FlowRun run = RunFlow(args, setup);
  ASSERT_EQ(run.status, 0);
  const int version = platform::ProbeSystemVersion(platform::FixedKernelRelease(setup.kernelRelease));
  const std::string path = JobCopyFilePath(version, setup.now);
  EXPECT_EQ(path.starts_with(env.folder().File(GetParam().tmpDirPath ? "kt" : "private/nx")), true)
      << path;
  EXPECT_EQ(test::ReadFile(path), run.out);
  EXPECT_EQ(test::PermissionBits(path), 0676u);
  EXPECT_EQ(run.job->copy.get(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Versions, JobCopyTest,
                         ::testing::Values(JobCopyCase{"Release14_5", "14.5.0", true},
                                           JobCopyCase{"Release6_1", "6.1.0", false},
                                           JobCopyCase{"Unreadable", nullptr, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(JobCopy, NoFlagFileNoCopy) {
  FlowEnvironment env;
  FilterArgs args("alice", "title", RecipientOptions(1));
  const FlowRun run = RunFlow(args);
  ASSERT_EQ(run.status, 0);
  for (const auto& entry : std::filesystem::directory_iterator(env.folder().path())) {
    ADD_FAILURE() << "unexpected file " << entry.path();
  }
}

TEST(JobCopy, ExistingFileOrLinkAtThePathIsLeftAlone) {
  FlowEnvironment env;
  env.EnableJobCopy();
  FlowSetup setup;
  const std::string path = JobCopyFilePath(0x1020, setup.now);
  const std::string target = env.folder().File("target");
  test::WriteFile(target, "keep");
  for (bool link : {false, true}) {
    SCOPED_TRACE(link ? "symbolic link" : "regular file");
    std::filesystem::remove(path);
    if (link) {
      ASSERT_EQ(::symlink(target.c_str(), path.c_str()), 0);
    } else {
      test::WriteFile(path, "placed");
      ::chmod(path.c_str(), 0644);
    }
    FilterArgs args("alice", "title", RecipientOptions(1));
    const FlowRun run = RunFlow(args, setup);
    EXPECT_EQ(run.status, 0);
    EXPECT_TRUE(run.out.ends_with(test::kTrailer));
    EXPECT_NE(run.err.find("DEBUG: No job copy: unable to create \"" + path + "\""),
              std::string::npos)
        << run.err;
    EXPECT_EQ(test::ReadFile(target), "keep");
    if (!link) {
      EXPECT_EQ(test::ReadFile(path), "placed");
      EXPECT_EQ(test::PermissionBits(path), 0644u);
    }
  }
}

TEST(JobCopy, RefusedJobLeavesTheCopyUnfinished) {
  FlowEnvironment env;
  env.EnableJobCopy();
  FilterArgs args("alice", "title", RecipientOptions(0));
  FlowSetup setup;
  const FlowRun run = RunFlow(args, setup);
  EXPECT_EQ(run.status, 255);
  const std::string path = JobCopyFilePath(0x1020, setup.now);
  EXPECT_EQ(test::ReadFile(path), "");
  EXPECT_EQ(test::PermissionBits(path), 0600u);
}

}  // namespace
}  // namespace nx::filter
