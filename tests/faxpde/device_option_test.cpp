// The Device Option panel through the dialog host: the dependencies between its controls, the
// kit questions, the port menus, the administrator rule with per-printer preferences shared by
// every user, and the cover page and not-opened warnings on Print.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <map>

#include "faxpde/DeviceOptionPanel.h"
#include "recipient_steps.h"

namespace {

using namespace faxpde::testing;
using pdehost::DialogOutcome;

std::string DO(const std::string& body) {
  return R"({"panel": "com.norvalex.nb.q21.pde.DeviceOptionKind", )" + body + "}";
}
std::string Sel(int tag, int index) {
  return DO(R"("action": "select", "tag": )" + std::to_string(tag) + R"(, "index": )" +
            std::to_string(index));
}
std::string Expect(int tag, const std::string& what) {
  return DO(R"("action": "expect", "tag": )" + std::to_string(tag) + ", " + what);
}
// Printing to a file: the device options are written, no fax window opens.
const std::string kToFile = R"("destination": "file", )";

TEST(DeviceOption, SettingTypeDecidesWhichKitsApply) {
  struct Case {
    int typeIndex;
    bool isdn, outsideKit, expansion;
    int expansionValue;  // index shown
  };
  // The PPD's default is type 2, which forces the expansion On; type 1 then keeps it.
  const Case cases[] = {{0, true, true, true, 0},
                        {1, false, true, false, 0},
                        {2, false, false, false, 0},
                        {3, false, true, false, 0}};
  for (const auto& c : cases) {
    FaxHost h(User{"root", true});
    auto b = [](bool v) { return std::string(v ? "true" : "false"); };
    const auto report =
        h.Play(Scenario({{Sel(302, c.typeIndex), Expect(304, R"("enabled": )" + b(c.isdn)),
                          Expect(306, R"("enabled": )" + b(c.outsideKit)),
                          Expect(310, R"("enabled": )" + b(c.expansion)),
                          Expect(310, R"("value": )" + std::to_string(c.expansionValue)),
                          // Speed dial numbering: only beyond type 1 with the expansion On.
                          Expect(308, R"("enabled": )" + b(c.typeIndex != 0)), Print()}},
                        kToFile));
    ASSERT_EQ(report.outcome, DialogOutcome::kPrinted) << c.typeIndex << Failures(report);
    EXPECT_EQ(Option(report, faxpde::kFaxModuleTicketKey), std::to_string(c.typeIndex + 1));
    EXPECT_EQ(Option(report, faxpde::kExpansionTicketKey), std::to_string(c.expansionValue + 1));
  }
}

TEST(DeviceOption, OutsideLineKitQuestionAndPortMenus) {
  FaxHost h(User{"root", true});
  const auto report = h.Play(Scenario(
      {{Sel(302, 0),
        // Kit On with type 1: no question; the extension items come back, extension port default.
        Sel(306, 0), Expect(316, R"("value": 1, "itemsEnabled": [true, true])"),
        Expect(318, R"("value": 0, "itemsEnabled": [true, true])"),
        // Type 2 with the kit On asks; Cancel keeps type 1.
        Sel(302, 1), Answer(1, "Warning_DeviceOption_OutsideLine_Content_ID"),
        Expect(302, R"("value": 0)"),
        // OK takes it.
        Sel(302, 3), Answer(0, "Warning_DeviceOption_OutsideLine_Content_ID"),
        Expect(302, R"("value": 3)"),
        // Kit Off: the extension port moves to Outside and its Extension item is disabled.
        Sel(306, 1), Expect(318, R"("value": 1, "itemsEnabled": [false, true])"),
        Expect(316, R"("value": 1, "itemsEnabled": [false, true])"),
        // Kit On again with type 4 asks; Cancel leaves it Off.
        Sel(306, 0), Answer(1, "Warning_DeviceOption_OutsideLine_Content_ID"),
        Expect(306, R"("value": 1)"), Print()}},
      kToFile));
  ASSERT_EQ(report.outcome, DialogOutcome::kPrinted) << Failures(report);
  EXPECT_EQ(report.alerts.size(), 3u);
  EXPECT_EQ(Option(report, faxpde::kFaxModuleTicketKey), "4");
  EXPECT_EQ(Option(report, faxpde::kOutsideKitTicketKey), "2");
  EXPECT_EQ(Option(report, faxpde::kPortExtensionTicketKey), "2");
  EXPECT_EQ(Option(report, faxpde::kPortOutsideTicketKey), "2");
}

TEST(DeviceOption, LineNumbersAreCheckedOnSave) {
  for (const auto& [text, ok] : std::vector<std::pair<std::string, bool>>{{"9", true},
                                                                          {"     ", true},
                                                                          {"12345", true},
                                                                          {"123456", false},
                                                                          {"9[", false},
                                                                          {"9]", false},
                                                                          {"9\\", true},
                                                                          {"9,", true},
                                                                          {"9'", true},
                                                                          // Dialled inside every recipient item, which cannot carry them.
                                                                          {"9\"", false},
                                                                          {"{9}", false}}) {
    FaxHost h(User{"root", true});
    const auto report = h.Play(
        Scenario({{DO(R"("action": "paste", "tag": 312, "text": )" + Json(text)),
                   DO(R"("action": "endEditing", "tag": 312)"), Plain(R"("action": "print")")}},
                 kToFile));
    if (ok) {
      EXPECT_EQ(report.outcome, DialogOutcome::kPrinted) << text << Failures(report);
      EXPECT_EQ(Option(report, faxpde::kOutlineTicketKey), pdekit::ToTicketByteList(text)) << text;
    } else if (report.outcome == DialogOutcome::kPrinted) {
      // Refused while typing: the text never reached the field.
      EXPECT_NE(Option(report, faxpde::kOutlineTicketKey), pdekit::ToTicketByteList(text)) << text;
    } else {
      ASSERT_FALSE(report.alerts.empty()) << text;
      EXPECT_EQ(report.alerts.back().alert.text_key, "Warning527") << text;
    }
  }
}

TEST(DeviceOption, OnlyAnAdministratorChangesAndStoresOptionsForEveryUser) {
  auto prefs = std::make_shared<nx::platform::MemoryPreferences>();
  {
    FaxHost admin(User{"root", true}, prefs);
    const auto report =
        admin.Play(Scenario({{Sel(302, 0), Sel(304, 0), Sel(306, 0),
                              DO(R"("action": "enter", "tag": 312, "text": "9")"),
                              DO(R"("action": "enter", "tag": 314, "text": "5")"), Print()}},
                            kToFile));
    ASSERT_EQ(report.outcome, DialogOutcome::kPrinted) << Failures(report);
  }
  FaxHost user(User{"bob", false}, prefs);
  std::vector<std::string> steps;
  for (int tag : {302, 304, 306, 308, 310, 312, 314, 316, 318})
    steps.push_back(Expect(tag, R"("enabled": false)"));
  steps.push_back(Expect(304, R"("value": 0)"));
  steps.push_back(Expect(312, R"("text": "9")"));
  steps.push_back(Print());
  const auto report = user.Play(Scenario({steps}, kToFile));
  ASSERT_EQ(report.outcome, DialogOutcome::kPrinted) << Failures(report);
  EXPECT_EQ(Option(report, faxpde::kFaxModuleTicketKey), "1");
  EXPECT_EQ(Option(report, faxpde::kISDNG4TicketKey), "1");
  EXPECT_EQ(Option(report, faxpde::kOutsideKitTicketKey), "1");
  EXPECT_EQ(Option(report, faxpde::kOutlineTicketKey), "9");
  EXPECT_EQ(Option(report, faxpde::kInlineTicketKey), "5");
}

// ---- Who may change the options ----

// The steps that find the options open to changes (the setting type and the line numbers, which
// every setting type leaves enabled) or all of them locked.
std::vector<std::string> OptionsOpen(bool open) {
  std::vector<std::string> steps;
  if (open) {
    for (int tag : {302, 312, 314}) steps.push_back(Expect(tag, R"("enabled": true)"));
  } else {
    for (int tag : {302, 304, 306, 308, 310, 312, 314, 316, 318}) steps.push_back(Expect(tag, R"("enabled": false)"));
  }
  steps.push_back(Print());
  return steps;
}

size_t LinesWith(const std::string& text, const std::string& part) {
  size_t n = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size())) ++n;
  return n;
}

