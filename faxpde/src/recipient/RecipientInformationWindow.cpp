#include "faxpde/RecipientInformationWindow.h"

#include "faxpde/FaxNumberConfirmWindow.h"
#include "faxpde/FaxRecipientWindow.h"
#include "nx/platform/services.h"
#include "pdekit/Localization.h"
#include "pdekit/SimpleControls.h"
#include "pdekit/UtilityFunction.h"
#include "recipient/RecipientWindowSupport.h"

namespace faxpde {

using recipient::Button;
using recipient::kNameIni;
using recipient::kSpeedDialIni;

namespace {

const pdekit::TextEditIniData kCompanyIni{"", "", 0, 59};
const pdekit::TextEditIniData kTelIni{"", "", 0, 46};
const pdekit::TextEditIniData kEmailIni{"", "", 0, 256};
const pdekit::TextEditIniData kMemoIni{"", "", 0, 254};

int CategoryOf(const FaxRecord& record) {
  if (FaxRecordInteger(record, "RecodeType") == nx::phonebook::kSpeedDial_Fax_Type) return kCategorySpeedDial;
  if (FaxRecordText(record, "AddressType") == nx::phonebook::kAddressTypeIPFax) return kCategoryIPFax;
  return kCategoryFax;
}

void SetText(pdekit::TextEditCtrl& field, const std::string& text) {
  if (auto* e = field.GetControlPtr()) e->SetStringValue(text);
  field.GetValueFromUI();
}

}  // namespace

RecipientInformationWindowsClass::RecipientInformationWindowsClass(std::unique_ptr<nx::platform::ui::Window> window,
                                                                   std::string titleKey,
                                                                   pdekit::PDEHostCallback* host,
                                                                   nx::platform::Services& services,
                                                                   FaxRecipientWindowsClass& recipientWindow)
    : FaxPBPopupWinInPanel(std::move(window), std::move(titleKey), host, services),
      recipientWindow_(recipientWindow) {}

bool RecipientInformationWindowsClass::CreateDialog() {
  nx::platform::ui::View* view = GetPanelWindow();
  if (!view) return false;
  auto label = [&](int tag, const char* key) {
    RunTimeAddNewControl(std::make_shared<pdekit::TitledControl>(view->FindElement(tag), key));
  };
  label(kInfoNameLabel, "Fax Recipient Window Name Label");
  name_ = std::make_shared<DFFaxNameTextEditCtrl>(view->FindElement(kInfoName), &kNameIni);
  RunTimeAddNewControl(name_);
  label(kInfoCategoryLabel, "Fax Recipient Window Category Label");
  category_ = std::make_shared<DFFaxCategoryPopupCtrl>(view->FindElement(kInfoCategory), false);
  category_->SetOnChange([this] { OnCategoryChanged(true); });
  RunTimeAddNewControl(category_);
  label(kInfoCompanyLabel, "Recipient Information Window Company Label");
  company_ = std::make_shared<DFJISTextEditCtrl>(view->FindElement(kInfoCompany), &kCompanyIni);
  RunTimeAddNewControl(company_);
  label(kInfoFaxLabel, "Fax Recipient Window Fax Number Label");
  fax_ = std::make_shared<DFFacNumberTextEdit>(view->FindElement(kInfoFax), &recipient::kFaxNumberIni);
  RunTimeAddNewControl(fax_);
  label(kInfoSpeedDialLabel, "Fax Recipient Window Speed Dial Label");
  speedDial_ = std::make_shared<DFSpeedDialNumberTextEdit>(view->FindElement(kInfoSpeedDial), &kSpeedDialIni);
  RunTimeAddNewControl(speedDial_);
  label(kInfoTelLabel, "Recipient Information Window Tel Label");
  tel_ = std::make_shared<DFJISTextEditCtrl>(view->FindElement(kInfoTel), &kTelIni);
  RunTimeAddNewControl(tel_);
  label(kInfoEmailLabel, "Recipient Information Window E-mail Label");
  email_ = std::make_shared<pdekit::TextEditCtrl>(view->FindElement(kInfoEmail), &kEmailIni, nullptr, nullptr,
                                                  nx::platform::PrefUser::kCurrent, &kEmailInputFilter);
  RunTimeAddNewControl(email_);
  label(kInfoMemoLabel, "Recipient Information Window Memo Label");
  memo_ = std::make_shared<DFJISTextEditCtrl>(view->FindElement(kInfoMemo), &kMemoIni);
  RunTimeAddNewControl(memo_);
  RunTimeAddNewControl(Button(view, kInfoCancel, "Cancel Button Ctrl", [this](pdekit::BaseButton&) {
    setWinExitStateToCancel();
    DeactivateWindow(nx::platform::ui::kModalResponseCancel);
  }));
  RunTimeAddNewControl(Button(view, kInfoOK, "OK Button Ctrl", [this](pdekit::BaseButton&) { OnOK(); }));
  RunTimeAddNewControl(Button(view, kInfoHelp, "Help Button Ctrl", [this](pdekit::BaseButton&) {
    pdekit::GotoHelpPage(services_.help(), GetPDEBundleRef(), "RecipientInfo.htm", nullptr);
  }));
  return true;
}

int RecipientInformationWindowsClass::ActivateWindow(size_t index) {
  nx::platform::ui::Window* window = GetPanelWindow();
  auto* model = recipientWindow_.getRecipientData();
  const FaxRecord* record = model ? model->getRecipientAtIndex(index) : nullptr;
  if (!window || !record) return nx::platform::ui::kModalResponseAbort;
  setWinExitStateToCancel();
  editIndex_ = index;
  current_EditRecord = *record;
  ReInitializeUserPane();
  SetCurrentPanelControlValueToDefault();
  SetCurrentValueToUI();
  SetCurrentValueToUI(current_EditRecord);
  ApplyRestriction();
  return services_.toolkit().RunModal(*window);
}

void RecipientInformationWindowsClass::SetCurrentValueToUI(const FaxRecord& record) {
  nx::platform::ui::Window* window = GetPanelWindow();
  if (!window) return;
  for (auto* e : window->Elements()) e->SetEnabled(true);
  const auto& state = recipientWindow_.getDeviceOptionState();
  category_->InitializeMenu(state.faxModule, GetInitializedPPD());
  category_->Select(CategoryOf(record));
  OnCategoryChanged(false);
  SetText(*name_, FaxRecordText(record, "Name"));
  SetText(*company_, FaxRecordText(record, "Company"));
  SetText(*tel_, FaxRecordText(record, "Tel"));
  SetText(*email_, FaxRecordText(record, "Email"));
  SetText(*memo_, FaxRecordText(record, "Memo"));
  if (CategoryOf(record) == kCategorySpeedDial)
    SetText(*speedDial_, FaxRecordText(record, "Address"));
  else
    SetText(*fax_, FaxRecordText(record, "Address"));
}

void RecipientInformationWindowsClass::ApplyRestriction() {
  nx::platform::ui::Window* window = GetPanelWindow();
  const int restriction = recipientWindow_.getRestrictAddressType();
  auto disable = [&](int tag) {
    if (auto* e = window->FindElement(tag)) e->SetEnabled(false);
  };
  if (restriction == 3) {
    for (int tag : {kInfoName, kInfoCategory, kInfoCompany, kInfoFax, kInfoSpeedDial, kInfoTel, kInfoEmail, kInfoMemo})
      disable(tag);
  } else if (restriction == 2) {
    disable(kInfoCategory);
    if (category_->GetControlValue() != kCategorySpeedDial) {
      category_->Select(kCategorySpeedDial);
      OnCategoryChanged(true);
    }
  }
}

void RecipientInformationWindowsClass::OnCategoryChanged(bool clear) {
  nx::platform::ui::Window* window = GetPanelWindow();
  const int index = category_->GetControlValue();
  const bool speedDial = index == kCategorySpeedDial;
  for (int tag : {kInfoFaxLabel, kInfoFax})
    if (auto* e = window->FindElement(tag)) e->SetHidden(speedDial);
  for (int tag : {kInfoSpeedDialLabel, kInfoSpeedDial})
    if (auto* e = window->FindElement(tag)) e->SetHidden(!speedDial);
  fax_->SetMaxLength(index == kCategoryIPFax ? 128 : 100);
  const auto& state = recipientWindow_.getDeviceOptionState();
  speedDial_->SetState(state.faxModule == 1 ? 0 : 1, state.speedDialExpansion, state.speedDialType);
  if (clear) {
    fax_->CorrectCtrlUI();
    speedDial_->CorrectCtrlUI();
  }
}

void RecipientInformationWindowsClass::OnOK() {
  auto* model = recipientWindow_.getRecipientData();
  if (!model) return;
  if (!name_->DoSelfValidate()) return;
  const int index = category_->GetControlValue();
  const bool speedDial = index == kCategorySpeedDial;
  if (speedDial ? !speedDial_->DoSelfValidate() : !fax_->DoSelfValidate()) return;
  for (auto* field : {static_cast<pdekit::TextEditCtrl*>(company_.get()), static_cast<pdekit::TextEditCtrl*>(tel_.get()),
                      email_.get(), static_cast<pdekit::TextEditCtrl*>(memo_.get())}) {
    field->GetValueFromUI();
    if (!field->InvalidateData()) return;
  }

  const FaxRecord before = current_EditRecord;
  FaxRecord edited = current_EditRecord;
  const bool threeDigit = recipientWindow_.getDeviceOptionState().faxModule == 1;
  if (speedDial) {
    FaxRecordSetText(edited, "RecodeType", std::to_string(nx::phonebook::kSpeedDial_Fax_Type));
    FaxRecordSetText(edited, "Name", name_->GetUIText());
    FaxRecordSetText(edited, "Address", PadSpeedDial(speedDial_->GetUIText(), threeDigit));
  } else {
    FaxRecordSetText(edited, "AddressType", index == kCategoryIPFax ? "4" : "0");
    FaxRecordSetText(edited, "RecodeType", std::to_string(nx::phonebook::kNormal_Fax_Type));
    FaxRecordSetText(edited, "Name", name_->GetUIText());
    FaxRecordSetText(edited, "Address", fax_->GetUIText());
    FaxRecordSetText(edited, "Company", company_->GetUIText());
    FaxRecordSetText(edited, "Tel", tel_->GetUIText());
    FaxRecordSetText(edited, "Email", email_->GetUIText());
    FaxRecordSetText(edited, "Memo", memo_->GetUIText());
  }

  const bool addressChanged = CategoryOf(before) != index ||
                              FaxRecordText(before, "Address") != FaxRecordText(edited, "Address");
  if (recipientWindow_.getReEnterAddress() == 1 && addressChanged) {
    auto* confirm = recipientWindow_.getFaxNumberConfirmWindow();
    if (!confirm) return;
    confirm->ActivateWindow(kFaxNumSourceInformationWindow, speedDial ? speedDial_->GetUIText() : fax_->GetUIText(),
                            speedDial, fax_->GetMaxLength());
    if (!recipientWindow_.getFaxNumConfirmStatus()) return;
  }

  // The job's limits hold for an edited recipient as for an added one, whatever the fax module:
  // a typed number changed into a speed dial range could otherwise pass them.
  const auto& state = recipientWindow_.getDeviceOptionState();
  auto share = [&](const FaxRecord& r) -> long long {
    if (FaxRecordInteger(r, "RecodeType") != nx::phonebook::kSpeedDial_Fax_Type) return 1;
    return nx::phonebook::FaxPBRecipientModel::realRecipientCount(state.speedDialExpansion,
                                                                  FaxRecordText(r, "Address"));
  };
  if (recipientWindow_.getRestrictMultiAddInput() == 1 && share(edited) >= 2) {
    recipientWindow_.ShowAlert(recipient::kAddRecipientTitle,
                               "Waring_Restriction_Of_Faxing_Muti_Address_Transmission_SpeedDial_ID");
    return;
  }
  const long long after = model->getRealRecipientCount(state.speedDialExpansion) - share(before) + share(edited);
  if (after > kMaxRealRecipients) {
    recipientWindow_.ShowAlert(recipient::kAddRecipientTitle,
                               "Warning_Add_Recipient_Exceeding_Maximum_Num_Content_Title_ID",
                               {std::to_string(kMaxRealRecipients), std::to_string(after - kMaxRealRecipients)});
    return;
  }
  if (model->replaceRecipientWithIndex(editIndex_, edited, true)) {
    current_EditRecord = edited;
    model->postFaxPBRecipientChanged();
    setWinExitStateToOK();
  }
  DeactivateWindow(exitState ? nx::platform::ui::kModalResponseOK : nx::platform::ui::kModalResponseCancel);
}

}  // namespace faxpde
