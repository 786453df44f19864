// The job copy file under the print server: with the flag file in the driver's system folder,
// the filter (running as the print system's user, with the server's TMPDIR) keeps a copy of
// exactly what the device received, readable by the administrator's group afterwards.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "E2eFixture.h"

namespace nx::e2e {
namespace {

struct CopyCase {
  const char* kernel_release;
  const char* prefix;  // "kt" in TMPDIR above version 0x109F, else "nx" in the private temp folder
};

void PrintTo(const CopyCase& c, std::ostream* os) { *os << c.kernel_release; }

class E2eJobCopy : public E2eTest, public ::testing::WithParamInterface<CopyCase> {};

TEST_P(E2eJobCopy, HoldsExactlyTheDeviceStream) {
  ServerSettings settings;
  settings.filter_env.push_back(std::string("NX_KERNEL_RELEASE ") + GetParam().kernel_release);
  ASSERT_NO_FATAL_FAILURE(StartServer(settings));
  ASSERT_NO_FATAL_FAILURE(AddFaxQueue("fax"));
  ASSERT_TRUE(WriteFile(server_->root() + "/nx-system/nxjobcopy", ""));
  const OptionList ticket = {{TicketKey("DFRecipientListCountTicket"), "1"},
                             {TicketKey("DFRecipientListItemKeyTicket0"), "FAEN=0312345678{20}{30}{}comment"}};
  const JobOutcome job = RunJob("fax", Document(2), ticket);
  EXPECT_EQ(job.state, IPP_JSTATE_COMPLETED) << job.job_message;
  const std::string device = server_->DeviceOutput("fax");
  ASSERT_TRUE(SplitDeviceStream(device).ok);

  // Both places are the server's temporary folder here; the name tells which one was chosen.
  std::vector<std::string> copies;
  for (const auto& entry : std::filesystem::directory_iterator(server_->root() + "/spool/tmp")) {
    const std::string name = entry.path().filename().string();
    if (name.size() == 2 + 14 + 4 && name.rfind(GetParam().prefix, 0) == 0 && name.ends_with(".job")) {
      copies.push_back(entry.path().string());
    }
  }
  ASSERT_EQ(copies.size(), 1u) << "no job copy named " << GetParam().prefix << "<time>.job";
  EXPECT_TRUE(ReadFile(copies[0]) == device) << "the copy differs from the device stream";
  struct stat st;
  ASSERT_EQ(stat(copies[0].c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0676u);
}

INSTANTIATE_TEST_SUITE_P(Versions, E2eJobCopy,
                         ::testing::Values(CopyCase{"14.5.0", "kt"}, CopyCase{"6.1.0", "nx"}),
                         [](const auto& info) { return std::string(info.param.prefix); });

}  // namespace
}  // namespace nx::e2e
