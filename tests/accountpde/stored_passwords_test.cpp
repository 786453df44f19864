// Passwords the panels keep between dialogs: the secure print PIN in protected form in either
// preference store, a clear PIN of an earlier version taken once and stored protected, and a
// whole round of every password field of both plug-ins after which neither the preference
// files nor the print settings hold a clear password.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "EncryptLib.h"
#include "account_fixture.h"
#include "nx/platform/folders.h"
#include "pdehost/JobOptions.h"
#include "pdekit/UtilityFunction.h"

namespace {

using namespace accountpde::testing;
using pdehost::DialogOutcome;
namespace enc = ::nx::encrypt;

// The ticket form (XOR scrambling and base64).
std::string TicketForm(const std::string& password) {
  char buffer[256] = {};
  password.copy(buffer, sizeof buffer - 1);
  const char* out = pdekit::encode(buffer, static_cast<int>(password.size()), sizeof buffer);
  return out ? out : "";
}

// The stored form (storage encryption and base64).
std::string StoredForm(const std::string& plain) {
  std::vector<unsigned char> cipher(static_cast<size_t>(enc::StorageCipherLen(static_cast<int>(plain.size()))));
  int cipherLength = static_cast<int>(cipher.size());
  EXPECT_EQ(enc::Encode_Storage(plain.data(), static_cast<int>(plain.size()), enc::seed1, enc::seed1Len, enc::seed2,
                                enc::seed2Len, enc::seed3, enc::seed3Len, cipher.data(), &cipherLength),
            enc::kEncSuccess);
  std::string text(static_cast<size_t>(4 * ((cipherLength + 2) / 3)), '\0');
  int textLength = 0;
  EXPECT_EQ(enc::XSPBinToB64(cipher.data(), cipherLength, text.data(), &textLength, static_cast<int>(text.size())),
            enc::kXspSuccess);
  return text;
}

std::string On(const std::string& target, const std::string& body) { return "{" + target + ", " + body + "}"; }
const std::string kPane = R"("panel": "com.norvalex.nb.qm08.pde.AccountKind")";
const std::string kPrintType = R"("panel": "com.norvalex.nb.qm08.pde.PrintTypeKind")";
const std::string kFax = R"("panel": "com.norvalex.nb.q21.pde.DirectFaxKind")";
std::string Window(const char* name) { return std::string(R"("window": ")") + name + "\""; }
const std::string kUserWnd = Window("JBAInfoWnd");
const std::string kAdminWnd = Window("JBAInfoAdminWnd");
const std::string kInputWnd = Window("JBAInputWindow");
const std::string kRecipientWnd = Window("RecipientSetting_Default00");
const std::string kCommWnd = Window("FaxCommunicationSettings");
const std::string kJobWnd = Window("FaxJobConfirmation");

std::string Click(const std::string& target, int tag) {
  return On(target, R"("action": "click", "tag": )" + std::to_string(tag));
}
std::string Enter(const std::string& target, int tag, const std::string& text) {
  return On(target, R"("action": "enter", "tag": )" + std::to_string(tag) + R"(, "text": ")" + text + "\"");
}
std::string Select(const std::string& target, int tag, int index) {
  return On(target, R"("action": "select", "tag": )" + std::to_string(tag) + R"(, "index": )" + std::to_string(index));
}
const std::string kPrint = R"({"action": "print"})";
std::string Scenario(const std::vector<std::string>& steps, const std::string& extra = "") {
  std::string out = "{" + extra + R"("steps": [)";
  for (size_t i = 0; i < steps.size(); ++i) out += (i ? ",\n" : "") + steps[i];
  return out + "]}";
}

const std::string kPinKey = Key("PrintTypePasswordReference");
const nx::platform::PrefDomain kByHost{std::string(nx::platform::kAnyApplication), nx::platform::PrefUser::kCurrent,
                                       nx::platform::PrefHost::kCurrent};

std::string StoredText(nx::platform::MemoryPreferences& prefs, const std::string& key) {
  const auto value = prefs.CopyValue(key, kByHost);
  return value && value->AsString() ? *value->AsString() : "<absent>";
}

