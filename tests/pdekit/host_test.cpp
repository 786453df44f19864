#include <gtest/gtest.h>

#include <cstdlib>

#include "pdekit/PDEHost.h"
#include "ppd_fixture.h"

namespace {

using namespace pdekit;

TEST(PrintSettings, LockedEntriesKeepTheirValue) {
  BasicPrintSettings s;
  std::string v = "untouched";
  EXPECT_EQ(s.GetValue("a", v), kPMKeyNotFound);
  EXPECT_EQ(v, "untouched");
  EXPECT_EQ(s.SetValue("a", "1", false), noErr);
  EXPECT_EQ(s.SetValue("a", "2", true), noErr);
  EXPECT_TRUE(s.IsLocked("a"));
  EXPECT_EQ(s.SetValue("a", "3", false), kPMKeyLocked);
  EXPECT_EQ(s.GetValue("a", v), noErr);
  EXPECT_EQ(v, "2");
  EXPECT_EQ(s.SetValue("", "x", false), paramErr);
  s.SetValue("b", "", false);
  EXPECT_EQ(s.Entries(), (std::vector<std::pair<std::string, std::string>>{{"a", "2"}, {"b", ""}}));
}

TEST(PrintSession, PrinterDataAndDestination) {
  BasicPrintSession session("Fax_Queue", kPMDestinationPreview);
  std::string id;
  EXPECT_EQ(session.GetCurrentPrinterID(id), noErr);
  EXPECT_EQ(id, "Fax_Queue");
  int type = 0;
  EXPECT_EQ(session.GetDestinationType(nullptr, type), noErr);
  EXPECT_EQ(type, kPMDestinationPreview);
  SessionValue value;
  EXPECT_EQ(session.GetSessionData(kPMPPDReference, value), kPMKeyNotFound);
  EXPECT_EQ(session.SetSessionData(kPMPPDReference, std::string("/etc/cups/ppd/Fax_Queue.ppd")), noErr);
  EXPECT_EQ(session.SetSessionData("count", int64_t{3}), noErr);
  ASSERT_EQ(session.GetSessionData("count", value), noErr);
  EXPECT_EQ(std::get<int64_t>(value), 3);
  session.SetCurrentPrinterID("");
  EXPECT_EQ(session.GetCurrentPrinterID(id), kPMInvalidPrinter);
}

TEST(HostCallback, AcceptedChoicesAreMarkedRefusedOnesAreNot) {
  nx::testing::TempDir dir;
  auto ppd = pdekit::testing::Ppd(dir, pdekit::testing::SimplePpd(""));
  ASSERT_TRUE(ppd);
  BasicPrintSession session("Q");
  BasicPrintSettings settings;
  BasicHostCallback host(&session, &settings, ppd.get());
  host.RefuseOption("InputSlot");
  EXPECT_EQ(host.printSession(), &session);
  EXPECT_EQ(host.printSettings(), &settings);
  EXPECT_TRUE(host.willChangePPDOptionKeyValue("Duplex", "DuplexTumble"));
  EXPECT_TRUE(ppdFindChoice(ppdFindOption(ppd.get(), "Duplex"), "DuplexTumble")->marked);
  EXPECT_FALSE(host.willChangePPDOptionKeyValue("InputSlot", "Tray1"));
  EXPECT_FALSE(ppdFindChoice(ppdFindOption(ppd.get(), "InputSlot"), "Tray1")->marked);
  EXPECT_FALSE(host.willChangePPDOptionKeyValue("Duplex", "NoSuchChoice"));
  EXPECT_FALSE(pdekit::OpenPPDFile(dir / "absent.ppd"));
}

// The fax queue's PPD in the session's language: Japanese texts from its *ja lines, English ones
// otherwise, and the process's own language settings untouched afterwards.
TEST(OpenPPDFile, TheFaxPpdSpeaksTheSessionsLanguage) {
  struct Text {
    const char* option;
    const char* choice;  // nullptr: the option's own text
    const char* english;
    const char* japanese;
  };
  const Text texts[] = {
      {"NXFaxModule", nullptr, "Fax Setting Type", "\u30d5\u30a1\u30af\u30b9\u8a2d\u5b9a\u30bf\u30a4\u30d7"},
      {"NXFaxModule", "SIPFaxAndFaxMini", "Type 4 (IP fax and fax kit)",
       "\u30bf\u30a4\u30d7 4 (IP\u30d5\u30a1\u30af\u30b9\u3068\u30d5\u30a1\u30af\u30b9\u30ad\u30c3\u30c8)"},
      {"NXFaxResolution", nullptr, "Fax Resolution", "\u30d5\u30a1\u30af\u30b9\u89e3\u50cf\u5ea6"},
      {"NXFaxResolution", "Normal", "Normal (200 x 100 dpi)", "\u666e\u901a (200 x 100 dpi)"},
      {"NXTransmissionReport", "OnError", "On Error", "\u30a8\u30e9\u30fc\u6642\u306e\u307f"},
      {"PageSize", "A4", "A4", "A4"},
  };
  setenv("LC_ALL", "C", 1);
  for (const char* language : {"en", "ja", "ja_JP", "fr"}) {
    SCOPED_TRACE(language);
    PpdFilePtr ppd = OpenPPDFile(NX_SOURCE_DIR "/ppd/nxfax.ppd", language);
    ASSERT_TRUE(ppd);
    const bool japanese = std::string(language).rfind("ja", 0) == 0;
    for (const Text& t : texts) {
      ppd_option_t* option = ppdFindOption(ppd.get(), t.option);
      ASSERT_NE(option, nullptr) << t.option;
      ppd_choice_t* choice = t.choice ? ppdFindChoice(option, t.choice) : nullptr;
      ASSERT_TRUE(!t.choice || choice) << t.choice;
      EXPECT_STREQ(choice ? choice->text : option->text, japanese ? t.japanese : t.english) << t.option;
    }
    // The choices the filter reads are the same in every language.
    EXPECT_STREQ(ppdFindMarkedChoice(ppd.get(), "NXFaxModule")->choice, "FaxMini");
    EXPECT_STREQ(std::getenv("LC_ALL"), "C");
  }
  unsetenv("LC_ALL");
  EXPECT_TRUE(OpenPPDFile(NX_SOURCE_DIR "/ppd/nxfax.ppd", "ja"));
  EXPECT_FALSE(OpenPPDFile(NX_SOURCE_DIR "/ppd/absent.ppd", "ja"));
  EXPECT_EQ(std::getenv("LC_ALL"), nullptr);
}

// A plug-in as small as the protocol allows.
class TinyPanel : public PDEPanel {
 public:
  explicit TinyPanel(PDEHostCallback* host) : host_(host) {}
  nx::platform::ui::View* panelView() override { return nullptr; }
  std::string panelName() override { return "Tiny"; }
  std::string panelKind() override { return "com.norvalex.test.TinyKind"; }
  std::optional<std::vector<std::string>> supportedPPDOptionKeys() override { return std::nullopt; }
  void willShow() override {}
  bool shouldHide() override { return true; }
  bool restoreValuesAndReturnError(std::string*) override { return true; }
  bool saveValuesAndReturnError(std::string*) override {
    return host_->printSettings()->SetValue("com.norvalex.nb.qtz.printsettings.TinyTicket", "1", false) == noErr;
  }
  SummaryInfo summaryInfo() override { return {{{"Tiny", "On"}}, {"Tiny"}}; }
  bool shouldPrint() override { return true; }
  bool shouldShowHelp() override { return false; }
  void PPDOptionKeyValueDidChange(std::string_view, std::string_view) override {}

