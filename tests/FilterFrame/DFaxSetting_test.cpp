// The fax module: recipient items (bounded whatever the count says), the generation-2 refusal,
// the device-option report to the print system, and the fax lines of the header.
#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <map>
#include <string>

#include "DeviceEncoding.h"
#include "FaxSettingModule.h"
#include "TableTestSupport.h"
#include "TpjlTables.h"
#include "nx/platform/system_version.h"

namespace nx::filter {
namespace {

using test::ByteList;
using test::CapturedStream;
using test::Entries;
using test::ScopedEnv;
using test::TempFolder;
using test::TestArgs;
using test::Visible;

std::string ItemKey(const std::string& index) { return "DFRecipientListItemKeyTicket" + index; }

std::string RecipientLine(const std::string& item) {
  return "@PJL SET JOBATTR=\"@" + item + "\"\r\n";
}
const std::string kClosingLine = "@PJL SET JOBATTR=\"@IEXT=STANDARD\"\r\n";

// The fax lines of the header for `job`: the fax table, then what follows it.
std::string FaxLines(FilterJob& job, const TestArgs& args) {
  CapturedStream out;
  InjectTPIFCommandFaxSetting(args.Into(job), out.get());
  return out.Contents();
}

// A PPD for the generation test: `generation` is the default choice of "NXPlatformGeneration",
// or nullptr for a PPD without that option.
std::string WritePpd(const TempFolder& dir, const char* generation) {
  std::string ppd =
      "*PPD-Adobe: \"4.3\"\n*FormatVersion: \"4.3\"\n*FileVersion: \"1.0\"\n"
      "*LanguageVersion: English\n*LanguageEncoding: ISOLatin1\n*PCFileName: \"NXTEST.PPD\"\n"
      "*Manufacturer: \"Test\"\n*Product: \"(Test)\"\n*ModelName: \"Test\"\n"
      "*ShortNickName: \"Test\"\n*NickName: \"Test\"\n";
  if (generation != nullptr) {
    ppd += std::string("*OpenUI *NXPlatformGeneration/Device Generation: PickOne\n") +
           "*DefaultNXPlatformGeneration: " + generation + "\n" +
           "*NXPlatformGeneration 1/Generation 1: \"\"\n" +
           "*NXPlatformGeneration 2/Generation 2: \"\"\n" + "*CloseUI: *NXPlatformGeneration\n";
  }
  const std::string path = dir.File("queue.ppd");
  test::WriteFile(path, ppd);
  return path;
}

// --- Recipient items --------------------------------------------------------------------------

struct RecipientCase {
  const char* name;
  Entries ticket;
  std::vector<std::string> items;  // the recipient lines' items, in order
};

void PrintTo(const RecipientCase& c, std::ostream* os) { *os << c.name; }

class RecipientItemsTest : public ::testing::TestWithParam<RecipientCase> {};

TEST_P(RecipientItemsTest, OneLinePerItemUpToTheHighestIndexPresent) {
  ScopedEnv noPpd("PPD", std::nullopt);
  auto job = test::FreshJob();
  const TestArgs args(test::OptionString(GetParam().ticket));
  CapturedStream err;
  const auto start = std::chrono::steady_clock::now();
  ASSERT_EQ(test::ReadTicket(args.Into(*job), 0x1000, err.get()), 1);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
  EXPECT_EQ(job->faxRecipientItems.size(), GetParam().items.size());

  std::string expected = test::TableLines(*job, DFaxSettingCommandTable());
  for (const std::string& item : GetParam().items) expected += RecipientLine(item);
  expected += kClosingLine;
  EXPECT_EQ(Visible(FaxLines(*job, args)), Visible(expected));
  EXPECT_TRUE(job->faxRecipientItems.empty()) << "the items are released once written";
}

const std::string kItemA = "FAEN=90312345678{20}{30}{7QWJj}{}comment";
const std::string kItemB = "SFEN=192.168.1.20{22}{30}{}comment";
const std::string kSpeedDial = "FAEN='0012'{}comment";

// The recipient window's escaped form: every byte as a signed 8-bit number.
std::string SignedByteList(const std::string& text) {
  std::string list;
  for (char c : text) list += "/" + std::to_string(static_cast<signed char>(c));
  return list;
}

INSTANTIATE_TEST_SUITE_P(
    Tickets, RecipientItemsTest,
    ::testing::Values(
        RecipientCase{
            "TwoItems",
            {{"DFRecipientListCountTicket", "2"}, {ItemKey("0"), kItemA}, {ItemKey("1"), kItemB}},
            {kItemA, kItemB}},
        RecipientCase{
            "Count3WithItem1Absent",
            {{"DFRecipientListCountTicket", "3"}, {ItemKey("0"), kItemA}, {ItemKey("2"), kItemB}},
            {kItemA, "", kItemB}},
        RecipientCase{
            "CountAboveTheItemsPresent",
            {{"DFRecipientListCountTicket", "5"}, {ItemKey("0"), kItemA}, {ItemKey("1"), kItemB}},
            {kItemA, kItemB}},
        RecipientCase{
            "ItemsAtOrBeyondTheCountAreNotRead",
            {{"DFRecipientListCountTicket", "1"}, {ItemKey("0"), kItemA}, {ItemKey("1"), kItemB}},
            {kItemA}},
        RecipientCase{"PaddedOrSignedIndicesAreNotItems",
                      {{"DFRecipientListCountTicket", "3"},
                       {ItemKey("0"), kItemA},
                       {ItemKey("01"), kItemB},
                       {ItemKey("+2"), kItemB},
                       {ItemKey("2x"), kItemB},
                       {ItemKey(""), kItemB}},
                      {kItemA}},
        RecipientCase{"CountOfABillionWithTwoItems",
                      {{"DFRecipientListCountTicket", "1000000000"},
                       {ItemKey("0"), kItemA},
                       {ItemKey("1"), kItemB}},
                      {kItemA, kItemB}},
        RecipientCase{"IndexFarAboveTheRecipientLimitIsNotRead",
                      {{"DFRecipientListCountTicket", "1000000000"},
                       {ItemKey("0"), kItemA},
                       {ItemKey("999999999"), kItemB},
                       {ItemKey("600"), kItemB}},
                      {kItemA}},
        RecipientCase{"LastIndexBelowTheLimit",
                      {{"DFRecipientListCountTicket", "700"}, {ItemKey("599"), kItemB}},
                      [] {
                        std::vector<std::string> items(600);
                        items.back() = kItemB;
                        return items;
                      }()},
        RecipientCase{"EscapedItemsAreDecoded",
                      {{"DFRecipientListCountTicket", "2"},
                       {ItemKey("0"), SignedByteList(kSpeedDial)},
                       {ItemKey("1"), ByteList(kSpeedDial)}},
                      {kSpeedDial, kSpeedDial}},
        RecipientCase{"InjectedQuotesAndLineEndsAreRemoved",
                      {{"DFRecipientListCountTicket", "1"},
                       {ItemKey("0"), ByteList("FAEN=1\"\r\n@PJL SET HOLD=OFF\r\n{}comment\x7f")}},
                      {"FAEN=1@PJL SET HOLD=OFF{}comment"}},
        RecipientCase{"CountWithoutItems", {{"DFRecipientListCountTicket", "2"}}, {}},
        RecipientCase{
            "CountZero", {{"DFRecipientListCountTicket", "0"}, {ItemKey("0"), kItemA}}, {}},
        RecipientCase{"CountAbsent", {{ItemKey("0"), kItemA}}, {}}),
    [](const auto& info) { return std::string(info.param.name); });

// --- Lists the device would take only in part ------------------------------------------------

struct FaultCase {
  const char* name;
  Entries ticket;
  RecipientListFault fault;
  std::int32_t index;    // the recipient index the fault names
  const char* refusal;   // the refusal text; nullptr: the job goes on
};

void PrintTo(const FaultCase& c, std::ostream* os) { *os << c.name; }

class RecipientListFaultTest : public ::testing::TestWithParam<FaultCase> {};

Entries CountAndItems(std::int32_t count, std::int32_t from, std::int32_t to) {
  Entries ticket = {{"DFRecipientListCountTicket", std::to_string(count)}};
  for (std::int32_t i = from; i < to; ++i) ticket.push_back({ItemKey(std::to_string(i)), kItemA});
  return ticket;
}

TEST_P(RecipientListFaultTest, EveryRecipientBelowTheCountOrTheJobIsRefused) {
  const FaultCase& c = GetParam();
  ScopedEnv noPpd("PPD", std::nullopt);
  ScopedEnv noLang("LANG", std::nullopt);
  ScopedEnv noAppleLanguage("APPLE_LANGUAGE", std::nullopt);
  auto job = test::FreshJob();
  const TestArgs args(test::OptionString(c.ticket));
  ASSERT_EQ(test::ReadTicket(args.Into(*job)), 1);
  EXPECT_EQ(job->faxRecipientFault, c.fault);
  EXPECT_EQ(job->faxRecipientFaultIndex, c.index);
  EXPECT_EQ(ShouldCancelJobAndShowError(*job), c.refusal != nullptr);
  if (c.refusal != nullptr) {
    EXPECT_EQ(RecipientRefusalText(*job), c.refusal);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Lists, RecipientListFaultTest,
    ::testing::Values(
        FaultCase{"EmptyItem",
                  {{"DFRecipientListCountTicket", "1"}, {ItemKey("0"), ""}},
                  RecipientListFault::kEmpty, 0, "Fax recipient 1 of 1 is empty."},
        FaultCase{"ItemOfLineBreaksAndQuotesOnly",
                  {{"DFRecipientListCountTicket", "1"}, {ItemKey("0"), ByteList("\r\n\"\x7f")}},
                  RecipientListFault::kEmpty, 0, "Fax recipient 1 of 1 is empty."},
        FaultCase{"ItemNotUtf8",
                  {{"DFRecipientListCountTicket", "1"}, {ItemKey("0"), ByteList("\xff\xfe")}},
                  RecipientListFault::kEmpty, 0, "Fax recipient 1 of 1 is empty."},
        FaultCase{"CountWithoutItems", {{"DFRecipientListCountTicket", "2"}},
                  RecipientListFault::kMissing, 0, "Fax recipient 1 of 2 is missing from the job."},
        FaultCase{"CountAboveTheItemsPresent", CountAndItems(5, 0, 2), RecipientListFault::kMissing,
                  2, "Fax recipient 3 of 5 is missing from the job."},
        FaultCase{"Gap",
                  {{"DFRecipientListCountTicket", "3"}, {ItemKey("0"), kItemA}, {ItemKey("2"), kItemB}},
                  RecipientListFault::kMissing, 1, "Fax recipient 2 of 3 is missing from the job."},
        FaultCase{"ItemsOnlyAtOrBeyondTheCount", CountAndItems(2, 2, 4), RecipientListFault::kMissing,
                  0, "Fax recipient 1 of 2 is missing from the job."},
        FaultCase{"ItemsOnlyBeyondTheLimit", CountAndItems(1000, 600, 602),
                  RecipientListFault::kTooMany, 600,
                  "The fax job has 1000 recipients; a job takes at most 600."},
        FaultCase{"FifteenHundredItems", CountAndItems(1500, 0, 1500), RecipientListFault::kTooMany,
                  600, "The fax job has 1500 recipients; a job takes at most 600."},
        FaultCase{"OneAboveTheLimit", CountAndItems(601, 0, 601), RecipientListFault::kTooMany, 600,
                  "The fax job has 601 recipients; a job takes at most 600."},
        // Lists the device takes whole.
        FaultCase{"AtTheLimit", CountAndItems(600, 0, 600), RecipientListFault::kNone, 0, nullptr},
        FaultCase{"LeftOverItemsBeyondTheCount", CountAndItems(1, 0, 3), RecipientListFault::kNone,
                  0, nullptr},
        FaultCase{"ItemOfOneSpace", {{"DFRecipientListCountTicket", "1"}, {ItemKey("0"), "' '"}},
                  RecipientListFault::kNone, 0, nullptr},
        FaultCase{"NoCount", {{ItemKey("0"), ""}}, RecipientListFault::kNone, 0,
                  "Please enter a fax number."}),
    [](const auto& info) { return std::string(info.param.name); });

// A job read twice (tests reuse jobs) carries no verdict of the first reading into the second.
TEST(DFaxSetting, EachReadingGivesItsOwnVerdict) {
  auto job = test::FreshJob();
  const TestArgs broken(test::OptionString({{"DFRecipientListCountTicket", "2"}, {ItemKey("0"), kItemA}}));
  ASSERT_EQ(test::ReadTicket(broken.Into(*job)), 1);
  ASSERT_EQ(job->faxRecipientFault, RecipientListFault::kMissing);
  const TestArgs whole(test::OptionString({{"DFRecipientListCountTicket", "1"}, {ItemKey("0"), kItemA}}));
  ASSERT_EQ(test::ReadTicket(whole.Into(*job)), 1);
  EXPECT_EQ(job->faxRecipientFault, RecipientListFault::kNone);
  EXPECT_FALSE(ShouldCancelJobAndShowError(*job));
}

TEST(DFaxSetting, NoRecipientCancelsTheJob) {
  for (const char* count : {"", "0", "-3", "1"}) {
    auto job = test::FreshJob();
    Entries ticket = {{ItemKey("0"), kItemA}};
    if (*count) ticket.push_back({"DFRecipientListCountTicket", count});
    const TestArgs args(test::OptionString(ticket));
    EXPECT_EQ(test::ReadTicket(args.Into(*job)), 1) << count;
    EXPECT_EQ(ShouldCancelJobAndShowError(*job), std::string(count) != "1") << count;
  }
}

TEST(DFaxSetting, ItemsBeyondTheLimitAreTraced) {
  auto job = test::FreshJob();
  const TestArgs args(test::OptionString(
      {{"DFRecipientListCountTicket", "1000"}, {ItemKey("0"), kItemA}, {ItemKey("600"), kItemB}}));
  CapturedStream err;
  ASSERT_EQ(test::ReadTicket(args.Into(*job), 0x1000, err.get()), 1);
  EXPECT_EQ(err.Contents(), "##filter debug## recipient items from index 600 on are not sent\n");
}

TEST(DFaxSetting, ItemsFilledByOtherMeansAreCleanedWhenWritten) {
  auto job = test::FreshJob();
  job->faxRecipientItems.resize(1);
  std::snprintf(job->faxRecipientItems[0].data(), kRecipientItemSize, "%s",
                "FAEN=1\"\r\n@PJL SET HOLD=OFF");
  const TestArgs args("");
  const std::string lines = FaxLines(*job, args);
  EXPECT_NE(lines.find(RecipientLine("FAEN=1@PJL SET HOLD=OFF") + kClosingLine), std::string::npos)
      << Visible(lines);
}

// --- Generation-2 refusal -------------------------------------------------------------------

struct GenerationCase {
  const char* name;
  const char* ppd;  // "none": no PPD file; "plain": a PPD without the option; else the default
  std::vector<std::string> items;
  int result;
};

void PrintTo(const GenerationCase& c, std::ostream* os) { *os << c.name; }

class GenerationTest : public ::testing::TestWithParam<GenerationCase> {};

TEST_P(GenerationTest, Generation2RefusesApostrophesAndRelaySend) {
  const GenerationCase& c = GetParam();
  TempFolder dir;
  const std::string ppdName = c.ppd;
  std::optional<std::string> ppd;
  if (ppdName != "none") ppd = WritePpd(dir, ppdName == "plain" ? nullptr : c.ppd);
  ScopedEnv ppdEnv("PPD", ppd);

  Entries ticket = {{"DFRecipientListCountTicket", std::to_string(c.items.size())}};
  for (std::size_t i = 0; i < c.items.size(); ++i) {
    ticket.push_back({ItemKey(std::to_string(i)), ByteList(c.items[i])});
  }
  auto job = test::FreshJob();
  const TestArgs args(test::OptionString(ticket));
  ASSERT_EQ(test::ReadTicket(args.Into(*job)), c.result);
  if (c.result == 0) {
    EXPECT_TRUE(job->faxRecipientItems.empty());
    return;
  }
  ASSERT_EQ(job->faxRecipientItems.size(), c.items.size());
  for (std::size_t i = 0; i < c.items.size(); ++i) {
    char device[kRecipientItemSize];
    ConvertUTF8ToEncoding(c.items[i], device, sizeof device);
    EXPECT_STREQ(job->faxRecipientItems[i].data(), device) << "passes unchanged";
  }
}

const char kRelay[] = "FAEN=0312345678{100121000500#3}{20}{30}{}comment";
const char kPlain[] = "FAEN=0312345678{20}{30}{}comment";
// A full-width plus sign (Shift_JIS 81 7B) before a 1: its second byte is no brace.
const char kWidePlusOne[] =
    "FAEN=\xef\xbc\x8b"
    "1{20}{30}{}comment";

INSTANTIATE_TEST_SUITE_P(
    Devices, GenerationTest,
    ::testing::Values(GenerationCase{"RelaySendOnGeneration2", "2", {kRelay}, 0},
                      GenerationCase{"SpeedDialOnGeneration2", "2", {kSpeedDial}, 0},
                      GenerationCase{"SecondItemRefusesTheJob", "2", {kPlain, kRelay}, 0},
                      GenerationCase{"PlainNumberOnGeneration2", "2", {kPlain, kWidePlusOne}, 1},
                      GenerationCase{"RelaySendOnGeneration1", "1", {kRelay, kSpeedDial}, 1},
                      GenerationCase{"PpdWithoutGeneration", "plain", {kRelay, kSpeedDial}, 1},
                      GenerationCase{"NoPpd", "none", {kRelay, kSpeedDial}, 1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DFaxSetting, Generation2ItemTestWalksCharacters) {
  EXPECT_TRUE(IsItemUnavailableOnGeneration2("a{1"));
  EXPECT_TRUE(IsItemUnavailableOnGeneration2("'"));
  EXPECT_TRUE(IsItemUnavailableOnGeneration2("\x81\x40{1"));  // after a whole character
  EXPECT_FALSE(IsItemUnavailableOnGeneration2("\x81{1"));     // 81 7B is one character
  EXPECT_FALSE(IsItemUnavailableOnGeneration2("{ 1}{2}"));
  EXPECT_FALSE(IsItemUnavailableOnGeneration2("{"));
  EXPECT_FALSE(IsItemUnavailableOnGeneration2("\x81"));  // a lone lead byte at the end
  EXPECT_TRUE(IsItemUnavailableOnGeneration2("\xFD'"));  // 0xFD leads no character: the quote counts
  EXPECT_TRUE(IsItemUnavailableOnGeneration2("\xFF{1"));
  EXPECT_FALSE(IsItemUnavailableOnGeneration2(nullptr));
}

// A job reads the queue's PPD once, when it is set up; the next job sees the file as it is then.
TEST(DFaxSetting, EachJobReadsTheQueuePpdAsItIsThen) {
  TempFolder dir;
  const std::string path = WritePpd(dir, "2");
  ScopedEnv ppdEnv("PPD", path);
  {
    const auto job = test::JobWith("");
    EXPECT_TRUE(IsGeneration2Device(*job));
    WritePpd(dir, "1");  // the same path, the same size
    EXPECT_TRUE(IsGeneration2Device(*job)) << "read once per job";
    TempFolder otherDir;
    ScopedEnv otherEnv("PPD", WritePpd(otherDir, "1"));
    EXPECT_TRUE(IsGeneration2Device(*job)) << "the job keeps its own queue's PPD";
  }
  EXPECT_FALSE(IsGeneration2Device(*test::JobWith(""))) << "the next job sees the rewritten file";
  {
    WritePpd(dir, "2");
    const auto job = test::JobWith("");
    EXPECT_TRUE(IsGeneration2Device(*job));
    ::unlink(path.c_str());
    EXPECT_TRUE(IsGeneration2Device(*job));
  }
  EXPECT_FALSE(IsGeneration2Device(*test::JobWith(""))) << "no file, no generation 2";
}

// --- Device-option report --------------------------------------------------------------------

const Entries kDeviceOptions = {{"DeviceOptionFaxModuleTypePopupListTicket", "2"},
                                {"DeviceOptionPhonebookExpansionKitPopupListTicket", "1"},
                                {"DeviceOptionSpeedDialPopupListTicket", "2"},
                                {"DeviceOptionOutsideExtensionKitPopupListTicket", "1"},
                                {"DeviceOptionISDNG4TypePopupListTicket", "0"},
                                {"DeviceOptionOutlineNumberEtxtTicket", "9"},
                                {"DeviceOptionInlineNumberEtxtTicket", "12"},
                                {"DeviceOptionPortSettingOutsideLinePopupListTicket", "2"},
                                {"DeviceOptionPortSettingExtensionPopupListTicket", "1"},
                                {"DFRecipientListCountTicket", "1"}};

std::string Report(const Entries& ticket, const char* kernelRelease) {
  auto job = test::FreshJob();
  const TestArgs args(test::OptionString(ticket));
  CapturedStream err;
  const int version = platform::SystemVersionFromRelease(kernelRelease);
  EXPECT_EQ(DFaxSettingGetTicketFromPDE(args.Into(*job), version, err.get()), 1);
  return err.Contents();
}

TEST(DeviceOptionReport, EightLinesFrom0x1070On) {
  ASSERT_EQ(platform::SystemVersionFromRelease("11.0"), 0x1070);
  const std::string expected =
      "PPD: FaxModuleTypePopupList=\"2\"\n"
      "PPD: PhonebookExpansionKitPopupList=\"1\"\n"
      "PPD: OutsideExtensionKitPopupList=\"1\"\n"
      "PPD: ISDNG4TypePopupList=\"0\"\n"
      "PPD: OutlineNumberEtxt=\"9\"\n"
      "PPD: InlineNumberEtxt=\"12\"\n"
      "PPD: PortSettingOutsideLinePopupList=\"2\"\n"
      "PPD: PortSettingExtensionPopupList=\"1\"\n";
  EXPECT_EQ(Report(kDeviceOptions, "11.0"), expected);
  EXPECT_EQ(Report(kDeviceOptions, "14.5"), expected);
}

TEST(DeviceOptionReport, NothingBelow0x1070) {
  ASSERT_EQ(platform::SystemVersionFromRelease("10.15"), 0x106F);
  EXPECT_EQ(Report(kDeviceOptions, "10.15"), "");
  EXPECT_EQ(Report(kDeviceOptions, "6.1.0-18-amd64"), "");
}

TEST(DeviceOptionReport, AbsentKeysReportMinusOneAndEmptyTexts) {
  EXPECT_EQ(Report({}, "11.0"),
            "PPD: FaxModuleTypePopupList=\"-1\"\n"
            "PPD: PhonebookExpansionKitPopupList=\"-1\"\n"
            "PPD: OutsideExtensionKitPopupList=\"-1\"\n"
            "PPD: ISDNG4TypePopupList=\"-1\"\n"
            "PPD: OutlineNumberEtxt=\"\"\n"
            "PPD: InlineNumberEtxt=\"\"\n"
            "PPD: PortSettingOutsideLinePopupList=\"-1\"\n"
            "PPD: PortSettingExtensionPopupList=\"-1\"\n");
}

// The print system parses each "PPD:" line as name=value options and writes the values into the
// queue's PPD: a text value must come back as exactly one value, whatever it holds.
TEST(DeviceOptionReport, TextsCannotForgeLinesOrLoseTheirQuotes) {
  struct Case {
    std::string ticket;  // as the panel stores it
    std::string parsed;  // what the print system reads back
  } cases[] = {
      {ByteList("1\nPPD: X=\"y\""), "1PPD"},  // cut to the field's 5 bytes first
      {ByteList("\"\r\n\x1b"
                "9"),
       "9"},
      {ByteList("9\\"), "9\\"},                // a backslash the panel allows (device byte 5C)
      {ByteList("\xc2\xa5\xc2\xa5"), "\\\\"},  // yen signs, also 5C in the device encoding
      {ByteList("\x7f"), ""},
  };
  for (const Case& c : cases) {
    const std::string report = Report({{"DeviceOptionOutlineNumberEtxtTicket", c.ticket},
                                       {"DeviceOptionInlineNumberEtxtTicket", c.ticket}},
                                      "11.0");
    std::vector<std::string> lines;
    for (std::size_t start = 0, end; start < report.size(); start = end + 1) {
      end = report.find('\n', start);
      lines.push_back(report.substr(start, end - start));
    }
    ASSERT_EQ(lines.size(), 8u) << Visible(report);
    for (int i : {4, 5}) {
      const std::string& line = lines[static_cast<std::size_t>(i)];
      ASSERT_EQ(line.rfind("PPD: ", 0), 0u) << Visible(line);
      const TicketOptions parsed(line.c_str() + 5);
      ASSERT_EQ(parsed.size(), 1) << Visible(line);
      EXPECT_EQ(std::string(parsed.name(0)), i == 4 ? "OutlineNumberEtxt" : "InlineNumberEtxt");
      EXPECT_EQ(Visible(parsed.value(0)), Visible(c.parsed)) << Visible(line);
    }
  }
}

}  // namespace
}  // namespace nx::filter