TEST(DeviceOption, RootChangesTheOptionsWithThisMachinesDatabases) {
  if (getuid() != 0) GTEST_SKIP() << "root only";
  FaxHost h(User{"root", false, kOldSystem, std::make_shared<nx::platform::LinuxIdentity>()});
  const auto report = h.Play(Scenario({OptionsOpen(true)}, kToFile));
  EXPECT_EQ(report.outcome, DialogOutcome::kPrinted) << Failures(report);
}

// The Linux identity over fixed databases: root, alice (in lpadmin besides her own group), carol
// (lpadmin is her primary group), bob (in faxadmin only).
std::shared_ptr<const nx::platform::Identity> LinuxUser(const std::string& login, const std::string& cupsFilesConf) {
  using nx::platform::FixedAccountDatabase;
  auto accounts = std::make_shared<FixedAccountDatabase>(
      login,
      std::map<std::string, FixedAccountDatabase::User, std::less<>>{
          {"root", {0, 0, {}}}, {"alice", {1000, 1000, {120}}}, {"carol", {1002, 120, {}}}, {"bob", {1001, 1001, {300}}}},
      std::map<std::string, unsigned, std::less<>>{{"lpadmin", 120}, {"sys", 3}, {"root", 0}, {"faxadmin", 300}});
  return std::make_shared<nx::platform::LinuxIdentity>("/nonexistent/machine-info", cupsFilesConf, accounts);
}

