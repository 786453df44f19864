// The communication settings window: how one fax recipient is called (communication mode, line,
// secure send to a mailbox or relay send through a relay station, F-code and password). It is
// opened for one record of the phonebook dictionary form and writes the settings back into that
// record only when OK passes every check.
//
// Callers build it once from the layout "FaxCommunicationSettings", call CreateDialog(), make it
// a child window of their panel (RunTimeAddNewWindow, so that it is initialised with the panel's
// bundle and PPD) or call InitializeUserPane themselves, then open it per record with
// ActivateWindow(record, state, device).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "faxpde/FaxPBPopupWinInPanel.h"
#include "nx/phonebook/fax_record.h"

namespace pdekit {
class CheckBox;
class PopupControl;
class RadioGroup;
class TextEditCtrl;
}  // namespace pdekit

namespace faxpde {

class FaxPBCommunicationModePopupListCtrl;
class FaxPBCommunicationSettingsWinRadioButton;
class FaxPBIDTextEditCtrl;
class FaxPBMailboxPasscodeTextEditCtrl;
class FaxPBDestinationIDEditCtrl;
class FaxPBDestinationIDListView;

// Element tags of the layout "FaxCommunicationSettings".
enum FaxCommunicationTag {
  kCommOK = 10, kCommCancel = 11, kCommHelp = 12,
  kCommModeLabel = 20, kCommModePopup = 21, kCommLineLabel = 22, kCommLinePopup = 23,
  kCommRadioNone = 30, kCommRadioSecure = 31, kCommRadioRelay = 32,
  kCommMailboxIDLabel = 40, kCommMailboxID = 41, kCommPasscodeLabel = 42, kCommPasscode = 43,
  kCommRelayIDLabel = 50, kCommRelayID = 51, kCommDestLabel = 52, kCommDest = 53,
  kCommGroupDestLabel = 54, kCommGroupDest = 55, kCommPrintAtRelay = 56, kCommGroupSend = 57,
  kCommAddTo = 58, kCommRemove = 59, kCommDestListLabel = 60, kCommDestList = 61,
  kCommFCodeLabel = 70, kCommFCode = 71, kCommFCodePasswordLabel = 72, kCommFCodePassword = 73,
  kCommCategory = 80,
};

// Opening states.
inline constexpr int kCommunicationEditable = 1;
inline constexpr int kCommunicationReadOnly = 3;

// Send types ("SecureorRelay" and the radio index).
inline constexpr int kSendTypeNone = 0;
inline constexpr int kSendTypeSecure = 1;
inline constexpr int kSendTypeRelay = 2;

// At most this many relay destinations per recipient.
inline constexpr int kMaxRelayDestinations = 20;

// What the window needs to know of the device.
struct CommunicationDeviceState {
  int faxModule = 1;                  // fax module setting type 1 to 4
  bool isdnG4Kit = false;             // ISDN/G4 kit installed; counts only with setting type 1
  bool restrictMultiAddress = false;  // PPD "NXResMulAd" On: one recipient per job
  bool generation2 = false;           // PPD "NXPlatformGeneration" default "2"
};

// The destination ID stored for a text typed into the (1-99) field (`group` false) or the group
// (1-9) field: "005", "012", "0**", "0#3". Empty with `messageKey` set to the refusal's text key
// when the text cannot be a destination.
std::string FormatRelayDestinationID(const std::string& typed, bool group, const char** messageKey);

class FaxPBCommunicationSettingsWindowsClass : public FaxPBPopupWinInPanel {
 public:
  FaxPBCommunicationSettingsWindowsClass(std::unique_ptr<nx::platform::ui::Window> window, std::string titleKey,
                                         pdekit::PDEHostCallback* host, nx::platform::Services& services);
  ~FaxPBCommunicationSettingsWindowsClass() override;

  // Builds the controls from the window's elements; false when the window lacks one of them.
  bool CreateDialog();
  int InitializeUserPane(const nx::platform::Bundle* bundle, ppd_file_t* ppd) override;

