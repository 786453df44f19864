// A plug-in as small as a real one can be, for the dialog host's tests. It is built like the
// real plug-ins (its own copy of pdekit, only the entry point visible) and has one panel: a
// check box that enables a note field, a popup, the note, a password written enciphered, a
// start time, a popup bound to the PPD's Duplex option and a button opening a details window
// with a user ID field; another button takes the note from the name of a file the user picks.
// Printing without a note asks first.
#include <memory>
#include <string>
#include <vector>

#include "nx/platform/bundle.h"
#include "nx/platform/services.h"
#include "pdekit/BasePrintPanel.h"
#include "pdekit/ClockControl.h"
#include "pdekit/Localization.h"
#include "pdekit/PDEHost.h"
#include "pdekit/PopupControl.h"
#include "pdekit/SimpleControls.h"
#include "pdekit/StateControls.h"
#include "pdekit/TextEditCtrl.h"
#include "pdekit/UtilityFunction.h"

namespace {

using namespace pdekit;
using nx::platform::PrefUser;

#define KEY(name) "com.norvalex.nb.qtz.printsettings." name

enum Tag { kHeader = 1, kMode = 2, kNote = 3, kDetails = 4, kPassword = 5, kTime = 6, kDuplex = 7, kChoose = 8 };
enum DetailsTag { kUser = 11, kOK = 12, kCancel = 13 };

const CheckBoxIniData kHeaderIni{0, 1, -1, "Send Header"};
constexpr DataAccessInfo kHeaderAccess{0, 0, KEY("TestHeaderTicket"), KEY("TestHeaderReference")};
constexpr int kNoteOnly[] = {kNote, 0};
constexpr ControlIDList kHeaderDisables[] = {kNoteOnly};  // header off disables the note
constexpr ConstrainTable kHeaderConstrain{kHeaderDisables, {}, {}};

constexpr const char* kModeItems[] = {"Mode Fast", "Mode Fine", "Mode Best", nullptr};
const PopupIniData kModeIni{0, 2, -1, kModeItems};
constexpr DataAccessInfo kModeAccess{0, 0, KEY("TestModeTicket"), KEY("TestModeReference")};

const TextEditIniData kNoteIni{"", "", 0, 8};
constexpr DataAccessInfo kNoteAccess{kAccessTypeText, kAccessTypeText, KEY("TestNoteTicket"), KEY("TestNoteReference")};

const TextEditIniData kPasswordIni{"", "", 4, 12};
const InputFilter kPasswordFilter{0, {}, 2, {{0x20, 0x7E}, {0xA5, 0xA5}}, "Warning33"};
constexpr DataAccessInfo kPasswordAccess{kAccessTypePassword, kAccessTypePassword, KEY("PrintTypePasswordTicketKey"),
                                         KEY("PrintTypePasswordReference")};

const ClockIniData kTimeIni{0, 0, 0, 0, 12, 0, 0};
constexpr DataAccessInfo kTimeAccess{kAccessTypeDate, kAccessTypeDate, KEY("DelayPrintTicketKey"),
                                     KEY("DelayPrintReference")};

const PopupIniData kDuplexIni{0, 1, -1, nullptr};
constexpr DataAccessInfo kDuplexAccess{0, 0, KEY("TestDuplexTicket"), nullptr};

const TextEditIniData kUserIni{"", "", 2, 8};
constexpr DataAccessInfo kUserAccess{kAccessTypeText, kAccessTypeText, KEY("TestUserTicket"), KEY("TestUserReference")};

class DetailsWindow : public PopupWinInPanel {
 public:
  DetailsWindow(std::unique_ptr<nx::platform::ui::Window> window, PDEHostCallback* host,
                nx::platform::Services& services)
      : PopupWinInPanel(std::move(window), "Details Window Title", host, services) {
    auto* view = GetPanelControlPtr();
    RunTimeAddNewControl(std::make_shared<TextEditCtrl>(view->FindElement(kUser), &kUserIni, nullptr, &kUserAccess,
                                                        PrefUser::kCurrent, &kNamesInputFilter));
    auto ok = std::make_shared<BaseButton>(view->FindElement(kOK), "OK Button Ctrl");
    ok->SetHandler([this](BaseButton&) { OnOK(); });
    RunTimeAddNewControl(ok);
    auto cancel = std::make_shared<BaseButton>(view->FindElement(kCancel), "Cancel Button Ctrl");
    cancel->SetHandler([this](BaseButton&) { DeactivateWindow(nx::platform::ui::kModalResponseCancel); });
    RunTimeAddNewControl(cancel);
  }

