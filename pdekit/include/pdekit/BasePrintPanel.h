// The panel model: a BasePrintPanel owns the controls of one pane of the print dialog and the
// modal child windows opened from it, holds the links to the print session, print settings,
// PPD and host callback object, and runs every bulk operation over its controls in the order
// they were added, then over its child windows (stopping at the first child that answers
// non-zero).
//
// The concrete panels add the host protocol (PDEPanel) and their own controls. Controls and
// child windows are shared with the concrete panel that created them (it keeps typed
// references); the view is owned only when adopted. All calls arrive on the dialog's main
// thread.
#pragma once

#include <cups/ppd.h>

#include <memory>
#include <string>
#include <vector>

#include "nx/platform/toolkit.h"
#include "pdekit/BaseControl.h"
#include "pdekit/CQuickXPPD.h"
#include "pdekit/PDEHost.h"

namespace nx::platform {
class Bundle;
class Services;
}  // namespace nx::platform

namespace pdekit {

class PopupWinInPanel;

class BasePrintPanel {
  // Declared first so that it goes last, after every control that points into it.
  std::unique_ptr<nx::platform::ui::View> ownedView_;

 public:
  // initWithCallback: the host object is kept (not owned); the name starts empty.
  BasePrintPanel(PDEHostCallback* host, nx::platform::Services& services);
  virtual ~BasePrintPanel();
  BasePrintPanel(const BasePrintPanel&) = delete;
  BasePrintPanel& operator=(const BasePrintPanel&) = delete;

  // ---- Creation and wiring ----

  // Empties the arrays, zeroes session, printer, settings, PPD, and stores the view.
  virtual void CreatePanel(nx::platform::ui::View* view);
  // The same, the panel owning the view from now on.
  void CreatePanel(std::unique_ptr<nx::platform::ui::View> view);
  // Appends a control that has an element and answers its position; a control without an
  // element is not added and the answer is the current count.
  int RunTimeAddNewControl(std::shared_ptr<BaseControl> control);
  int RunTimeAddNewInstallableControl(std::shared_ptr<BaseControl> control);
  // Appends a child window, which learns its parent, and answers its position.
  int RunTimeAddNewWindow(std::shared_ptr<PopupWinInPanel> window);
  // The control whose element has the tag: own controls, installable watchers, then each child
  // window in order; null when none.
  virtual BaseControl* GetPanelControl(int identifier);

  void SetPanelControlPtr(nx::platform::ui::View* view) { windowRef = view; }
  nx::platform::ui::View* GetPanelControlPtr() const { return windowRef; }
  // The window of a child window; null for a pane.
  virtual nx::platform::ui::Window* GetPanelWindow() const { return nullptr; }
  void SetParenetPane(BasePrintPanel* parent) { pParentPane = parent; }
  BasePrintPanel* GetParentWnd() const { return pParentPane; }
  void SetCurrentPrintSession(PrintSession* session) { currentPrintSession = session; }
  PrintSession* GetCurrentPrintSession() const { return currentPrintSession; }
  virtual const std::string& GetCurrentPrinterString() const { return currentPrintString; }
  void SetCurrentPMPrintSettings(PrintSettings* settings) { m_pSettings = settings; }
  PrintSettings* GetCurrentPMPrintSettings() const { return m_pSettings; }
  void SetCurrentPPD(ppd_file_t* ppd) { m_ptCurrentPPD = ppd; }
  ppd_file_t* GetCurrentPPD() const { return m_ptCurrentPPD; }
  void SetCurrentPDECallbackObj(PDEHostCallback* host) { m_pPDECallbackObj = host; }
  PDEHostCallback* GetCurrentPDECallbackObj() const { return m_pPDECallbackObj; }
  void SetPDEBundleRef(const nx::platform::Bundle* bundle) { pdeBundleRef = bundle; }
  const nx::platform::Bundle* GetPDEBundleRef() const { return pdeBundleRef; }
  std::vector<std::string>& getGroupNameStrArrayRef() { return AllGroupNameStrArray; }
  std::vector<std::string>& getGeneralGroupOptionArrayRef() { return GeneralGroupOptionArray; }
  const std::vector<std::shared_ptr<BaseControl>>& getCtrlGroupArrayRef() const { return fCtrlGroupArray; }
  const std::vector<std::shared_ptr<BaseControl>>& getInstallableGroupArrayRef() const {
    return fCtrlInstallableGroupArray;
  }
  const std::vector<std::shared_ptr<PopupWinInPanel>>& getWindowGroupArrayRef() const { return fWindowGroupArray; }
  const nx::platform::PropertyValue::Dictionary* getPreferenceDictionaryRef() const { return preferenceDictionaryRef; }
  const nx::platform::PropertyValue::Dictionary* getPreferenceDictionaryAnyUserRef() const {
    return preferenceDictionaryAnyUserRef;
  }
  ConstraintIndex* Getxppd() const { return xppd; }
  // Stores the constraint index (not owned) and hands it to every child window.
  void SetxppdPtr(ConstraintIndex* index);
  void setPreferDictionary(const nx::platform::PropertyValue::Dictionary* dictionary,
                           const nx::platform::PropertyValue::Dictionary* anyUserDictionary);
  // The host's PPD when a session is set, else null.
  ppd_file_t* GetPPDRefFromCurrentPrintSession() const;