// The stored values of the print settings, as the next dialog finds them.
pdehost::JobOptionList StoredOptions(const pdehost::DialogReport& report) {
  pdehost::JobOptionList out;
  for (const auto& [key, value] : report.jobOptions)
    if (key.size() > 9 && key.compare(key.size() - 9, 9, "Reference") == 0) out.emplace_back(key, value);
  return out;
}

std::vector<std::string> SecurePrint(const std::string& pin) {
  return {Select(kPrintType, 102, 1), Enter(kPrintType, 103, "U1"), Enter(kPrintType, 104, pin)};
}

TEST(StoredPIN, KeptProtectedInEitherStoreAndReadBack) {
  for (const char* kernel : {kOldSystem, kNewSystem}) {
    SCOPED_TRACE(kernel);
    auto prefs = std::make_shared<nx::platform::MemoryPreferences>();
    pdehost::JobOptionList stored;
    {
      AccountHost h(User{"alice", false, kernel}, prefs);
      auto steps = SecurePrint("738291");
      steps.push_back(kPrint);
      const auto report = h.Play(Scenario(steps));
      ASSERT_EQ(report.outcome, DialogOutcome::kPrinted) << Failures(report);
      stored = StoredOptions(report);
      if (kernel == kOldSystem) {
        EXPECT_EQ(StoredText(*prefs, "Fax" + kPinKey), StoredForm("738291"));
      } else {
        EXPECT_EQ(StoredText(*prefs, "Fax" + kPinKey), "<absent>");
        EXPECT_EQ(Option(report, kPinKey), StoredForm("738291"));
      }
    }
    AccountHost h(User{"alice", false, kernel}, prefs);
    auto setup = h.Setup();
    setup.options = stored;
    const auto report = h.Play(Scenario({On(kPrintType, R"("action": "expect", "tag": 102, "value": 1)"), kPrint}),
                               setup);
    ASSERT_EQ(report.outcome, DialogOutcome::kPrinted) << Failures(report);
    EXPECT_EQ(Option(report, Key("PrintTypePasswordTicketKey")), TicketForm("738291"));
  }
}

// A PIN an earlier version stored in clear is taken and replaced by its protected form as the
// dialog opens; a stored text that is neither protected nor a PIN is not taken.
TEST(StoredPIN, ClearValueOfAnEarlierVersionIsTakenOnceAndStoredProtected) {
  struct Case {
    const char* stored;
    const char* pinTaken;
  };
  for (const Case c : {Case{"4321", "4321"}, Case{"", ""}, Case{"12ab", ""}, Case{"1234567890123", ""}}) {
    SCOPED_TRACE(c.stored);
    // Before 0x1070: the per-printer preference; the dialog is only opened and cancelled.
    auto prefs = std::make_shared<nx::platform::MemoryPreferences>();
    prefs->SetValue("Fax" + Key("PrintTypeReference"), nx::platform::PropertyValue("2"), kByHost);
    prefs->SetValue("Fax" + Key("PrintTypeUserNameReference"), nx::platform::PropertyValue("U1"), kByHost);
    prefs->SetValue("Fax" + kPinKey, nx::platform::PropertyValue(c.stored), kByHost);
    {
      AccountHost h(User{}, prefs);
      const auto report = h.Play(Scenario({R"({"action": "cancel"})"}));
      ASSERT_TRUE(report.failures.empty()) << Failures(report);
    }
    const bool taken = std::string(c.stored) == c.pinTaken;
    EXPECT_EQ(StoredText(*prefs, "Fax" + kPinKey), taken ? StoredForm(c.stored) : c.stored);
    AccountHost h(User{}, prefs);
    const auto old = h.Play(Scenario({kPrint}));
    ASSERT_EQ(old.outcome, DialogOutcome::kPrinted) << Failures(old);
    EXPECT_EQ(Option(old, Key("PrintTypePasswordTicketKey")), TicketForm(c.pinTaken));

    // From 0x1070: the value in the print settings.
    AccountHost n(User{"alice", false, kNewSystem});
    auto setup = n.Setup();
    setup.options = {{Key("PrintTypeReference"), "2"}, {Key("PrintTypeUserNameReference"), "U1"}, {kPinKey, c.stored}};
    const auto report = n.Play(Scenario({kPrint}), setup);
    ASSERT_EQ(report.outcome, DialogOutcome::kPrinted) << Failures(report);
    EXPECT_EQ(Option(report, Key("PrintTypePasswordTicketKey")), TicketForm(c.pinTaken));
    EXPECT_EQ(Option(report, kPinKey), StoredForm(c.pinTaken));
  }
}

