#include "TpjlEngine.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "KTOutput.h"
#include "TicketTestSupport.h"
#include "TpjlTables.h"

namespace nx::filter {
namespace {

using test::CapturedStream;
using test::FreshJob;
using test::Key;
using test::ScopedEnv;
using test::TempFolder;
using test::TestArgs;
using test::WriteFile;

constexpr TextField kUserID = [](const FilterJob& j) -> const char* { return j.jba.userID; };
constexpr TextField kDomain = [](const FilterJob& j) -> const char* { return j.jba.domainName; };
constexpr IntField kMode = [](const FilterJob& j) { return &j.jba.manageType; };
constexpr IntField kPrintType = [](const FilterJob& j) { return &j.printType.printType; };

std::string Build(const char* format, const CmdParaList& params, const FilterJob& job) {
  char out[kTpjlCommandSize];
  std::memset(out, 'X', sizeof out);
  BuildPrintComand(format, params, job, out);
  return out;
}

TEST(BuildPrintComand, WorkedExampleAndTheEmptyTextStop) {
  auto job = FreshJob();
  const CmdParaList params = {kQuoteValue, TextValue(kUserID), kQuoteValue, kCRValue, kLFValue};
  const char* format = "@PJL SET JOBATTR=%c@JOAU=%s%c%c%c";
  std::strcpy(job->jba.userID, "ABC");
  EXPECT_EQ(Build(format, params, *job), "@PJL SET JOBATTR=\"@JOAU=ABC\"\r\n");
  job->jba.userID[0] = 0;
  EXPECT_EQ(Build(format, params, *job), "@PJL SET JOBATTR=\"");
}

struct BuildCase {
  const char* name;
  const char* format;
  CmdParaList params;
  std::string expected;
};

class BuildPrintComandTest : public ::testing::TestWithParam<BuildCase> {};

TEST_P(BuildPrintComandTest, Expands) {
  auto job = FreshJob();
  EXPECT_EQ(Build(GetParam().format, GetParam().params, *job), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, BuildPrintComandTest,
    ::testing::Values(
        BuildCase{"NoSymbols", "@PJL SET HOLD=STORE\n", {}, "@PJL SET HOLD=STORE\n"},
        BuildCase{"PercentWithOtherCharacterKept", "100%x %d%%", {IntConstant(5)}, "100%x 5%%"},
        BuildCase{"PercentBeforeSymbol", "%%d", {IntConstant(7)}, "%7"},
        BuildCase{"PercentAtEnd", "50%", {}, "50%"},
        BuildCase{"IntegersIncludingZeroAndNegative",
                  "%d,%d,%d",
                  {IntConstant(0), IntConstant(-12), IntConstant(2147483647)},
                  "0,-12,2147483647"},
        BuildCase{"CharacterZeroStops", "A%cB%cC", {CharConstant('x'), CharConstant(0)}, "Ax"},
        BuildCase{"ExtraValuesIgnored",
                  "%c%c-12345X@PJL EOJ\n",
                  {kESCValue, kPercentValue, kCRValue, kLFValue},
                  "\x1b%-12345X@PJL EOJ\n"},
        BuildCase{"MissingValueStops", "A%dB%dC", {IntConstant(1)}, "A1"},
        BuildCase{"KindMismatchStops", "A%dB", {TextConstant("x")}, ""},
        BuildCase{"MissingTextStops", "A%sB", {TextConstant(nullptr)}, ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(BuildPrintComand, NeverWritesPastTheBuffer) {
  auto job = FreshJob();
  const std::string longText(5000, 't');
  const std::string longFormat = std::string(3000, 'f') + "%s";
  EXPECT_EQ(Build("<%s>", {TextConstant(longText.c_str())}, *job),
            "<" + std::string(kTpjlCommandSize - 2, 't'));
  // The format itself is cut at 2047 bytes, so its symbol is gone.
  EXPECT_EQ(Build(longFormat.c_str(), {TextConstant("x")}, *job),
            std::string(kTpjlCommandSize - 1, 'f'));
}

TEST(ControlSymbols, TableAndScanner) {
  EXPECT_EQ(IsCtrlSym("%d"), 0);
  EXPECT_EQ(IsCtrlSym("%c"), 1);
  EXPECT_EQ(IsCtrlSym("%s"), 2);
  for (const char* other : {"%x", "%%", "%", "", "d%", "%D"}) EXPECT_EQ(IsCtrlSym(other), -1);
  int kind = -1;
  const char* text = "a%b%%x%s";
  EXPECT_EQ(GetNextCtrlSym(text, &kind), text + 6);
  EXPECT_EQ(kind, 2);
  EXPECT_EQ(GetNextCtrlSym("no symbols %", &kind), nullptr);
}

TEST(ConditionCompare, ListsAndCompareFunctions) {
  auto job = FreshJob();
  job->jba.manageType = 2;
  std::strcpy(job->jba.userID, "U1");
  struct Case {
    ConditionList list;
    bool expected;
  } cases[] = {
      {{}, true},
      {{IntEquals(kMode, 2)}, true},
      {{IntEquals(kMode, 1)}, false},
      {{IntNotEquals(kMode, 1), IntNotEquals(kMode, 4)}, true},
      {{IntNotEquals(kMode, 1), IntNotEquals(kMode, 2)}, false},
      {{TextNotEmpty(kUserID)}, true},
      {{TextEmpty(kUserID)}, false},
      {{TextEmpty(kDomain), TextNotEmpty(kUserID), IntEquals(kMode, 2)}, true},
      {{TextEquals(kUserID, "U1")}, true},
      {{TextEquals(kUserID, "U")}, false},
      // Absent integers read -1 and never equal a listed value.
      {{IntEquals(kPrintType, 0)}, true},
      // A mistyped item is false rather than read out of bounds.
      {{ConditionItem{TextValue(kUserID), IntConstant(1), IntCampareFunc}}, false},
      {{ConditionItem{IntValue(kMode), TpjlValue(), nullptr}}, false},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    EXPECT_EQ(ConditionCompare(cases[i].list, *job), cases[i].expected) << "case " << i;
  }
}

// A small table in the style of the module tables, against fresh jobs.
constexpr CommandRow kSampleRows[] = {
    {"@PJL SET JOBATTR=%c@JOAU=%s%c%c%c",
     {kQuoteValue, TextValue(kUserID), kQuoteValue, kCRValue, kLFValue},
     {IntEquals(kMode, 2), TextNotEmpty(kUserID)}},
    {"@PJL SET JOBATTR=%c@JOAD=%s%c%c",
     {kQuoteValue, TextValue(kDomain), kQuoteValue, kLFValue},
     {TextNotEmpty(kDomain)}},
    {"@PJL SET JOBATTR=%c@DAID=%c%c%c", {kQuoteValue, kQuoteValue, kCRValue, kLFValue}, {}},
};

TEST(OutputTPJLCommandFromArray, WritesRowsWhoseConditionsHoldInOrder) {
  EXPECT_TRUE(ValidateCommandTable(kSampleRows));
  auto job = FreshJob();
  const TestArgs args(Key("JBAManageTypeListTicketKey") + "=2 " + Key("JBAUserIDTextEditTicket") +
                      "=/65/66/34/13/10/64/67 " + Key("JBADomainNameTextEditTicket") +
                      "='D\"1\r\n'");
  ASSERT_EQ(GetTicketFromPDE(args.Into(*job)), 1);
  CapturedStream out;
  OutputTPJLCommandFromArray(*job, kSampleRows, out.get());
  // Injected quotes and line ends were removed when the values were read.
  EXPECT_EQ(out.Contents(),
            "@PJL SET JOBATTR=\"@JOAU=AB@C\"\r\n"
            "@PJL SET JOBATTR=\"@JOAD=D1\"\n"
            "@PJL SET JOBATTR=\"@DAID=\"\r\n");

  auto empty = FreshJob();
  CapturedStream out2;
  OutputTPJLCommandFromArray(*empty, kSampleRows, out2.get());
  EXPECT_EQ(out2.Contents(), "@PJL SET JOBATTR=\"@DAID=\"\r\n");
}

// A row whose condition holds but whose text is empty would stop after its opening quote, without
// a line end, and run into the next line; it is not written at all.
TEST(OutputTPJLCommandFromArray, RowsStoppedByAnEmptyValueAreNotWritten) {
  auto job = FreshJob();
  job->features.tabMarginSwitch = 1;  // "@TABS=%s" with no margin text
  job->features.trimmerSwitch = 1;    // "@TRMR=%s" with no cutting size
  job->features.numInSequenceSwitch = -1;  // absent
  job->features.ejectOptions = 3;
  CapturedStream out;
  OutputTPJLCommandFromArray(*job, FeaturesCommandTable(), out.get());
  EXPECT_EQ(out.Contents(), "@PJL SET JOBATTR=\"@FACE=UP\"\n");

  char command[kTpjlCommandSize];
  EXPECT_FALSE(BuildPrintComand("@PJL SET JOBATTR=%c@TABS=%s%c%c",
                                {kQuoteValue, TextConstant(""), kQuoteValue, kLFValue}, *job, command));
  EXPECT_STREQ(command, "@PJL SET JOBATTR=\"");
  EXPECT_TRUE(BuildPrintComand("@PJL SET JOBATTR=%c@TABS=%s%c%c",
                               {kQuoteValue, TextConstant("5"), kQuoteValue, kLFValue}, *job, command));
}

TEST(ValidateCommandTable, FindsMalformedRowsAndAcceptsTheModuleTables) {
  const CommandRow tooFewValues[] = {{"%c%s", {kQuoteValue}, {}}};
  const CommandRow wrongKind[] = {{"%d", {kQuoteValue}, {}}};
  const CommandRow badCondition[] = {
      {"x", {}, {ConditionItem{IntValue(kMode), TextConstant("a"), IntCampareFunc}}}};
  EXPECT_FALSE(ValidateCommandTable(tooFewValues));
  EXPECT_FALSE(ValidateCommandTable(wrongKind));
  EXPECT_FALSE(ValidateCommandTable(badCondition));
  for (CommandTable table : {PrintTypeCommandTable(), JBAAdminCommandTable(), JBACommandTable(),
                             FeaturesCommandTable(), DFaxSettingCommandTable()}) {
    EXPECT_TRUE(ValidateCommandTable(table));
  }
}

const std::string kHeadLine =
    std::string("\x1b\x25\x2d\x31\x32\x33\x34\x35\x58") + "@PJL JOB MODE=DIRECTFAX" + "\x0d\x0a";

class TpjlHeaderTest : public ::testing::Test {
 protected:
  // The special page path as a submitter would put it in the ticket.
  void SetSpecialPage(const std::string& path) {
    const TestArgs args(Key("TPIFCommandFileNameTicket") + "=" + test::TicketForm(path));
    ASSERT_EQ(SpecialPageGetTicketFromPDE(args.Into(*job_)), 1);
  }
  std::string Header() {
    CapturedStream out;
    OutputTPJLCommand(TestArgs("").Into(*job_), out.get());
    return out.Contents();
  }

  TempFolder tmp_;
  TempFolder elsewhere_;
  ScopedEnv tmpdir_{"TMPDIR", tmp_.path()};
  std::unique_ptr<FilterJob> job_ = FreshJob();
};

TEST_F(TpjlHeaderTest, FrameAndTrailerBytes) {
  const std::string header = Header();
  EXPECT_EQ(header.substr(0, kHeadLine.size()), kHeadLine);
  const std::string tail = "@PJL ENTER LANGUAGE=PDF\n";
  ASSERT_GE(header.size(), tail.size());
  EXPECT_EQ(header.substr(header.size() - tail.size()), tail);
  CapturedStream trailer;
  job_->out = trailer.get();
  OutputTPJLTrailer(*job_);
  EXPECT_EQ(trailer.Contents(), "\x1b%-12345X@PJL EOJ\n");
}

TEST_F(TpjlHeaderTest, SpecialPageIsSentOnceAheadOfTheHeaderAndDeleted) {
  const std::string page(5000, 'p');  // more than two 2048-byte blocks
  const std::string path = tmp_.File("ticket.tpif");
  WriteFile(path, page);
  SetSpecialPage(path);
  // The header is built in memory; it reaches the job copy file when the document step sends it.
  const std::string first = Header();
  EXPECT_EQ(first.substr(0, page.size()), page);
  EXPECT_EQ(first.substr(page.size(), kHeadLine.size()), kHeadLine);
  EXPECT_FALSE(std::filesystem::exists(path));
  EXPECT_EQ(Header().substr(0, kHeadLine.size()), kHeadLine);  // a second job sends nothing
}

TEST_F(TpjlHeaderTest, SpecialPageOutsideTheTemporaryFolderOrNotARegularFileIsRefused) {
  const std::string outside = elsewhere_.File("secret");
  WriteFile(outside, "secret");
  ASSERT_EQ(::symlink(outside.c_str(), tmp_.File("link").c_str()), 0);
  ASSERT_EQ(::link(outside.c_str(), tmp_.File("hardlink").c_str()), 0);
  ASSERT_EQ(::mkfifo(tmp_.File("fifo").c_str(), 0600), 0);
  std::filesystem::create_directory(tmp_.File("dir"));
  WriteFile(tmp_.File("dir/nested"), "nested");

  const std::string relativeEscape = tmp_.path() + "/../" +
                                     std::filesystem::path(elsewhere_.path()).filename().string() +
                                     "/secret";
  for (const std::string& path :
       {outside, tmp_.File("link"), tmp_.File("hardlink"), tmp_.File("fifo"), tmp_.File("dir"),
        tmp_.File("dir/nested"), relativeEscape, tmp_.File("missing"), tmp_.path() + "/",
        tmp_.path() + "/.."}) {
    SetSpecialPage(path);
    CapturedStream out;
    EXPECT_FALSE(OutputSpecialPageFile(*job_, out.get())) << path;
    EXPECT_EQ(out.Contents(), "") << path;
  }
  EXPECT_TRUE(std::filesystem::exists(outside));
  EXPECT_TRUE(std::filesystem::is_symlink(tmp_.File("link")));
  EXPECT_TRUE(std::filesystem::exists(tmp_.File("dir/nested")));
}

TEST_F(TpjlHeaderTest, InitializationClearsTheSpecialPagePath) {
  SetSpecialPage("/tmp/x");
  InializeDescriptionTable(*job_);
  EXPECT_STREQ(job_->specialPage.commandFileName, "");
}

}  // namespace
}  // namespace nx::filter
