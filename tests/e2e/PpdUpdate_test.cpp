// The device options the filter reports to the print system ("PPD:" lines) on systems from
// version 0x1070 on: the server keeps them as keywords of the queue's PPD once the job is done.
// The system version is set for the filter through NX_KERNEL_RELEASE.
#include <cups/ppd.h>
#include <gtest/gtest.h>

#include <string>

#include "E2eFixture.h"

namespace nx::e2e {
namespace {

OptionList DeviceOptionTicket() {
  return {{TicketKey("DeviceOptionFaxModuleTypePopupListTicket"), "2"},
          {TicketKey("DeviceOptionPhonebookExpansionKitPopupListTicket"), "1"},
          {TicketKey("DeviceOptionOutsideExtensionKitPopupListTicket"), "2"},
          // ISDN/G4 kit absent: reported as -1.
          {TicketKey("DeviceOptionOutlineNumberEtxtTicket"), "9"},
          {TicketKey("DeviceOptionInlineNumberEtxtTicket"), "55"},
          {TicketKey("DeviceOptionPortSettingOutsideLinePopupListTicket"), "2"},
          {TicketKey("DeviceOptionPortSettingExtensionPopupListTicket"), "1"},
          {TicketKey("DFRecipientListCountTicket"), "1"},
          {TicketKey("DFRecipientListItemKeyTicket0"), "FAEN=0312345678{20}{30}{}comment"}};
}

const char* const kReportedLines[] = {
    "*FaxModuleTypePopupList: 2\n",  "*PhonebookExpansionKitPopupList: 1\n",
    "*OutsideExtensionKitPopupList: 2\n", "*ISDNG4TypePopupList: -1\n",
    "*OutlineNumberEtxt: 9\n",       "*InlineNumberEtxt: 55\n",
    "*PortSettingOutsideLinePopupList: 2\n", "*PortSettingExtensionPopupList: 1\n",
};

struct VersionCase {
  const char* name;
  const char* kernel_release;
  bool reported;
};
void PrintTo(const VersionCase& c, std::ostream* os) { *os << c.kernel_release; }

class E2ePpdUpdate : public E2eTest, public ::testing::WithParamInterface<VersionCase> {};

TEST_P(E2ePpdUpdate, DeviceOptionsBecomeQueueKeywordsFromVersion1070) {
  const VersionCase& c = GetParam();
  ServerSettings settings;
  settings.filter_env.push_back(std::string("NX_KERNEL_RELEASE ") + c.kernel_release);
  ASSERT_NO_FATAL_FAILURE(StartServer(settings));
  ASSERT_NO_FATAL_FAILURE(AddFaxQueue("fax"));
  const std::string before = server_->QueuePpd("fax");
  ASSERT_FALSE(before.empty());

  const JobOutcome job = RunJob("fax", Document(1), DeviceOptionTicket());
  EXPECT_EQ(job.state, IPP_JSTATE_COMPLETED) << job.job_message;
  ASSERT_TRUE(SplitDeviceStream(server_->DeviceOutput("fax")).ok);
  const std::string after = server_->QueuePpd("fax");
  const std::string log = server_->ErrorLog();

  if (!c.reported) {
    EXPECT_EQ(after, before) << "the queue's PPD changed";
    EXPECT_EQ(log.find("PPD: FaxModuleTypePopupList"), std::string::npos);
    return;
  }
  for (const char* line : kReportedLines) EXPECT_NE(after.find(line), std::string::npos) << line << after.substr(0, 600);
  EXPECT_NE(log.find("PPD: FaxModuleTypePopupList=\\\"2\\\""), std::string::npos);
  // The queue's PPD stays usable: it opens, and the next job goes through it.
  const std::string copy = work_.path() + "/queue.ppd";
  ASSERT_TRUE(WriteFile(copy, after));
  ppd_file_t* ppd = ppdOpenFile(copy.c_str());
  EXPECT_NE(ppd, nullptr);
  if (ppd) {
    ppd_attr_t* a = ppdFindAttr(ppd, "FaxModuleTypePopupList", nullptr);
    ASSERT_NE(a, nullptr);
    EXPECT_STREQ(a->value, "2");
    ppdClose(ppd);
  }
  const JobOutcome next = RunJob("fax", Document(1), DeviceOptionTicket());
  EXPECT_EQ(next.state, IPP_JSTATE_COMPLETED) << next.job_message;
  // Reporting again leaves one line per keyword.
  const std::string again = server_->QueuePpd("fax");
  EXPECT_EQ(again.find("*FaxModuleTypePopupList:"), again.rfind("*FaxModuleTypePopupList:"));
}

INSTANTIATE_TEST_SUITE_P(Versions, E2ePpdUpdate,
                         ::testing::Values(VersionCase{"Release14_5", "14.5.0", true},
                                           VersionCase{"Release11_0", "11.0.0", true},
                                           VersionCase{"Release10_8", "10.8", false},
                                           VersionCase{"Release6_1", "6.1.0-13-amd64", false}),
                         [](const auto& info) { return std::string(info.param.name); });

// The reported texts come from the job's ticket, so from any user: they must not be able to
// add keywords of their own to the queue's PPD.
using E2ePpdUpdateHostile = E2eTest;

TEST_F(E2ePpdUpdateHostile, ReportedTextsCannotAddKeywords) {
  ServerSettings settings;
  settings.filter_env.push_back("NX_KERNEL_RELEASE 14.5.0");
  ASSERT_NO_FATAL_FAILURE(StartServer(settings));
  ASSERT_NO_FATAL_FAILURE(AddFaxQueue("fax"));
  OptionList ticket = DeviceOptionTicket();
  for (auto& [key, value] : ticket) {
    if (key == TicketKey("DeviceOptionOutlineNumberEtxtTicket")) value = "\"Ab=1";
    if (key == TicketKey("DeviceOptionInlineNumberEtxtTicket")) value = "x\" C=";
  }
  const JobOutcome job = RunJob("fax", Document(1), ticket);
  EXPECT_EQ(job.state, IPP_JSTATE_COMPLETED) << job.job_message;
  const std::string ppd = server_->QueuePpd("fax");
  EXPECT_NE(ppd.find("*FaxModuleTypePopupList: 2\n"), std::string::npos);
  EXPECT_NE(ppd.find("*OutlineNumberEtxt:"), std::string::npos);
  EXPECT_EQ(ppd.find("\n*Ab:"), std::string::npos) << ppd.substr(0, 600);
  EXPECT_EQ(ppd.find("\n*C:"), std::string::npos) << ppd.substr(0, 600);
}

}  // namespace
}  // namespace nx::e2e