// ---- A whole round of every password field, with the preferences in files ----

// The passwords of the round; none of them may be found in clear afterwards.
const std::vector<std::string> kRoundPasswords = {"uKey#4471", "aKey#5582", "iKey#6693", "738291", "4817",
                                                  "#5520*91"};

struct FileHost {
  FileHost(const std::string& root, const char* kernel) {
    auto tk = nx::testing::MakeScenarioToolkit();
    toolkit = tk.get();
    services = std::make_unique<nx::platform::Services>(
        std::make_unique<nx::platform::FilePreferences>(root + "/Preferences", root + "/AnyUserPreferences",
                                                        "host-1"),
        std::make_unique<nx::platform::RootedFolders>(root),
        std::make_unique<nx::platform::FixedIdentity>("root", true, "Front Desk"),
        std::make_unique<nx::platform::FixedNetwork>("pc1", std::vector<std::string>{"192.168.1.10"}),
        std::make_unique<nx::platform::RecordingHelp>(), std::make_unique<nx::platform::FixedKernelRelease>(kernel),
        std::move(tk));
    host = std::make_unique<pdehost::DialogHost>(*services, *toolkit);
  }
  pdehost::DialogReport Play(const std::vector<std::string>& steps, std::vector<std::string> bundles,
                             const pdehost::JobOptionList& options, const std::string& extra = "") {
    pdehost::Scenario scenario;
    std::string why;
    if (!pdehost::ParseScenario(Scenario(steps, extra), NX_ACCOUNTPDE_SCENARIOS, &scenario, &why))
      throw std::runtime_error(why);
    pdehost::DialogSetup setup;
    setup.bundlesDir = NX_ACCOUNTPDE_BUNDLES;
    setup.bundles = std::move(bundles);
    setup.queue = "Fax";
    setup.ppdPath = std::string(NX_SOURCE_DIR) + "/ppd/nxfax.ppd";
    setup.options = options;
    if (scenario.destination) setup.destination = *scenario.destination;
    if (!host->Open(setup, &why)) throw std::runtime_error(why);
    return host->Run(scenario);
  }
  pdehost::ScenarioToolkit* toolkit = nullptr;
  std::unique_ptr<nx::platform::Services> services;
  std::unique_ptr<pdehost::DialogHost> host;
};

