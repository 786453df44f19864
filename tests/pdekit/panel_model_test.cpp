// The panel model: adding controls, finding them through child windows, bulk operations in
// order, binding to the host's objects, modal child windows, localization from the PPD.
#include <gtest/gtest.h>

#include "control_fixture.h"
#include "nx/platform/help.h"
#include "pdekit/PopupControl.h"
#include "pdekit/SimpleControls.h"
#include "pdekit/StateControls.h"
#include "pdekit/TextEditCtrl.h"
#include "ppd_fixture.h"

namespace {

using namespace pdekit;
using namespace pdekit::testing;
using nx::platform::PrefUser;
using nx::platform::ui::ElementKind;
using nx::platform::ui::Step;

const CheckBoxIniData kBoxIni{0, 1, -1, "Send Header"};
constexpr DataAccessInfo kBoxAccess{0, 0, "com.norvalex.nb.qtz.printsettings.BoxTicket",
                                    "com.norvalex.nb.qtz.printsettings.BoxReference"};
const TextEditIniData kTextIni{"", "", 0, 32};

std::shared_ptr<PopupWinInPanel> Child(PanelFixture& f, const std::string& name) {
  return std::make_shared<PopupWinInPanel>(f.toolkit->CreateWindow(name, ""), name + " Title", &f.host, *f.services);
}

std::shared_ptr<CheckBox> BoxIn(BasePrintPanel& panel, int tag, const DataAccessInfo* access = &kBoxAccess) {
  auto box = std::make_shared<CheckBox>(&panel.GetPanelControlPtr()->AddElement(ElementKind::kCheckBox, tag), &kBoxIni,
                                        nullptr, access, PrefUser::kCurrent);
  panel.RunTimeAddNewControl(box);
  box->InitializeCtrl(nullptr, nullptr);
  return box;
}

TEST(Panel, ControlsWithoutElementAreNotAdded) {
  PanelFixture f;
  auto box = BoxIn(*f.panel, 1);
  auto orphan = std::make_shared<CheckBox>(nullptr, &kBoxIni, nullptr, &kBoxAccess, PrefUser::kCurrent);
  EXPECT_EQ(f.panel->RunTimeAddNewControl(orphan), 1);
  EXPECT_EQ(f.panel->getCtrlGroupArrayRef().size(), 1u);
  EXPECT_EQ(orphan->GetParentPanel(), nullptr);
  EXPECT_EQ(f.panel->RunTimeAddNewControl(std::make_shared<CheckBox>(&f.Add(ElementKind::kCheckBox, 2), &kBoxIni,
                                                                      nullptr, nullptr, PrefUser::kCurrent)),
            1);
}

TEST(Panel, GetPanelControlLooksInOwnControlsWatchersThenChildren) {
  PanelFixture f;
  auto own = BoxIn(*f.panel, 1);
  auto a = Child(f, "A");
  auto b = Child(f, "B");
  EXPECT_EQ(f.panel->RunTimeAddNewWindow(a), 0);
  EXPECT_EQ(f.panel->RunTimeAddNewWindow(b), 1);
  EXPECT_EQ(a->GetParentWnd(), f.panel.get());
  auto inA = BoxIn(*a, 1);  // same tag as the pane's own control
  auto inB = BoxIn(*b, 7);
  auto watcher = std::make_shared<InstallableControl>(&f.Add(ElementKind::kCustom, 5), "NXHardDisk",
                                                      std::span<const InstallableConstrain>());
  f.panel->RunTimeAddNewInstallableControl(watcher);
  EXPECT_EQ(f.panel->GetPanelControl(1), own.get());
  EXPECT_EQ(f.panel->GetPanelControl(5), watcher.get());
  EXPECT_EQ(f.panel->GetPanelControl(7), inB.get());
  EXPECT_EQ(f.panel->GetPanelControl(99), nullptr);
  EXPECT_EQ(b->GetPanelControl(1), nullptr);  // a child does not look upwards
  // A control in a child window constrains a control of a sibling through the pane.
  static constexpr int kList[] = {7, 0};
  inA->DisableControlConstrains(kList);
  EXPECT_TRUE(inB->GetControlPtr()->IsEnabled());  // a child resolves only within itself
  own->DisableControlConstrains(kList);
  EXPECT_FALSE(inB->GetControlPtr()->IsEnabled());
}

TEST(Panel, AFailedPreferenceReadGivesTheDefaultNotThePreviousValue) {
  PanelFixture f;
  auto box = BoxIn(*f.panel, 1);
  const int32_t zero = 0;
  box->setExternalValueToData(&zero, sizeof zero, 2);
  ASSERT_EQ(box->GetState(), 0);
  EXPECT_EQ(f.panel->GetValueFromPreference(), 0);
  EXPECT_EQ(box->GetState(), 1);  // the ini default
  box->setExternalValueToData(&zero, sizeof zero, 2);
  ASSERT_TRUE(box->SetValueToPreference());
  box->SetControlValueToDefault();
  f.panel->GetValueFromPreference();
  EXPECT_EQ(box->GetState(), 0);  // the stored value
}

// Records, when its constraints are replayed, what the other control shows.
class SpyBox : public CheckBox {
 public:
  using CheckBox::CheckBox;
  nx::platform::ui::Element* other = nullptr;
  std::vector<int> seen;
  bool SimulationUIEventHandler() override {
    seen.push_back(other->IntValue());
    return CheckBox::SimulationUIEventHandler();
  }
};

TEST(Panel, EveryValueIsShownBeforeAnyConstraintIsReplayed) {
  PanelFixture f;
  auto first = std::make_shared<SpyBox>(&f.Add(ElementKind::kCheckBox, 1), &kBoxIni, nullptr, nullptr,
                                        PrefUser::kCurrent);
  f.Wire(first);
  auto second = f.Wire(std::make_shared<CheckBox>(&f.Add(ElementKind::kCheckBox, 2), &kBoxIni, nullptr, nullptr,
                                                  PrefUser::kCurrent));
  first->other = second->GetControlPtr();
  f.panel->GetValueFromPreference();  // defaults: both 1
  f.panel->SetCurrentValueToUI();
  EXPECT_EQ(first->seen, std::vector<int>{1});
  first->seen.clear();
  f.panel->SetDefaultValueToUI();  // control by control, as the Restore button does
  EXPECT_EQ(first->seen, std::vector<int>{1});
}

// A control whose writers succeed or fail as told.
class ScriptedControl : public CheckBox {
 public:
  ScriptedControl(nx::platform::ui::Element* e, bool ok) : CheckBox(e, &kBoxIni, nullptr, nullptr, PrefUser::kCurrent), ok_(ok) {}
  bool SetValueToPreference() override {
    ++calls;
    return ok_;
  }
  bool SetValueToPreferenceWithPrinterSettings() override { return SetValueToPreference(); }
  int calls = 0;