  nx::platform::Services& GetServices() const { return services_; }
  const std::string& GetLocalizeTableName() const { return LocalizeTableName; }
  void SetLocalizeTableName(std::string name) { LocalizeTableName = std::move(name); }
  const std::string& GetPDEName() const { return thePDEName; }
  void SetPDEName(std::string name) { thePDEName = std::move(name); }
  // The old-style preference reader of this panel's controls, handed to child windows too.
  void SetPreferenceReaderKind(PreferenceReaderKind kind);
  PreferenceReaderKind GetPreferenceReaderKind() const { return preferenceReaderKind_; }
  bool IsRegistPrintEvent() const { return isRegistPrintEvent; }
  void SetRegistPrintEvent(bool flag) { isRegistPrintEvent = flag; }

  // ---- Bulk operations (0 for success where an int is answered) ----

  virtual int InitializeUserPane(const nx::platform::Bundle* bundle, ppd_file_t* ppd);
  int InitializeUserPaneControl(const nx::platform::Bundle* bundle, ppd_file_t* ppd);
  void SetControlEventHandler();
  int InitilaizeChildWindow(const nx::platform::Bundle* bundle, ppd_file_t* ppd);
  int ConstrainPanelControlFromPPD(ppd_file_t* ppd);
  int ReInitializeUserPaneControl(const nx::platform::Bundle* bundle, ppd_file_t* ppd);
  int SetUIDataToIniData();
  int SetDefaultValueToUI();
  int GetValueFromPreference();
  int GetValueFromPreferenceWithPrinterSettings();
  int GetValueFromPreset();
  int SetCurrentValueToUI();
  int SetValueFromUIToControl();
  // 0 when every writer of the panel and its children succeeded, else 1 (children are visited
  // in order, stopping at the first that fails).
  int SetValueToPreference();
  int SetValueToPreferenceWithPrinterSettings();
  int SetValueToTicket(PrintSettings* settings, bool locked);
  int SetValueToTicket(PrintSettings* settings, bool locked, const std::vector<int>* encryptTags);
  // The lines of the controls, then of the children; a child window may leave its out.
  virtual int GetSummaryText(SummaryInfo& summary);
  int Open();
  int Close();
  int pdeTerminate();
  int ResetControlStatus();
  int ResetCurrentControlStatus();
  int UpdateConflictsPanelControlFromPPD(ppd_file_t* ppd);

  // ---- Printer and settings ----

