// The accounting windows: the details windows of the two account modes (administrator keys
// "JBAAdmin...", user keys "JBA...") and the per-job input window ("JBAInput...") that printing
// opens when the current mode asks for details with each job.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "pdekit/BasePrintPanel.h"
#include "pdekit/ControlTables.h"
#include "pdekit/PopupControl.h"
#include "pdekit/SimpleControls.h"
#include "pdekit/StateControls.h"
#include "pdekit/TextEditCtrl.h"

namespace accountpde {

class JBAPDEnxbiqm08;

// Element tags of the details windows.
enum JBAInfoTag {
  kInfoOK = 10, kInfoCancel = 11, kInfoRestore = 12, kInfoHelp = 13,
  kInfoStoredRadio = 20, kInfoSpecifyLabel = 21, kInfoSourceList = 22, kInfoDomainLabel = 23, kInfoDomain = 24,
  kInfoUserIDLabel = 25, kInfoUserID = 26, kInfoLogin = 27, kInfoPasswordLabel = 28, kInfoPassword = 29,
  kInfoPerJobRadio = 30, kInfoAccountLabel = 31, kInfoAccount = 32, kInfoLastInput = 33, kInfoUserIDFormat = 34,
  kInfoAccountFormat = 35,
};
// Element tags of the per-job input window.
enum JBAInputTag {
  kInputOK = 10, kInputCancel = 11, kInputHelp = 13, kInputAuthRadio = 40,
  kInputDomainLabel = 41, kInputDomain = 42, kInputDomainMasked = 43,
  kInputUserIDLabel = 44, kInputUserID = 45, kInputUserIDMasked = 46,
  kInputPasswordLabel = 47, kInputPassword = 48,
  kInputAccountLabel = 49, kInputAccount = 50, kInputAccountMasked = 51, kInputInfoSet = 52,
};

extern const pdekit::InputFilter kJBAPasswordFilter;  // 0x20-0x7E and the yen sign, "Warning33"
extern const pdekit::InputFilter kJBADomainFilter;    // 0x20-0x7E, "Warning35"

// Element tags that the information-setting item `item` (1..9) disables in the details window
// of the current account mode and in the per-job window: the fields of the identity prompts the
// device does not use.
std::span<const int> InfoSetDisabledDetails(int item);
std::span<const int> InfoSetDisabledInput(int item);

// Summary text of a password-type field: one dot per column of its width.
std::string MaskedSummaryText(const std::string& text);
// The login name when it passes the names filter (at most 32 bytes), else "UnknownUser".
std::string LoginNameForField(const std::optional<std::string>& login);

// A text field of the accounting windows: the user ID's minimum width holds even when empty,
// spaces-only text is refused where the field says so, hidden or disabled fields are not
// checked, and storing may be switched off (hidden details fields, input fields without the
// last-input memory).
class JBATextEdit : public pdekit::TextEditCtrl {
 public:
  struct Rules {
    bool required = false;           // the minimum width applies to an empty text too
    bool refuseAllSpaces = true;
    bool masked = false;             // summary shows dots
    const char* summaryTitle = nullptr;
    std::function<bool()> summarise;  // summary line only when this answers true
    std::function<bool()> store;      // preferences stored only when this answers true
  };
  JBATextEdit(nx::platform::ui::Element* element, const pdekit::TextEditIniData* ini,
              const pdekit::ConstrainTable* constrain, const pdekit::DataAccessInfo* access,
              const pdekit::InputFilter* filter, Rules rules);
  bool InvalidateData() override;
  bool SetValueToPreference() override;
  bool SetValueToPreferenceWithPrinterSettings() override;
  void GetSummaryText(pdekit::SummaryInfo& summary) override;
  bool Checked() const { return !ControlPtr || ControlPtr->IsHidden() || !ControlPtr->IsEnabled(); }
  // Takes the default value and stores it in place of a remembered one, whatever the store
  // rule says.
  void SetDefaultValueToPreference();

 private:
  Rules rules_;
};

// A radio button that first validates the fields of its list; a failure keeps both radios of
// its group as they were.
class JBARadio : public pdekit::RadioButton {
 public:
  JBARadio(nx::platform::ui::Element* element, const pdekit::RadioButtonIniData* ini,
           const pdekit::ConstrainTable* constrain, const pdekit::DataAccessInfo* access, std::vector<int> validate);
  void RequestControlAction(nx::platform::ui::Element& sender) override;

 private:
  std::vector<int> validate_;
};

// The user ID source list: validates the user ID before a change and empties the password.
class JBASourceList : public pdekit::PopupControl {
 public:
  using PopupControl::PopupControl;
  void RequestControlAction(nx::platform::ui::Element& sender) override;
};

class JBADetailsWindow : public pdekit::PopupWinInPanel {
 public:
  // `admin`: the administrator-mode window (keys "JBAAdmin..."), else the user-mode window.
  JBADetailsWindow(std::unique_ptr<nx::platform::ui::Window> window, std::string titleKey, bool admin,
                   JBAPDEnxbiqm08& panel, std::vector<int>* encryptArray);
  ~JBADetailsWindow() override;
  int ActivateWindow() override;
  // Only the window of the current account mode has summary lines (both windows summarise
  // under the same titles).
  int GetSummaryText(pdekit::SummaryInfo& summary) override;
  void InitializePaneConstrains();
  // Disables what the information-setting mode leaves out, when this window belongs to the
  // current account mode.
  void ApplyInfoSetConstrains();

  bool getbEnterUserDetails() const;
  bool getbDisplayPrevious() const;
  bool getbHideUserID() const;
  bool getbHideAccountID() const;
  bool getbUseLoginNameSelect() const;
  bool IsAdminWindow() const { return admin_; }

 private:
  struct Keys;
  void OnOK();
  bool BelongsToCurrentMode() const;
  bool SummariseField(int tag) const;
  int StateOf(int tag) const;

  bool admin_;
  JBAPDEnxbiqm08& panel_;
  std::unique_ptr<Keys> keys_;
  pdekit::TextEditIniData loginIni_;
  std::unique_ptr<pdekit::RadioGroup> radios_;
};

class JBAInputWindow : public pdekit::PopupWinInPanel {
 public:
  JBAInputWindow(std::unique_ptr<nx::platform::ui::Window> window, std::string titleKey, JBAPDEnxbiqm08& panel,
                 std::vector<int>* encryptArray);
  ~JBAInputWindow() override;
  // Shows the window modally; OK sets the job status 2001, Cancel 2002.
  int Present();
  void InitializePaneConstrains();
  // Disables what the information-setting mode leaves out.
  void ApplyInfoSetConstrains();
  // Copies the texts of the variants the user saw into the other variants.
  void SycnContents();
  // Without the last-input memory: every field back to its default, and no remembered entry
  // left in the preferences.
  void SetControlDataToDefault();

 private:
  struct Keys;
  void OnOK();
  JBADetailsWindow* CurrentDetails() const;
  bool RememberInput() const;
  int StateOfAuth() const;

  JBAPDEnxbiqm08& panel_;
  std::unique_ptr<Keys> keys_;
  std::unique_ptr<pdekit::RadioGroup> radios_;
};

}  // namespace accountpde