 private:
  // Every field must pass before the values are taken; a failing one keeps the window open.
  void OnOK() {
    SycValueFromUI();
    for (auto& c : getCtrlGroupArrayRef())
      if (!c->InvalidateData()) return;
    SetValueFromUIToControl();
    DeactivateWindow(nx::platform::ui::kModalResponseOK);
  }
};

class TestPanel : public BasePrintPanel, public PDEPanel {
 public:
  TestPanel(PDEHostCallback* host, nx::platform::Services& services, const nx::platform::Bundle& bundle)
      : BasePrintPanel(host, services), bundle_(bundle) {}

  nx::platform::ui::View* panelView() override {
    if (!GetPanelControlPtr() && !pendingView_) pendingView_ = services_.toolkit().LoadView(bundle_, "TestPanel");
    return GetPanelControlPtr() ? GetPanelControlPtr() : pendingView_.get();
  }
  std::string panelName() override { return LocalizedStringOrKey(bundle_, "Test Panel Title"); }
  std::string panelKind() override { return "com.norvalex.test.pde.TestKind"; }
  std::optional<std::vector<std::string>> supportedPPDOptionKeys() override {
    return std::vector<std::string>{"Duplex"};
  }
  void willShow() override {}
  bool shouldHide() override { return true; }
  bool shouldShowHelp() override { return false; }
  void PPDOptionKeyValueDidChange(std::string_view, std::string_view) override {}

  bool restoreValuesAndReturnError(std::string* error) override {
    if (!panelView()) {
      if (error) *error = "the layout TestPanel is missing";
      return false;
    }
    PDEHostCallback* host = GetCurrentPDECallbackObj();
    if (first_) {
      Build();
      InitializeUserPane(&bundle_, host->ppdFile());
      first_ = false;
    }
    if (!SetCurrentPrintSettings(host->printSettings(), host->ppdFile(), host, host->printSession())) {
      if (error) *error = "no current printer";
      return false;
    }
    SetUIDataToIniData();
    if (OldStore()) GetValueFromPreference();
    else GetValueFromPreferenceWithPrinterSettings();
    SetCurrentValueToUI();
    return true;
  }

  bool saveValuesAndReturnError(std::string* error) override {
    if (first_) return true;
    SetValueFromUIToControl();
    if ((OldStore() ? SetValueToPreference() : SetValueToPreferenceWithPrinterSettings()) != 0) {
      if (error) *error = "the settings could not be stored";
      return false;
    }
    SetValueToTicket(GetCurrentPMPrintSettings(), false, &enciphered_);
    return true;
  }

  SummaryInfo summaryInfo() override {
    SummaryInfo s;
    GetSummaryText(s);
    return s;
  }

  bool shouldPrint() override {
    int destination = kPMDestinationPrinter;
    PDEHostCallback* host = GetCurrentPDECallbackObj();
    if (host->printSession()) host->printSession()->GetDestinationType(host->printSettings(), destination);
    if (destination != kPMDestinationPrinter || !note_) return true;
    if (!note_->GetControlText().empty()) return true;
    const int answer = RunLocalizedAlert(services_.toolkit(), bundle_, GetLocalizeTableName(),
                                         nx::platform::ui::AlertStyle::kCritical, "Empty Note Title",
                                         "Empty Note Text", {"OK Button Ctrl", "Cancel Button Ctrl"});
    return answer == 0;
  }

 private:
  bool OldStore() const { return services_.SystemVersion() < kPrintSettingsPreferenceVersion; }

