// The panel model and modal child windows; see BasePrintPanel.h.
#include "pdekit/BasePrintPanel.h"

#include "nx/platform/bundle.h"
#include "nx/platform/paths.h"
#include "nx/platform/services.h"
#include "pdekit/Localization.h"
#include "pdekit/UtilityFunction.h"

namespace pdekit {

BasePrintPanel::BasePrintPanel(PDEHostCallback* host, nx::platform::Services& services)
    : services_(services), m_pPDECallbackObj(host) {}

// Controls and child windows may be kept alive by the concrete panel a little longer: they
// forget this panel so that nothing reaches it once it is gone.
BasePrintPanel::~BasePrintPanel() {
  for (auto& c : fCtrlGroupArray) c->SetParenetPanel(nullptr);
  for (auto& c : fCtrlInstallableGroupArray) c->SetParenetPanel(nullptr);
  for (auto& w : fWindowGroupArray) w->SetParenetPane(nullptr);
}

// ---- Creation and wiring ----

void BasePrintPanel::CreatePanel(nx::platform::ui::View* view) {
  fCtrlGroupArray.clear();
  fCtrlInstallableGroupArray.clear();
  fWindowGroupArray.clear();
  AllGroupNameStrArray.clear();
  GeneralGroupOptionArray.clear();
  currentPrintSession = nullptr;
  currentPrintString.clear();
  m_pSettings = nullptr;
  m_ptCurrentPPD = nullptr;
  preferenceDictionaryRef = nullptr;
  preferenceDictionaryAnyUserRef = nullptr;
  windowRef = view;
}

void BasePrintPanel::CreatePanel(std::unique_ptr<nx::platform::ui::View> view) {
  ownedView_ = std::move(view);
  CreatePanel(ownedView_.get());
}

int BasePrintPanel::RunTimeAddNewControl(std::shared_ptr<BaseControl> control) {
  if (!control || !control->GetControlPtr()) return static_cast<int>(fCtrlGroupArray.size());
  control->SetParenetPanel(this);
  fCtrlGroupArray.push_back(std::move(control));
  return static_cast<int>(fCtrlGroupArray.size()) - 1;
}

int BasePrintPanel::RunTimeAddNewInstallableControl(std::shared_ptr<BaseControl> control) {
  if (!control) return static_cast<int>(fCtrlInstallableGroupArray.size());
  control->SetParenetPanel(this);  // it resolves the identifiers of its lists through the panel
  fCtrlInstallableGroupArray.push_back(std::move(control));
  return static_cast<int>(fCtrlInstallableGroupArray.size()) - 1;
}

int BasePrintPanel::RunTimeAddNewWindow(std::shared_ptr<PopupWinInPanel> window) {
  if (!window) return static_cast<int>(fWindowGroupArray.size());
  window->SetParenetPane(this);
  window->SetPreferenceReaderKind(preferenceReaderKind_);
  if (xppd) window->SetxppdPtr(xppd);
  fWindowGroupArray.push_back(std::move(window));
  return static_cast<int>(fWindowGroupArray.size()) - 1;
}

BaseControl* BasePrintPanel::GetPanelControl(int identifier) {
  for (auto& c : fCtrlGroupArray)
    if (c->GetControlPtr() && c->GetControlPtr()->Tag() == identifier) return c.get();
  for (auto& c : fCtrlInstallableGroupArray)
    if (c->GetControlPtr() && c->GetControlPtr()->Tag() == identifier) return c.get();
  for (auto& w : fWindowGroupArray)
    if (BaseControl* c = w->GetPanelControl(identifier)) return c;
  return nullptr;
}

void BasePrintPanel::SetxppdPtr(ConstraintIndex* index) {
  xppd = index;
  for (auto& w : fWindowGroupArray) w->SetxppdPtr(index);
}

void BasePrintPanel::setPreferDictionary(const nx::platform::PropertyValue::Dictionary* dictionary,
                                         const nx::platform::PropertyValue::Dictionary* anyUserDictionary) {
  preferenceDictionaryRef = dictionary;
  preferenceDictionaryAnyUserRef = anyUserDictionary;
  for (auto& w : fWindowGroupArray) w->setPreferDictionary(dictionary, anyUserDictionary);
}

void BasePrintPanel::SetPreferenceReaderKind(PreferenceReaderKind kind) {
  preferenceReaderKind_ = kind;
  for (auto& w : fWindowGroupArray) w->SetPreferenceReaderKind(kind);
}

ppd_file_t* BasePrintPanel::GetPPDRefFromCurrentPrintSession() const {
  return currentPrintSession && m_pPDECallbackObj ? m_pPDECallbackObj->ppdFile() : nullptr;
}

void BasePrintPanel::TakeLocalizeTableName(ppd_file_t* ppd) {
  if (LocalizeTableName.empty() && ppd && ppdFindAttr_ALT(ppd, "NXLocalizableFileIndex"))
    LocalizeTableName = GetLocalizeTableNameFromPPD(ppd);
}

// ---- Bulk operations ----

namespace {

// Visits the children in order and stops at the first that answers non-zero.
template <class F>
int ForEachChild(const std::vector<std::shared_ptr<PopupWinInPanel>>& children, F&& f) {
  for (auto& w : children)
    if (const int rc = f(*w); rc != 0) return rc;
  return 0;
}

}  // namespace

int BasePrintPanel::InitializeUserPane(const nx::platform::Bundle* bundle, ppd_file_t* ppd) {
  TakeLocalizeTableName(ppd);
  pdeBundleRef = bundle;
  InitializeUserPaneControl(bundle, ppd);
  SetControlEventHandler();
  const int rc = InitilaizeChildWindow(bundle, ppd);
  ConstrainPanelControlFromPPD(ppd);
  return rc;
}

int BasePrintPanel::InitializeUserPaneControl(const nx::platform::Bundle* bundle, ppd_file_t* ppd) {
  for (auto& c : fCtrlGroupArray) c->InitializeCtrl(bundle, ppd);
  return 0;
}

void BasePrintPanel::SetControlEventHandler() {
  for (auto& c : fCtrlGroupArray) c->setTargetandAction();
}

int BasePrintPanel::InitilaizeChildWindow(const nx::platform::Bundle* bundle, ppd_file_t* ppd) {
  return ForEachChild(fWindowGroupArray, [&](PopupWinInPanel& w) { return w.InitializeUserPane(bundle, ppd); });
}

int BasePrintPanel::ConstrainPanelControlFromPPD(ppd_file_t* ppd) {
  for (auto& c : fCtrlInstallableGroupArray) c->ConstrainPanelControlFromPPD(ppd);
  return 0;
}

int BasePrintPanel::ReInitializeUserPaneControl(const nx::platform::Bundle* bundle, ppd_file_t* ppd) {
  for (auto& c : fCtrlGroupArray) {
    c->ReInitializeCtrl(bundle, ppd);
    c->ResetStatus();
  }
  return 0;
}

int BasePrintPanel::SetUIDataToIniData() {
  for (auto& c : fCtrlGroupArray) c->SetUIValueToIniData();
  return ForEachChild(fWindowGroupArray, [](PopupWinInPanel& w) { return w.SetUIDataToIniData(); });
}

int BasePrintPanel::SetDefaultValueToUI() {
  for (auto& c : fCtrlGroupArray) {
    c->SetDefaultValueToUI();
    c->SimulationUIEventHandler();
  }
  return 0;
}

int BasePrintPanel::GetValueFromPreference() {
  for (auto& c : fCtrlGroupArray)
    if (!c->GetValueFromPreference()) c->SetControlValueToDefault();
  return ForEachChild(fWindowGroupArray, [](PopupWinInPanel& w) { return w.GetValueFromPreference(); });
}

int BasePrintPanel::GetValueFromPreferenceWithPrinterSettings() {
  for (auto& c : fCtrlGroupArray)
    if (!c->GetValueFromPreferenceWithPrinterSettings()) c->SetControlValueToDefault();
  return ForEachChild(fWindowGroupArray,
                      [](PopupWinInPanel& w) { return w.GetValueFromPreferenceWithPrinterSettings(); });
}

int BasePrintPanel::GetValueFromPreset() {
  for (auto& c : fCtrlGroupArray)
    if (!c->GetValueToPreset()) c->SetControlValueToDefault();
  return 0;
}

int BasePrintPanel::SetCurrentValueToUI() {
  // Every value is shown before any constraint is replayed, so that constraints see the final
  // values of all controls.
  for (auto& c : fCtrlGroupArray) c->SetControlValueToUI();
  for (auto& c : fCtrlGroupArray) c->SimulationUIEventHandler();
  return ForEachChild(fWindowGroupArray, [](PopupWinInPanel& w) { return w.SetCurrentValueToUI(); });
}

int BasePrintPanel::SetValueFromUIToControl() {
  for (auto& c : fCtrlGroupArray)
    if (c->GetValueFromUI()) c->SetValueFromUIToControl();
  return 0;
}

int BasePrintPanel::SetValueToPreference() {
  if (fCtrlGroupArray.empty() && fWindowGroupArray.empty()) return 0;
  bool failed = false;
  for (auto& c : fCtrlGroupArray)
    if (!c->SetValueToPreference()) failed = true;
  if (ForEachChild(fWindowGroupArray, [](PopupWinInPanel& w) { return w.SetValueToPreference(); }) != 0)
    failed = true;
  return failed ? 1 : 0;
}

int BasePrintPanel::SetValueToPreferenceWithPrinterSettings() {
  if (fCtrlGroupArray.empty() && fWindowGroupArray.empty()) return 0;
  bool failed = false;
  for (auto& c : fCtrlGroupArray)
    if (!c->SetValueToPreferenceWithPrinterSettings()) failed = true;
  if (ForEachChild(fWindowGroupArray,
                   [](PopupWinInPanel& w) { return w.SetValueToPreferenceWithPrinterSettings(); }) != 0)
    failed = true;
  return failed ? 1 : 0;
}

int BasePrintPanel::SetValueToTicket(PrintSettings* settings, bool locked) {
  for (auto& c : fCtrlGroupArray) c->SetValueToTicket(settings, locked);
  return ForEachChild(fWindowGroupArray, [&](PopupWinInPanel& w) { return w.SetValueToTicket(settings, locked); });
}

int BasePrintPanel::SetValueToTicket(PrintSettings* settings, bool locked, const std::vector<int>* encryptTags) {
  for (auto& c : fCtrlGroupArray) {
    if (encryptTags) c->SetValueToTicket(settings, locked, encryptTags);
    else c->SetValueToTicket(settings, locked);
  }
  return ForEachChild(fWindowGroupArray,
                      [&](PopupWinInPanel& w) { return w.SetValueToTicket(settings, locked, encryptTags); });
}

int BasePrintPanel::GetSummaryText(SummaryInfo& summary) {
  for (auto& c : fCtrlGroupArray) c->GetSummaryText(summary);
  return ForEachChild(fWindowGroupArray, [&](PopupWinInPanel& w) { return w.GetSummaryText(summary); });
}

int BasePrintPanel::Open() {
  for (auto& c : fCtrlGroupArray) c->Open();
  return ForEachChild(fWindowGroupArray, [](PopupWinInPanel& w) { return w.Open(); });
}

int BasePrintPanel::Close() {
  for (auto& c : fCtrlGroupArray) c->Close();
  return ForEachChild(fWindowGroupArray, [](PopupWinInPanel& w) { return w.Close(); });
}

int BasePrintPanel::pdeTerminate() {
  for (auto& c : fCtrlGroupArray) c->pdeTerminate();
  return ForEachChild(fWindowGroupArray, [](PopupWinInPanel& w) { return w.pdeTerminate(); });
}

int BasePrintPanel::ResetControlStatus() {
  for (auto& c : fCtrlGroupArray)
    if (c->GetControlPtr()) c->ResetStatus();
  const int rc = ForEachChild(fWindowGroupArray, [](PopupWinInPanel& w) { return w.ResetControlStatus(); });
  ConstrainPanelControlFromPPD(GetPPDRefFromCurrentPrintSession());
  return rc;
}

int BasePrintPanel::ResetCurrentControlStatus() {
  for (auto& c : fCtrlGroupArray) c->ResetStatus();
  ConstrainPanelControlFromPPD(GetPPDRefFromCurrentPrintSession());
  return 0;
}

int BasePrintPanel::UpdateConflictsPanelControlFromPPD(ppd_file_t* ppd) {
  for (auto& c : fCtrlGroupArray) c->UpdateConflictsPanelControlFromPPD(ppd);
  return 0;
}

// ---- Printer and settings ----

bool BasePrintPanel::SetCurrentPrinterString(PrintSession* session) {
  currentPrintSession = session;
  currentPrintString.clear();
  if (SetPrinterString(session, &currentPrintString) != 0) return false;
  for (auto& w : fWindowGroupArray)
    if (!w->SetCurrentPrinterString(session)) return false;
  return true;
}

bool BasePrintPanel::SetCurrentPrintSettings(PrintSettings* settings, ppd_file_t* ppd, PDEHostCallback* host,
                                             PrintSession* session) {
  m_pSettings = settings;
  m_ptCurrentPPD = ppd;
  m_pPDECallbackObj = host;
  currentPrintSession = session;
  currentPrintString.clear();
  if (SetPrinterString(session, &currentPrintString) != 0) return false;
  for (auto& w : fWindowGroupArray)
    if (!w->SetCurrentPrintSettings(settings, ppd, host, session)) return false;
  return true;
}

int BasePrintPanel::InitializeUserPane(bool firstTime, const std::vector<BasePrintPanel*>& windows) {
  PDEHostCallback* host = m_pPDECallbackObj;
  ppd_file_t* ppd = host ? host->ppdFile() : nullptr;
  if (firstTime) {
    for (BasePrintPanel* w : windows)
      if (const int rc = w ? w->InitializeUserPane(pdeBundleRef, ppd) : 0; rc != 0) return rc;
  }
  for (BasePrintPanel* w : windows) {
    if (w && !w->SetCurrentPrintSettings(host ? host->printSettings() : nullptr, ppd, host,
                                         host ? host->printSession() : nullptr))
      return -1;
  }
  if (firstTime)
    for (BasePrintPanel* w : windows)
      if (w) w->SetUIDataToIniData();
  for (BasePrintPanel* w : windows)
    if (w && w->GetValueFromPreset() != 0) return -1;
  for (BasePrintPanel* w : windows)
    if (w) w->SetCurrentValueToUI();
  return 0;
}

int BasePrintPanel::registerHelpBookFor106() {
  if (!pdeBundleRef) return fnfErr;
  RemoveHelpCacheForBundleID(pdeBundleRef->Identifier(), nx::platform::UserPreferencesDir());
  return RegisterHelpBook(services_.help(), pdeBundleRef);
}

// ---- PopupWinInPanel ----

PopupWinInPanel::PopupWinInPanel(std::unique_ptr<nx::platform::ui::Window> window, std::string titleKey,
                                 PDEHostCallback* host, nx::platform::Services& services)
    : BasePrintPanel(host, services), winTitleTextRef(std::move(titleKey)), window_(window.get()) {
  CreatePanel(std::unique_ptr<nx::platform::ui::View>(window.release()));
}

PopupWinInPanel::~PopupWinInPanel() = default;

void PopupWinInPanel::SetLocalizedTitle() {
  if (!window_ || winTitleTextRef.empty()) return;
  window_->SetTitle(pdeBundleRef ? LocalizedStringOrKey(*pdeBundleRef, winTitleTextRef, LocalizeTableName)
                                 : winTitleTextRef);
}

int PopupWinInPanel::InitializeUserPane(const nx::platform::Bundle* bundle, ppd_file_t* ppd) {
  TakeLocalizeTableName(ppd);
  pdeBundleRef = bundle;
  currentPPD = ppd;
  SetLocalizedTitle();
  InitializeUserPaneControl(bundle, ppd);
  SetControlEventHandler();
  return InitilaizeChildWindow(bundle, ppd);
}

int PopupWinInPanel::ReInitializeUserPane() {
  ReInitializeUserPaneControl(pdeBundleRef, currentPPD);
  SetLocalizedTitle();
  SetControlEventHandler();
  return 0;
}

int PopupWinInPanel::ActivateWindow() {
  if (!window_) return nx::platform::ui::kModalResponseAbort;
  ReInitializeUserPane();
  SetUIDataToIniData();
  SetCurrentValueToUI();
  exitResponse_ = services_.toolkit().RunModal(*window_);
  return exitResponse_;
}

void PopupWinInPanel::DeactivateWindow(int response) {
  if (!window_) return;
  exitResponse_ = response;
  services_.toolkit().StopModal(*window_, response);
  window_->Close();
}

void PopupWinInPanel::SycValueFromUI() {
  for (auto& c : fCtrlGroupArray)
    if (c->GetControlPtr()) c->GetValueFromUI();
}

const std::string& PopupWinInPanel::GetCurrentPrinterString() const {
  return pParentPane ? pParentPane->GetCurrentPrinterString() : currentPrintString;
}

}  // namespace pdekit
