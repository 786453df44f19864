// The direct fax example through the whole main flow, with the user and title as the print
// system passes them and the host and its address from the platform's network double; and the
// jobs the fax module makes the flow refuse.
#include <gtest/gtest.h>

#include <string>

#include "../support/fax_job_lines.h"
#include "FilterMainTestSupport.h"
#include "TableTestSupport.h"

namespace nx::filter {
namespace {

using test::ByteList;
using test::FilterArgs;
using test::FlowEnvironment;
using test::FlowRun;
using test::FlowSetup;
using test::OptionString;
using test::ScopedEnv;
using test::Visible;

const std::string kTypedIn = "FAEN=90312345678{20}{30}{7QWJj}{}comment";
const std::string kSpeedDial = "FAEN='0012'{}comment";
const std::string kRelay = "FAEN=0312345678{100121000500#3}{20}{30}{}comment";

std::string FaxTicket(std::int64_t count, const std::vector<std::string>& items) {
  test::Entries ticket = {{"DeviceOptionFaxModuleTypePopupListTicket", "2"},
                          {"DeviceOptionOutsideExtensionKitPopupListTicket", "0"},
                          {"DFFaxResolutionPopupListTicket", "2"},
                          {"DFTransmissionReportPopupListTicket", "2"},
                          {"DFaxSendHeaderTicket", "1"},
                          {"DFRecipientPaperSizeTicket", "A4"},
                          {"DFRecipientListCountTicket", std::to_string(count)}};
  for (std::size_t i = 0; i < items.size(); ++i) {
    ticket.push_back({"DFRecipientListItemKeyTicket" + std::to_string(i), ByteList(items[i])});
  }
  return OptionString(ticket);
}

FlowSetup Mac1() {
  FlowSetup setup;
  setup.hostName = "mac1";
  setup.addresses = {"127.0.0.1", "192.168.1.10"};
  return setup;
}

TEST(GoldenJobFlow, DirectFaxToTwoRecipients) {
  FlowEnvironment env;
  FilterArgs args("alice", "Fax", FaxTicket(2, {kTypedIn, kSpeedDial}));
  const FlowRun run = RunFlow(args, Mac1());
  EXPECT_EQ(run.status, 0) << run.err;
  const std::string expected =
      nx::testing::ExampleFaxHeaderFromMac1() + test::kFakeDocument + "\x1b%-12345X@PJL EOJ\n";
  EXPECT_EQ(Visible(run.out), Visible(expected));
  EXPECT_EQ(run.out, expected);
}

// A job printed on a desktop and sent on to this server: only the lines naming the computer
// differ from the same job printed here, whichever name the job brings.
TEST(GoldenJobFlow, DirectFaxFromAnotherComputer) {
  FlowEnvironment env;
  const std::string fax = FaxTicket(2, {kTypedIn, kSpeedDial});
  const std::string here = nx::testing::ExampleFaxHeaderFromMac1();
  const auto from = [&](const std::string& name, const std::string& address) {
    std::string header = here;
    header.replace(header.find("mac1"), 4, name);
    header.replace(header.find("IC0A8010A"), 9, address);
    return header + test::kFakeDocument + "\x1b%-12345X@PJL EOJ\n";
  };
  FilterArgs server("alice", "Fax", fax + " job-originating-host-name=192.168.1.20");
  const FlowRun fromServer = RunFlow(server, Mac1());
  EXPECT_EQ(fromServer.status, 0) << fromServer.err;
  EXPECT_EQ(Visible(fromServer.out), Visible(from("192.168.1.20", "IC0A80114")));

  FilterArgs panels("alice", "Fax",
                    fax + " job-originating-host-name=192.168.1.20 " +
                        OptionString({{"JBAMacHostNameStringTicket", test::ByteList("Desk 7")},
                                      {"JBAHostNameStringTicket", "desk7"},
                                      {"JBAIPAddressStringTicket", "I0A000007"}}));
  const FlowRun fromPanels = RunFlow(panels, Mac1());
  EXPECT_EQ(fromPanels.status, 0) << fromPanels.err;
  EXPECT_EQ(Visible(fromPanels.out), Visible(from("desk7", "I0A000007")));

  FilterArgs local("alice", "Fax", fax + " job-originating-host-name=localhost");
  const FlowRun fromHere = RunFlow(local, Mac1());
  EXPECT_EQ(fromHere.out, here + test::kFakeDocument + "\x1b%-12345X@PJL EOJ\n");
}

struct RefusalCase {
  const char* name;
  const char* generation;  // the queue PPD's NXPlatformGeneration default; nullptr: no PPD
  std::int64_t count;
  std::vector<std::string> items;
  const char* error;  // nullptr: the job goes through
};

void PrintTo(const RefusalCase& c, std::ostream* os) { *os << c.name; }

class FaxRefusalTest : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(FaxRefusalTest, RefusedJobsWriteNothingAndExit255) {
  const RefusalCase& c = GetParam();
  FlowEnvironment env;
  std::optional<std::string> ppd;
  if (c.generation) {
    ppd = env.folder().File("queue.ppd");
    test::WriteFile(
        *ppd, std::string("*PPD-Adobe: \"4.3\"\n*FormatVersion: \"4.3\"\n") +
                  "*FileVersion: \"1.0\"\n*LanguageVersion: English\n" +
                  "*LanguageEncoding: ISOLatin1\n*PCFileName: \"NX.PPD\"\n" +
                  "*Manufacturer: \"Test\"\n*Product: \"(Test)\"\n" +
                  "*ModelName: \"Test\"\n*ShortNickName: \"Test\"\n" + "*NickName: \"Test\"\n" +
                  "*OpenUI *NXPlatformGeneration/Generation: PickOne\n" +
                  "*DefaultNXPlatformGeneration: " + c.generation + "\n" +
                  "*NXPlatformGeneration 1/One: \"\"\n" + "*NXPlatformGeneration 2/Two: \"\"\n" +
                  "*CloseUI: *NXPlatformGeneration\n");
  }
  ScopedEnv ppdEnv("PPD", ppd);
  FilterArgs args("alice", "Fax", FaxTicket(c.count, c.items));
  const FlowRun run = RunFlow(args, Mac1());
  if (c.error == nullptr) {
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("@PJL SET JOBATTR=\"@IEXT=STANDARD\"\r\n"), std::string::npos);
    return;
  }
  EXPECT_EQ(run.status, 255);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, std::string("the file type being printed is:document\n") + c.error + "\n");
}

const char kUnavailable[] = "ERROR:<A specified feature is unavailable for the current device.>";
const char kNoNumber[] = "ERROR:<Please enter a fax number.>";

INSTANTIATE_TEST_SUITE_P(
    Jobs, FaxRefusalTest,
    ::testing::Values(
        RefusalCase{"RelaySendOnGeneration2", "2", 1, {kRelay}, kUnavailable},
        RefusalCase{"SpeedDialOnGeneration2", "2", 2, {kTypedIn, kSpeedDial}, kUnavailable},
        RefusalCase{"HugeCountOnGeneration2", "2", 1000000000, {kTypedIn, kRelay}, kUnavailable},
        RefusalCase{"RelayAndSpeedDialOnGeneration1", "1", 2, {kRelay, kSpeedDial}, nullptr},
        RefusalCase{"NoRecipient", nullptr, 0, {kTypedIn}, kNoNumber},
        RefusalCase{"NegativeCount", "2", -1, {kRelay}, kNoNumber}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace nx::filter