std::string ReadWhole(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

TEST(StoredPasswords, NoClearPasswordInThePreferenceFilesOrPrintSettingsAfterARound) {
  for (const char* kernel : {kOldSystem, kNewSystem}) {
    SCOPED_TRACE(kernel);
    const bool oldStore = kernel == kOldSystem;
    char tmpl[] = "/tmp/accountpde-round-XXXXXX";
    ASSERT_NE(::mkdtemp(tmpl), nullptr);
    const std::string root = tmpl;
    std::vector<std::string> printSettings;

    // User-mode details, a secure print and a fax recipient sent securely to a mailbox with an
    // F-code password.
    pdehost::JobOptionList carried;
    {
      FileHost h(root, kernel);
      const auto report = h.Play(
          {Click(kPane, 5), Select(kUserWnd, 22, 1), Enter(kUserWnd, 26, "bob"), Enter(kUserWnd, 29, "uKey#4471"),
           Click(kUserWnd, 10), Select(kPrintType, 102, 1), Enter(kPrintType, 103, "U1"),
           Enter(kPrintType, 104, "738291"), kPrint, Enter(kRecipientWnd, 2, "Abc"),
           Enter(kRecipientWnd, 7, "0312345678"), Click(kRecipientWnd, 5),
           On(kRecipientWnd, R"("action": "selectRows", "tag": 4, "rows": [0])"), Click(kRecipientWnd, 16),
           Click(kCommWnd, 31), Enter(kCommWnd, 41, "7"), Enter(kCommWnd, 43, "4817"), Enter(kCommWnd, 71, "123"),
           Enter(kCommWnd, 73, "#5520*91"), Click(kCommWnd, 10), Click(kRecipientWnd, 19), Click(kJobWnd, 16)},
          {"accountpde.plugin", "faxpde.plugin"}, {});
      ASSERT_EQ(report.outcome, DialogOutcome::kPrinted) << Failures(report);
      // The passwords did reach the job, in their ticket forms.
      EXPECT_EQ(Option(report, Key("JBAUserPasswordTextEditTicket")), TicketForm("uKey#4471"));
      EXPECT_EQ(Option(report, Key("PrintTypePasswordTicketKey")), TicketForm("738291"));
      EXPECT_NE(Option(report, Key("DFRecipientListItemKeyTicket") + "0").find(TicketForm("#5520*91")),
                std::string::npos);
      if (!oldStore) {
        EXPECT_EQ(Option(report, kPinKey), StoredForm("738291"));
      }
      printSettings.push_back(pdehost::FormatOptionString(report.jobOptions));
      carried = StoredOptions(report);
    }
    // Administrator-mode details with the details asked for with each job.
    {
      FileHost h(root, kernel);
      std::vector<std::string> steps;
      pdehost::JobOptionList options = carried;
      if (oldStore) steps.push_back(Select(kPane, 2, 0));
      else options.emplace_back(Key("JBAManageTypeListReference"), "1");
      for (const std::string& s :
           {Click(kPane, 5), Select(kAdminWnd, 22, 1), Enter(kAdminWnd, 26, "dept7"), Enter(kAdminWnd, 29, "aKey#5582"),
            Click(kAdminWnd, 30), Click(kAdminWnd, 10), kPrint, Enter(kInputWnd, 46, "carol"),
            Enter(kInputWnd, 48, "iKey#6693"), Click(kInputWnd, 10)})
        steps.push_back(s);
      const auto report = h.Play(steps, {"accountpde.plugin"}, options);
      ASSERT_EQ(report.outcome, DialogOutcome::kPrinted) << Failures(report);
      EXPECT_EQ(Option(report, Key("JBAAdminUserPasswordTextEditTicket")), TicketForm("aKey#5582"));
      EXPECT_EQ(Option(report, Key("JBAInputUserPasswordTextEditTicket")), TicketForm("iKey#6693"));
      printSettings.push_back(pdehost::FormatOptionString(report.jobOptions));
      carried = StoredOptions(report);
    }
    // Opened again: the stored PIN is read back from its protected form.
    {
      FileHost h(root, kernel);
      const auto report = h.Play({On(kPrintType, R"("action": "expect", "tag": 102, "value": 1)"), kPrint},
                                 {"accountpde.plugin", "faxpde.plugin"}, carried, R"("destination": "file", )");
      ASSERT_EQ(report.outcome, DialogOutcome::kPrinted) << Failures(report);
      EXPECT_EQ(Option(report, Key("PrintTypePasswordTicketKey")), TicketForm("738291"));
      printSettings.push_back(pdehost::FormatOptionString(report.jobOptions));
    }

    size_t files = 0;
    bool pinFound = false;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
      if (!entry.is_regular_file()) continue;
      ++files;
      const std::string text = ReadWhole(entry.path());
      pinFound = pinFound || text.find(StoredForm("738291")) != std::string::npos;
      for (const std::string& password : kRoundPasswords)
        EXPECT_EQ(text.find(password), std::string::npos) << "\"" << password << "\" in " << entry.path() << ":\n"
                                                           << text;
    }
    for (const std::string& settings : printSettings)
      for (const std::string& password : kRoundPasswords)
        EXPECT_EQ(settings.find(password), std::string::npos) << "\"" << password << "\" in the print settings:\n"
                                                               << settings;
    // From 0x1070 on the print settings are the store: no preference file is written at all.
    EXPECT_EQ(files > 0, oldStore);
    EXPECT_EQ(pinFound, oldStore) << "the old-style store keeps the PIN in its protected form";
    std::filesystem::remove_all(root);
  }
}

}  // namespace