 private:
  bool ok_;
};

TEST(Panel, PreferenceStoringReportsAnyFailedWriter) {
  PanelFixture f;
  EXPECT_EQ(f.panel->SetValueToPreference(), 0);  // nothing to store
  auto failing = std::make_shared<ScriptedControl>(&f.Add(ElementKind::kCheckBox, 1), false);
  auto fine = std::make_shared<ScriptedControl>(&f.Add(ElementKind::kCheckBox, 2), true);
  f.panel->RunTimeAddNewControl(failing);
  f.panel->RunTimeAddNewControl(fine);
  EXPECT_EQ(f.panel->SetValueToPreference(), 1);  // the last writer succeeded, an earlier one did not
  EXPECT_EQ(fine->calls, 1);

  PanelFixture g;
  auto own = std::make_shared<ScriptedControl>(&g.Add(ElementKind::kCheckBox, 1), true);
  g.panel->RunTimeAddNewControl(own);
  auto a = Child(g, "A");
  auto b = Child(g, "B");
  g.panel->RunTimeAddNewWindow(a);
  g.panel->RunTimeAddNewWindow(b);
  auto inA = std::make_shared<ScriptedControl>(&a->GetPanelControlPtr()->AddElement(ElementKind::kCheckBox, 3), false);
  auto inB = std::make_shared<ScriptedControl>(&b->GetPanelControlPtr()->AddElement(ElementKind::kCheckBox, 4), true);
  a->RunTimeAddNewControl(inA);
  b->RunTimeAddNewControl(inB);
  EXPECT_EQ(g.panel->SetValueToPreferenceWithPrinterSettings(), 1);
  EXPECT_EQ(inB->calls, 0);  // children stop at the first that fails
}

TEST(Panel, BindingReachesChildrenAndNeedsAPrinter) {
  PanelFixture f;
  auto child = Child(f, "A");
  f.panel->RunTimeAddNewWindow(child);
  BasicPrintSettings other;
  ASSERT_TRUE(f.panel->SetCurrentPrintSettings(&other, nullptr, &f.host, &f.session));
  EXPECT_EQ(child->GetCurrentPMPrintSettings(), &other);
  EXPECT_EQ(child->GetCurrentPrinterString(), kPrinter);
  EXPECT_EQ(child->GetCurrentPrintSession(), &f.session);
  BasicPrintSession none("");
  EXPECT_FALSE(f.panel->SetCurrentPrintSettings(&other, nullptr, &f.host, &none));
  EXPECT_EQ(f.panel->GetCurrentPrinterString(), "");
  EXPECT_EQ(f.panel->GetPPDRefFromCurrentPrintSession(), nullptr);
}

TEST(Panel, TicketWritesCoverChildrenWithTheEncipheredList) {
  PanelFixture f;
  auto child = Child(f, "A");
  f.panel->RunTimeAddNewWindow(child);
  static constexpr DataAccessInfo kPw{kAccessTypePassword, kAccessTypePassword,
                                      "com.norvalex.nb.qtz.printsettings.PwTicket", nullptr};
  static constexpr DataAccessInfo kNote{kAccessTypeText, kAccessTypeText, "com.norvalex.nb.qtz.printsettings.NoteTicket",
                                        nullptr};
  auto pw = std::make_shared<TextEditCtrl>(&child->GetPanelControlPtr()->AddElement(ElementKind::kSecureTextField, 12),
                                           &kTextIni, nullptr, &kPw, PrefUser::kCurrent, nullptr);
  auto note = std::make_shared<TextEditCtrl>(&f.Add(ElementKind::kTextField, 11), &kTextIni, nullptr, &kNote,
                                             PrefUser::kCurrent, nullptr);
  child->RunTimeAddNewControl(pw);
  f.panel->RunTimeAddNewControl(note);
  f.panel->InitializeUserPane(static_cast<const nx::platform::Bundle*>(nullptr), nullptr);
  pw->setExternalValueToData("1234", 4, 0);
  note->setExternalValueToData("a'b", 3, 0);
  const std::vector<int> enciphered{12};
  EXPECT_EQ(f.panel->SetValueToTicket(&f.settings, false, &enciphered), 0);
  EXPECT_EQ(f.Setting(kNote.ticketKey), "/97/39/98");
  EXPECT_NE(f.Setting(kPw.ticketKey), "1234");
  EXPECT_EQ(f.Setting(kPw.ticketKey).size(), 8u);  // base64 of four bytes
  EXPECT_EQ(f.panel->SetValueToTicket(&f.settings, false), 0);
  EXPECT_EQ(f.Setting(kPw.ticketKey), "1234");
}

TEST(ChildWindow, ActivationReloadsShowsAndRunsModally) {
  PanelFixture f;
  auto child = Child(f, "Details");
  f.panel->RunTimeAddNewWindow(child);
  auto box = BoxIn(*child, 1);
  auto ok = std::make_shared<BaseButton>(&child->GetPanelControlPtr()->AddElement(ElementKind::kButton, 2), "OK");
  ok->SetHandler([&](BaseButton&) {
    child->SycValueFromUI();
    child->SetValueFromUIToControl();
    child->DeactivateWindow(nx::platform::ui::kModalResponseOK);
  });
  child->RunTimeAddNewControl(ok);
  ASSERT_EQ(f.panel->InitializeUserPane(true, {child.get()}), 0);
  EXPECT_EQ(child->GetPanelWindow()->Title(), "Details Title");  // no bundle: the key itself
  EXPECT_EQ(box->GetState(), 1);                                  // no preset: the default
  EXPECT_EQ(box->GetControlPtr()->IntValue(), 1);

  box->Disable();
  f.toolkit->Push({Step::Click(1).In("Details"), Step::Click(2).In("Details")});
  EXPECT_EQ(child->ActivateWindow(), nx::platform::ui::kModalResponseOK);
  EXPECT_EQ(child->GetExitResponse(), nx::platform::ui::kModalResponseOK);
  EXPECT_TRUE(f.toolkit->Errors().empty()) << f.toolkit->Errors().front();
  EXPECT_EQ(box->GetState(), 0);          // clicked off, then committed by OK
  EXPECT_FALSE(child->GetPanelWindow()->IsVisible());
  EXPECT_EQ(box->GetConstrainCount(), 0);  // activation resets the control status

  // Without steps the modal run gives up instead of hanging.
  EXPECT_EQ(child->ActivateWindow(), nx::platform::ui::kModalResponseAbort);
}

TEST(Localization, TableFromThePPDTitlesControlsAndWindows) {
  nx::testing::TempDir dir;
  nx::testing::WriteText(dir / "T.plugin/Contents/Info.plist",
                         "<plist><dict><key>CFBundleIdentifier</key><string>com.norvalex.test.T</string>"
                         "<key>CFBundleHelpBookName</key><string>Test Help</string></dict></plist>");
  nx::testing::WriteText(dir / "T.plugin/Contents/Resources/en.lproj/Localizable7.strings",
                         "<plist><dict><key>Send Header</key><string>Header on every page</string>"
                         "<key>Job Type Secure</key><string>Secure Print</string>"
                         "<key>Details Title</key><string>Details</string></dict></plist>");
  nx::testing::WriteText(dir / "T.plugin/Contents/Resources/en.lproj/Localizable.strings",
                         "<plist><dict><key>JBA Job User Type</key><string>Each job</string></dict></plist>");
  nx::testing::WriteText(dir / "T.plugin/Contents/Resources/Help/index.htm", "<html></html>");
  auto bundle = nx::platform::Bundle::Open(dir / "T.plugin");
  ASSERT_TRUE(bundle);
  bundle->SetPreferredLanguages({"en"});
  auto ppd = Ppd(dir, SimplePpd("*NXLocalizableFileIndex: \"7\"\n"));
  ASSERT_TRUE(ppd);

  PanelFixture f;
  auto box = std::make_shared<CheckBox>(&f.Add(ElementKind::kCheckBox, 1), &kBoxIni, nullptr, nullptr,
                                        PrefUser::kCurrent);
  static constexpr const char* kItems[] = {"Job Type None", "Job Type Secure", nullptr};
  static const PopupIniData kPopupIni{0, 1, -1, kItems};
  auto popup = std::make_shared<PopupControl>(&f.Add(ElementKind::kPopup, 2), &kPopupIni, nullptr, nullptr,
                                              PrefUser::kCurrent);
  static const RadioButtonIniData kRadioIni{0, 0, -1, "JBA Job User Type", nullptr};
  auto radio = std::make_shared<RadioButton>(&f.Add(ElementKind::kRadioButton, 3), &kRadioIni, nullptr, nullptr,
                                             PrefUser::kCurrent);
  auto child = Child(f, "Details");
  for (auto c : std::initializer_list<std::shared_ptr<BaseControl>>{box, popup, radio}) f.panel->RunTimeAddNewControl(c);
  f.panel->RunTimeAddNewWindow(child);
  ASSERT_EQ(f.panel->InitializeUserPane(&*bundle, ppd.get()), 0);
  EXPECT_EQ(f.panel->GetLocalizeTableName(), "Localizable7");
  EXPECT_EQ(box->GetLocalizeTableName(), "Localizable7");
  EXPECT_EQ(box->GetControlPtr()->Title(), "Header on every page");
  EXPECT_EQ(popup->GetControlPtr()->ItemTitle(0), "Job Type None");
  EXPECT_EQ(popup->GetControlPtr()->ItemTitle(1), "Secure Print");
  EXPECT_EQ(radio->GetControlPtr()->Title(), "Each job");  // radio buttons use the default table
  EXPECT_EQ(child->GetPanelWindow()->Title(), "Details");

  // Clicking a button wired by the panel reaches the control.
  f.panel->SetUIDataToIniData();
  ASSERT_TRUE(f.toolkit->Perform(*f.view, Step::Click(1)));
  EXPECT_EQ(box->GetValueFromUIDataBlk()[0], 1);

  setenv("NX_USER_PREFS_DIR", (dir / "prefs").c_str(), 1);  // the help cache lives there
  EXPECT_EQ(f.panel->registerHelpBookFor106(), 0);
  unsetenv("NX_USER_PREFS_DIR");
  auto* help = dynamic_cast<nx::platform::RecordingHelp*>(&f.services->help());
  ASSERT_NE(help, nullptr);
  EXPECT_EQ(help->registered, std::vector<std::string>{"com.norvalex.test.T"});
}

}  // namespace
