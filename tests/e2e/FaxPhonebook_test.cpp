// The fax phonebook from the print dialog to the device: the stand-in dialog builds a phonebook
// through the windows (a new book, two individuals, a group of both), picks the group as the
// recipients and submits the job to the private print server. The device gets one recipient
// line per member of the group.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "DialogJob.h"
#include "E2eFixture.h"
#include "FaxDialog.h"

namespace nx::e2e {
namespace {

#if defined(NX_PDEHOST_PATH) && defined(NX_FAXPDE_BUNDLES_DIR)

std::string In(const char* window, const std::string& body) {
  return std::string(R"({"window": ")") + window + R"(", )" + body + "}";
}
std::string Select(const std::string& body) { return In("Phonebook_Default00", body); }
std::string NewEntry(const std::string& body) { return In("FaxPBNewEntry", body); }
std::string Individual(const std::string& body) { return In("FaxPBIndividualEntry", body); }
std::string Group(const std::string& body) { return In("FaxPBGroupEntry", body); }

using E2eFaxPhonebook = DialogJobTest;

TEST_F(E2eFaxPhonebook, AGroupBuiltInThePhonebookGivesOneRecipientLinePerMember) {
  ASSERT_NO_FATAL_FAILURE(StartServer());
  ASSERT_NO_FATAL_FAILURE(AddFaxQueue("fax", {}));

  const std::string book = work_.path() + "/office.fap";
  std::vector<std::string> steps{
      R"({"action": "print"})",
      Rec(R"("action": "click", "tag": 14)"),
      Select(R"("action": "click", "tag": 1)"),
      R"({"action": "chooseFile", "path": ")" + book + "\"}"};
  for (const auto& [name, number] : {std::pair{"Ann", "0311112222"}, std::pair{"Bob", "0333334444"}}) {
    steps.push_back(Select(R"("action": "click", "tag": 8)"));
    steps.push_back(NewEntry(R"("action": "click", "tag": 3)"));
    steps.push_back(Individual(std::string(R"("action": "enter", "tag": 21, "text": ")") + name + "\""));
    steps.push_back(Individual(std::string(R"("action": "enter", "tag": 27, "text": ")") + number + "\""));
    steps.push_back(Individual(R"("action": "click", "tag": 10)"));
  }
  for (const std::string& step :
       {Select(R"("action": "click", "tag": 8)"), NewEntry(R"("action": "click", "tag": 2)"),
        NewEntry(R"("action": "click", "tag": 3)"), Group(R"("action": "enter", "tag": 21, "text": "Team")"),
        Group(R"("action": "selectRows", "tag": 23, "rows": [0, 1])"), Group(R"("action": "click", "tag": 25)"),
        Group(R"("action": "click", "tag": 10)"),
        // The phonebook list: the two individuals, then the group.
        Select(R"("action": "expect", "tag": 5, "itemCount": 3)"),
        Select(R"("action": "selectRows", "tag": 5, "rows": [2])"), Select(R"("action": "click", "tag": 6)"),
        Select(R"("action": "click", "tag": 15)"), Rec(R"("action": "expect", "tag": 4, "itemCount": 2)"),
        Rec(R"("action": "click", "tag": 19)"), Job(R"("action": "click", "tag": 16)")})
    steps.push_back(step);
  CommandResult dialog;
  ASSERT_NO_FATAL_FAILURE(RunDialog(FaxScenario(steps),
                                    {"Invoice", {}, NX_FAXPDE_BUNDLES_DIR, "9.8.0", {"XDG_DATA_HOME=" + work_.path() + "/data"}},
                                    &dialog));
  ASSERT_NO_FATAL_FAILURE(WaitForDialogJob(dialog));

  const DeviceStream stream = SplitDeviceStream(server_->DeviceOutput("fax"));
  ASSERT_TRUE(stream.ok) << stream.problem;
  const std::string expected =
      "@PJL SET JOBATTR=\"@FCRD=3\"\r\n"
      "@PJL SET JOBATTR=\"@OLEK=1\"\r\n"
      "@PJL SET JOBATTR=\"@IPFK=1\"\r\n"
      "@PJL SET RESOLUTION=200\r\n@PJL SET JOBATTR=\"@FARE=NORMAL\"\r\n"
      "@PJL SET JOBATTR=\"@TRRE=ONERROR\"\r\n"
      "@PJL SET JOBATTR=\"@TXHE=ON\"\r\n"
      "@PJL SET PAPER=A4\r\n"
      "@PJL SET JOBATTR=\"@FAEN=0311112222{20}{30}{7QW5u}{}comment\"\r\n"
      "@PJL SET JOBATTR=\"@FAEN=0333334444{20}{30}{7Qm9i}{}comment\"\r\n"
      "@PJL SET JOBATTR=\"@IEXT=STANDARD\"\r\n";
  EXPECT_EQ(Visible(FaxLines(stream.header)), Visible(expected)) << Visible(stream.header);
  EXPECT_TRUE(std::filesystem::exists(book));
}

#endif

}  // namespace
}  // namespace nx::e2e