  // Stores the session and takes its current printer identifier; false when there is none or a
  // child window fails.
  virtual bool SetCurrentPrinterString(PrintSession* session);
  virtual bool SetCurrentPrintSettings(PrintSettings* settings, ppd_file_t* ppd, PDEHostCallback* host,
                                       PrintSession* session);
  // For a group of windows: initialise (first time), bind to the host's current objects, load
  // ini data (first time), presets and show. 0, or -1 / the first non-zero answer on failure.
  int InitializeUserPane(bool firstTime, const std::vector<BasePrintPanel*>& windows);
  // Drops a stale help cache entry of the bundle and registers its help book.
  int registerHelpBookFor106();
  virtual bool shouldHide() { return true; }
  virtual void willShow() {}
  virtual void terminate() {}

 protected:
  nx::platform::Services& services_;
  PDEHostCallback* m_pPDECallbackObj = nullptr;
  std::string thePDEName;
  nx::platform::ui::View* windowRef = nullptr;
  BasePrintPanel* pParentPane = nullptr;
  std::vector<std::shared_ptr<BaseControl>> fCtrlGroupArray;
  std::vector<std::shared_ptr<BaseControl>> fCtrlInstallableGroupArray;
  std::vector<std::shared_ptr<PopupWinInPanel>> fWindowGroupArray;
  std::vector<std::string> AllGroupNameStrArray;
  std::vector<std::string> GeneralGroupOptionArray;
  PrintSession* currentPrintSession = nullptr;
  std::string currentPrintString;
  PrintSettings* m_pSettings = nullptr;
  ppd_file_t* m_ptCurrentPPD = nullptr;
  const nx::platform::Bundle* pdeBundleRef = nullptr;
  std::string LocalizeTableName;
  const nx::platform::PropertyValue::Dictionary* preferenceDictionaryRef = nullptr;
  const nx::platform::PropertyValue::Dictionary* preferenceDictionaryAnyUserRef = nullptr;
  bool isRegistPrintEvent = false;
  ConstraintIndex* xppd = nullptr;
  PreferenceReaderKind preferenceReaderKind_ = PreferenceReaderKind::kStandard;

  // Sets the localization table from the PPD when it is still unset.
  void TakeLocalizeTableName(ppd_file_t* ppd);
};

class PopupWinInPanel : public BasePrintPanel {
 public:
  // `window` is owned; `titleKey` is localized when the window is initialised.
  PopupWinInPanel(std::unique_ptr<nx::platform::ui::Window> window, std::string titleKey, PDEHostCallback* host,
                  nx::platform::Services& services);
  ~PopupWinInPanel() override;

  nx::platform::ui::Window* GetPanelWindow() const override { return window_; }
  int InitializeUserPane(const nx::platform::Bundle* bundle, ppd_file_t* ppd) override;
  // Re-initialises the controls with the stored bundle and PPD, the title and the events.
  virtual int ReInitializeUserPane();
  // Re-initialises, loads ini data, shows the values and runs the window modally; answers the
  // modal response (kModalResponseAbort without a window).
  virtual int ActivateWindow();
  // Ends the modal run with `response` and closes the window.
  virtual void DeactivateWindow(int response = nx::platform::ui::kModalResponseStop);
  // The response the window was last left with.
  int GetExitResponse() const { return exitResponse_; }
  // GetValueFromUI on every control that has an element.
  void SycValueFromUI();
  bool IsActived() const { return isActived; }
  void ChangeActivedStatus() { isActived = true; }
  void ChangeActivedStatus(bool flag) { isActived = flag; }
  // The parent's printer identifier.
  const std::string& GetCurrentPrinterString() const override;
  const std::string& GetWinTitleKey() const { return winTitleTextRef; }
  ppd_file_t* GetInitializedPPD() const { return currentPPD; }

 protected:
  std::string winTitleTextRef;
  bool isActived = false;
  ppd_file_t* currentPPD = nullptr;

 private:
  void SetLocalizedTitle();
  nx::platform::ui::Window* window_ = nullptr;  // owned by the base as the panel's view
  int exitResponse_ = nx::platform::ui::kModalResponseAbort;
};

}  // namespace pdekit