TEST(DeviceOption, ThePrintSystemsAdministratorsChangeTheOptions) {
  const std::string dir = ::testing::TempDir();
  const std::string faxadmin = dir + "/nx-faxadmin-cups-files.conf";
  std::ofstream(faxadmin) << "# who administers printers\nSystemGroup faxadmin\n";
  struct Case {
    const char* login;
    std::string conf;
    bool open;
  };
  // Without a readable cups-files.conf (as for most users on Debian) the groups are Debian's.
  const Case cases[] = {{"alice", "/nonexistent/cups-files.conf", true},
                        {"carol", "/nonexistent/cups-files.conf", true},
                        {"root", "/nonexistent/cups-files.conf", true},
                        {"bob", "/nonexistent/cups-files.conf", false},
                        {"bob", faxadmin, true},
                        {"alice", faxadmin, false},
                        {"root", faxadmin, true}};
  for (const auto& c : cases) {
    FaxHost h(User{c.login, false, kOldSystem, LinuxUser(c.login, c.conf)});
    ::testing::internal::CaptureStderr();
    const auto report = h.Play(Scenario({OptionsOpen(c.open)}, kToFile));
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(report.outcome, DialogOutcome::kPrinted) << c.login << " " << c.conf << Failures(report);
    EXPECT_EQ(err.find("administrator test"), std::string::npos) << err;
  }
  std::remove(faxadmin.c_str());
}

// A machine on which the administrator test finds no answer.
class UnansweredIdentity final : public nx::platform::Identity {
 public:
  explicit UnansweredIdentity(nx::platform::GroupMembership why) : why_(why) {}
  std::optional<std::string> LoginName() const override { return "bob"; }
  nx::platform::GroupMembership AdminMembership(std::string_view) const override { return why_; }
  std::string ComputerName() const override { return "desk"; }

 private:
  nx::platform::GroupMembership why_;
};