 private:
  PDEHostCallback* host_;
};

class TinyPlugIn : public PDEPlugIn {
 public:
  bool initWithBundle(const nx::platform::Bundle&, nx::platform::Services&) override { return true; }
  std::vector<std::unique_ptr<PDEPanel>> PDEPanelsForType(std::string_view type, PDEHostCallback* host) override {
    std::vector<std::unique_ptr<PDEPanel>> panels;
    if (type == kPrintDialogPDEType) panels.push_back(std::make_unique<TinyPanel>(host));
    return panels;
  }
};

NX_PDE_EXPORT_ENTRY_POINT(TinyPlugIn)

TEST(EntryPoint, CreatesThePrincipalObjectForItsInterfaceVersion) {
  EXPECT_EQ(NXCreatePDEPlugIn(kPDEInterfaceVersion + 1), nullptr);
  std::unique_ptr<PDEPlugIn> plugin(NXCreatePDEPlugIn(kPDEInterfaceVersion));
  ASSERT_TRUE(plugin);
  BasicPrintSession session("Q");
  BasicPrintSettings settings;
  BasicHostCallback host(&session, &settings, nullptr);
  EXPECT_TRUE(plugin->PDEPanelsForType("00000000-0000-0000-0000-000000000000", &host).empty());
  auto panels = plugin->PDEPanelsForType(kPrintDialogPDEType, &host);
  ASSERT_EQ(panels.size(), 1u);
  EXPECT_TRUE(panels[0]->saveValuesAndReturnError(nullptr));
  EXPECT_EQ(settings.Entries().front().first, "com.norvalex.nb.qtz.printsettings.TinyTicket");
  EXPECT_EQ(panels[0]->summaryInfo().displayOrder, std::vector<std::string>{"Tiny"});
}

}  // namespace