  // Opens the window modally for `record` (kept; a copy is edited) in `openState`
  // (kCommunicationEditable or kCommunicationReadOnly). True when the user left with OK: the
  // record then holds the edited settings. Cancel, or any failure, leaves it unchanged.
  bool ActivateWindow(nx::phonebook::FaxRecord* record, int openState, const CommunicationDeviceState& device);
  using FaxPBPopupWinInPanel::ActivateWindow;

  // Shows the communication keys of `record`.
  void SetCurrentValueToUI(const nx::phonebook::FaxRecord& record);
  using FaxPBPopupWinInPanel::SetCurrentValueToUI;
  // Stores the controls' values into the edited copy.
  void getCommunicationSettings();
  // Every control enabled.
  void doEnableControl();
  // Read-only: every setting and OK disabled; Cancel and Help stay so the window can be left.
  void doUneditSetting();

  // The record being edited (the copy; the caller's record changes only on OK).
  const nx::phonebook::FaxRecord& GetCurrentEditRecord() const { return m_CurrentEditRecord; }
  int GetPanelState() const { return m_PanelState; }
  // The send type the radios show.
  int GetSendType() const;

  FaxPBCommunicationModePopupListCtrl* getCommunicationModeCtrl() const { return mode_.get(); }
  pdekit::PopupControl* getLineCtrl() const { return line_.get(); }
  FaxPBIDTextEditCtrl* getMailboxIDCtrl() const { return mailboxID_.get(); }
  FaxPBMailboxPasscodeTextEditCtrl* getMailboxPasscodeCtrl() const { return passcode_.get(); }
  FaxPBIDTextEditCtrl* getRelayStationIDCtrl() const { return relayID_.get(); }
  FaxPBDestinationIDEditCtrl* getDestinationIDCtrl() const { return dest_.get(); }
  FaxPBDestinationIDEditCtrl* getGroupDestinationIDCtrl() const { return groupDest_.get(); }
  FaxPBDestinationIDListView* getDestinationListView() const { return list_.get(); }
  pdekit::CheckBox* getPrintAtRelayCtrl() const { return printAtRelay_.get(); }
  pdekit::CheckBox* getGroupSendCtrl() const { return groupSend_.get(); }

  // Handlers of the buttons and radios (also reachable for callers that drive the window).
  void OnOK();
  void OnAddTo();
  void OnRemove();
  // Before the send type changes from the radios: false keeps Relay Send selected.
  bool OnSendTypeLeaving(int from, int to);
  // Enabling and hiding from the send type, group send and the list (and the opening state).
  void ApplyEnabling();

 private:
  void SelectSendType(int type);
  bool ElementEnabled(int tag);
  void SetEnabled(int tag, bool enabled);
  void SetHidden(int tag, bool hidden);
  void ShowAlert(const char* titleKey, const char* textKey);

  nx::phonebook::FaxRecord* m_CurrentEditRecordPtr = nullptr;
  nx::phonebook::FaxRecord m_CurrentEditRecord;
  int m_PanelState = kCommunicationEditable;
  CommunicationDeviceState device_;
  bool created_ = false;
  bool initialised_ = false;
  bool relayRestricted_ = false;

  std::shared_ptr<FaxPBCommunicationModePopupListCtrl> mode_;
  std::shared_ptr<pdekit::PopupControl> line_;
  std::unique_ptr<pdekit::RadioGroup> radios_;
  std::vector<std::shared_ptr<FaxPBCommunicationSettingsWinRadioButton>> radioButtons_;
  std::shared_ptr<FaxPBIDTextEditCtrl> mailboxID_;
  std::shared_ptr<FaxPBMailboxPasscodeTextEditCtrl> passcode_;
  std::shared_ptr<FaxPBIDTextEditCtrl> relayID_;
  std::shared_ptr<FaxPBDestinationIDEditCtrl> dest_;
  std::shared_ptr<FaxPBDestinationIDEditCtrl> groupDest_;
  std::shared_ptr<pdekit::CheckBox> printAtRelay_;
  std::shared_ptr<pdekit::CheckBox> groupSend_;
  std::shared_ptr<FaxPBDestinationIDListView> list_;
  std::shared_ptr<pdekit::TextEditCtrl> fcode_;
  std::shared_ptr<pdekit::TextEditCtrl> fcodePassword_;
  std::shared_ptr<pdekit::PopupControl> category_;
};

}  // namespace faxpde