TEST(DeviceOption, AnUnansweredAdministratorTestLocksTheOptionsAndSaysSoOnce) {
  using nx::platform::GroupMembership;
  for (GroupMembership why :
       {GroupMembership::kGroupNotFound, GroupMembership::kUserNotFound, GroupMembership::kLookupFailed}) {
    FaxHost h(User{"bob", false, kOldSystem, std::make_shared<UnansweredIdentity>(why)});
    ::testing::internal::CaptureStderr();
    const auto report = h.Play(Scenario({OptionsOpen(false)}, kToFile));
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(report.outcome, DialogOutcome::kPrinted) << Failures(report);
    EXPECT_EQ(LinesWith(err, "UtilityService"), 0u) << err;
    EXPECT_EQ(LinesWith(err, "##Plugin debug## administrator test:"), 1u) << err;
  }
  // Quiet when it answers.
  for (bool admin : {true, false}) {
    FaxHost h(User{"bob", admin});
    ::testing::internal::CaptureStderr();
    const auto report = h.Play(Scenario({OptionsOpen(admin)}, kToFile));
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(report.outcome, DialogOutcome::kPrinted) << Failures(report);
    EXPECT_EQ(err.find("administrator"), std::string::npos) << err;
    EXPECT_EQ(err.find("UtilityService"), std::string::npos) << err;
  }
}

TEST(DeviceOption, NotOpenedAsksAndCancelStopsTheJob) {
  {
    FaxHost h;
    const auto report =
        h.Play(Scenario({{Print(), Answer(1, "Warning_DeviceOptions")}},
                        R"("show": ["com.norvalex.nb.q21.pde.DirectFaxKind"], )" + kToFile));
    EXPECT_EQ(report.outcome, DialogOutcome::kCancelled) << Failures(report);
  }
  FaxHost h;
  const auto report =
      h.Play(Scenario({{Print(), Answer(0, "Warning_DeviceOptions")}},
                      R"("show": ["com.norvalex.nb.q21.pde.DirectFaxKind"], )" + kToFile));
  ASSERT_EQ(report.outcome, DialogOutcome::kPrinted) << Failures(report);
  EXPECT_EQ(Option(report, faxpde::kFaxModuleTicketKey), "2") << "the PPD default, type 2";
}

TEST(DeviceOption, CoverPageWarnsOnceAndPrintingGoesOn) {
  for (const char* sheets : {"standard", "none,standard"}) {
    FaxHost h;
    const auto report = h.Play(
        Scenario({{Print(), Answer(0, "Warning_CoverPage_Setting")}},
                 R"("options": {"job-sheets": ")" + std::string(sheets) + R"("}, )" + kToFile));
    ASSERT_EQ(report.outcome, DialogOutcome::kPrinted) << sheets << Failures(report);
    EXPECT_EQ(report.alerts.size(), 1u) << sheets;
  }
  for (const char* sheets : {"none", "none,none"}) {
    FaxHost h;
    const auto report = h.Play(Scenario(
        {{Print()}}, R"("options": {"job-sheets": ")" + std::string(sheets) + R"("}, )" + kToFile));
    ASSERT_EQ(report.outcome, DialogOutcome::kPrinted) << sheets << Failures(report);
    EXPECT_TRUE(report.alerts.empty()) << sheets;
  }
}

TEST(DeviceOption, SummaryNamesTheValues) {
  FaxHost h(User{"root", true});
  const auto report = h.Play(Scenario({{Sel(302, 2), Print()}}, kToFile));
  ASSERT_EQ(report.outcome, DialogOutcome::kPrinted) << Failures(report);
  const auto& s = report.panels.at(0).summary.values;
  EXPECT_EQ(s.at("Fax Setting Type"), "Type 3");
  EXPECT_EQ(s.at("Phonebook Expansion Kit"), "Installed");
  EXPECT_EQ(s.at("Extension Port"), "Outside Line");
}

}  // namespace
