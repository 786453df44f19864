#include "faxpde/FaxNumberConfirmWindow.h"

#include "faxpde/FaxRecipientWindow.h"
#include "nx/platform/services.h"
#include "pdekit/Localization.h"
#include "pdekit/SimpleControls.h"
#include "pdekit/UtilityFunction.h"

namespace faxpde {

namespace {

constexpr const char* kConfirmTitleKey = "Title of Reentering Fax Address";
const pdekit::TextEditIniData kShownIni{"", "", 0, 0};
const pdekit::TextEditIniData kConfirmFaxIni{"", "", 1, 100};
const pdekit::TextEditIniData kConfirmSpeedDialIni{"", "", 1, 4};

std::shared_ptr<pdekit::BaseButton> Button(nx::platform::ui::View* view, int tag, const char* titleKey,
                                           pdekit::BaseButton::Handler handler) {
  auto b = std::make_shared<pdekit::BaseButton>(view->FindElement(tag), titleKey);
  b->SetHandler(std::move(handler));
  return b;
}

}  // namespace

FaxNumberConfirmWindowsClass::FaxNumberConfirmWindowsClass(std::unique_ptr<nx::platform::ui::Window> window,
                                                           std::string titleKey, pdekit::PDEHostCallback* host,
                                                           nx::platform::Services& services,
                                                           FaxRecipientWindowsClass& recipientWindow)
    : FaxPBPopupWinInPanel(std::move(window), std::move(titleKey), host, services),
      recipientWindow_(recipientWindow) {}

bool FaxNumberConfirmWindowsClass::CreateDialog() {
  nx::platform::ui::View* view = GetPanelWindow();
  if (!view) return false;
  RunTimeAddNewControl(std::make_shared<pdekit::TitledControl>(view->FindElement(kConfSourceLabel),
                                                               "Fax Number Confirm Window Typed Label"));
  source_ = std::make_shared<pdekit::TextEditCtrl>(view->FindElement(kConfSource), &kShownIni, nullptr, nullptr,
                                                   nx::platform::PrefUser::kCurrent, nullptr);
  RunTimeAddNewControl(source_);
  RunTimeAddNewControl(std::make_shared<pdekit::TitledControl>(view->FindElement(kConfFaxLabel),
                                                               "Fax Number Confirm Window Fax Number Label"));
  fax_ = std::make_shared<DFFacNumberTextEdit>(view->FindElement(kConfFax), &kConfirmFaxIni);
  RunTimeAddNewControl(fax_);
  RunTimeAddNewControl(std::make_shared<pdekit::TitledControl>(view->FindElement(kConfSpeedDialLabel),
                                                               "Fax Number Confirm Window Speed Dial Label"));
  speedDial_ = std::make_shared<DFSpeedDialNumberTextEdit>(view->FindElement(kConfSpeedDial), &kConfirmSpeedDialIni);
  RunTimeAddNewControl(speedDial_);
  RunTimeAddNewControl(Button(view, kConfOK, "OK Button Ctrl", [this](pdekit::BaseButton&) { OnOK(); }));
  RunTimeAddNewControl(Button(view, kConfCancel, "Cancel Button Ctrl", [this](pdekit::BaseButton&) { OnCancel(); }));
  RunTimeAddNewControl(Button(view, kConfHelp, "Help Button Ctrl", [this](pdekit::BaseButton&) {
    pdekit::GotoHelpPage(services_.help(), GetPDEBundleRef(), "AddressSetting.htm", nullptr);
  }));
  if (auto* e = view->FindElement(kConfSource)) e->SetEnabled(false);
  return true;
}

int FaxNumberConfirmWindowsClass::ActivateWindow(int source, const std::string& shown, bool speedDial,
                                                 int maxLength) {
  nx::platform::ui::Window* window = GetPanelWindow();
  faxNumSrc = source;
  speedDialShown_ = speedDial;
  // A run that ends any other way than by a match does not pass.
  recipientWindow_.setFaxNumConfirmStatus(false);
  if (!window) return nx::platform::ui::kModalResponseAbort;
  exitState = false;
  ReInitializeUserPane();
  SetCurrentPanelControlValueToDefault();
  SetCurrentValueToUI();
  if (auto* e = source_->GetControlPtr()) e->SetStringValue(shown);
  fax_->SetMaxLength(maxLength);
  const auto* typed = recipientWindow_.getSpeedDialCtrl();
  speedDial_->SetState(typed ? typed->getSpeedDialStyle() : 1, typed ? typed->getExpansionAvailable() : true,
                       typed ? typed->getSpeedDialMaxNumber() : 0);
  fax_->CorrectCtrlUI();
  speedDial_->CorrectCtrlUI();
  for (int tag : {kConfFaxLabel, kConfFax})
    if (auto* e = window->FindElement(tag)) e->SetHidden(speedDial);
  for (int tag : {kConfSpeedDialLabel, kConfSpeedDial})
    if (auto* e = window->FindElement(tag)) e->SetHidden(!speedDial);
  if (auto* e = window->FindElement(speedDial ? kConfSpeedDial : kConfFax)) window->MakeFirstResponder(e);
  return services_.toolkit().RunModal(*window);
}

void FaxNumberConfirmWindowsClass::OnOK() {
  pdekit::TextEditCtrl* field = speedDialShown_ ? static_cast<pdekit::TextEditCtrl*>(speedDial_.get())
                                                : static_cast<pdekit::TextEditCtrl*>(fax_.get());
  field->GetValueFromUI();
  const std::string shown = source_->GetControlPtr() ? source_->GetControlPtr()->StringValue() : std::string();
  if (field->GetUIText() != shown) {
    if (const nx::platform::Bundle* bundle = GetPDEBundleRef())
      pdekit::RunLocalizedAlert(services_.toolkit(), *bundle, {}, nx::platform::ui::AlertStyle::kCritical,
                                kConfirmTitleKey, "Waring_Reenter_ID", {"OK Button Ctrl"});
    recipientWindow_.setFaxNumConfirmStatus(false);
    field->CorrectCtrlUI();
    if (auto* w = GetPanelWindow(); w && field->GetControlPtr()) w->MakeFirstResponder(field->GetControlPtr());
    return;
  }
  recipientWindow_.setFaxNumConfirmStatus(true);
  setWinExitStateToOK();
  DeactivateWindow(nx::platform::ui::kModalResponseOK);
}

void FaxNumberConfirmWindowsClass::OnCancel() {
  recipientWindow_.setFaxNumConfirmStatus(false);
  setWinExitStateToCancel();
  DeactivateWindow(nx::platform::ui::kModalResponseCancel);
}

}  // namespace faxpde