  void Build() {
    CreatePanel(std::move(pendingView_));
    auto* view = GetPanelControlPtr();
    RunTimeAddNewControl(std::make_shared<CheckBox>(view->FindElement(kHeader), &kHeaderIni, &kHeaderConstrain,
                                                    &kHeaderAccess, PrefUser::kCurrent));
    RunTimeAddNewControl(
        std::make_shared<PopupControl>(view->FindElement(kMode), &kModeIni, nullptr, &kModeAccess, PrefUser::kCurrent));
    note_ = std::make_shared<TextEditCtrl>(view->FindElement(kNote), &kNoteIni, nullptr, &kNoteAccess,
                                           PrefUser::kCurrent, &kAccountIDInputFilter);
    RunTimeAddNewControl(note_);
    RunTimeAddNewControl(std::make_shared<TextEditCtrl>(view->FindElement(kPassword), &kPasswordIni, nullptr,
                                                        &kPasswordAccess, PrefUser::kCurrent, &kPasswordFilter));
    enciphered_.push_back(kPassword);
    RunTimeAddNewControl(std::make_shared<ClockControl>(view->FindElement(kTime), &kTimeIni, nullptr, &kTimeAccess,
                                                        PrefUser::kCurrent, "Start Print Time"));
    RunTimeAddNewControl(std::make_shared<PPDPopupControl>(view->FindElement(kDuplex), &kDuplexIni, nullptr,
                                                           &kDuplexAccess, PrefUser::kCurrent, "Duplex"));
    if (auto window = services_.toolkit().LoadWindow(bundle_, "TestDetails")) {
      details_ = std::make_shared<DetailsWindow>(std::move(window), GetCurrentPDECallbackObj(), services_);
      RunTimeAddNewWindow(details_);
    }
    auto open = std::make_shared<BaseButton>(view->FindElement(kDetails), "Details Button");
    open->SetHandler([this](BaseButton&) {
      if (details_) details_->ActivateWindow();
    });
    RunTimeAddNewControl(open);
    auto choose = std::make_shared<BaseButton>(view->FindElement(kChoose), "Choose Button");
    choose->SetHandler([this](BaseButton&) {
      nx::platform::ui::OpenPanelRequest request;
      request.allowed_extensions = {"txt"};
      if (auto path = services_.toolkit().RunOpenPanel(request)) {
        std::string name = *path;
        name = name.substr(name.find_last_of('/') + 1);
        note_->GetControlPtr()->SetStringValue(name.substr(0, name.find('.')));
        note_->GetValueFromUI();
      }
    });
    RunTimeAddNewControl(choose);
  }

  const nx::platform::Bundle& bundle_;
  std::unique_ptr<nx::platform::ui::View> pendingView_;
  std::shared_ptr<TextEditCtrl> note_;
  std::shared_ptr<DetailsWindow> details_;
  std::vector<int> enciphered_;
  bool first_ = true;
};

// Like the account plug-in, the test bundle keeps its password protected in the preferences.
constexpr std::string_view kProtectedKeys[] = {KEY("PrintTypePasswordReference")};

class TestPlugIn : public PDEPlugIn {
 public:
  bool initWithBundle(const nx::platform::Bundle& bundle, nx::platform::Services& services) override {
    RegisterSpecialKeys({kProtectedKeys, {}});
    bundle_ = &bundle;
    services_ = &services;
    return true;
  }
  std::vector<std::unique_ptr<PDEPanel>> PDEPanelsForType(std::string_view type, PDEHostCallback* host) override {
    std::vector<std::unique_ptr<PDEPanel>> panels;
    if (type == kPrintDialogPDEType && host && host->ppdFile() && bundle_)
      panels.push_back(std::make_unique<TestPanel>(host, *services_, *bundle_));
    return panels;
  }

 private:
  const nx::platform::Bundle* bundle_ = nullptr;
  nx::platform::Services* services_ = nullptr;
};

}  // namespace

NX_PDE_EXPORT_ENTRY_POINT(TestPlugIn)
