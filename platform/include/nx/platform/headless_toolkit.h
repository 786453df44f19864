// The headless toolkit: windows and elements kept in memory, driven by a scripted user.
//
// A script is a queue of steps. A modal run takes steps from its front and performs them on
// its window until the window's modal run is stopped; a step that opens a child window runs the
// child's loop, which takes the following steps, and control returns to the parent's loop when
// the child stops. Alerts and open/save panels take their answer from the front of the queue.
// Every alert is recorded (keys, arguments, texts, answer), and so is every beep. A step that a
// user could not perform (missing, hidden or disabled element, an item that is disabled, a
// script that runs out inside a modal run, an alert without a scripted answer) is refused and
// recorded in Errors(); a modal run left without steps ends with kModalResponseAbort.
#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "nx/platform/toolkit.h"

namespace nx::platform::ui {

class HeadlessToolkit;
class ScriptedToolkit;

struct Step {
  enum class Type {
    kClick,        // buttons; check boxes toggle; radio buttons switch on
    kSetState,     // check box / radio button to `index`, then its action
    kSelect,       // popup item or list row `index`, then the action
    kSelectRows,   // list rows `rows`, then the action
    kDoubleClick,  // list row `index`, then the double action
    kType,         // `text` typed into a field one character at a time (formatter on each)
    kPaste,        // `text` appended in one edit
    kClear,        // the field emptied in one edit
    kEndEditing,   // the field's action (Return or leaving the field)
    kEnter,        // kClear + kType + kEndEditing (TypeText makes kType)
    kSetDate,      // `date` into a date picker, then its action
    kAnswerAlert,  // the next alert is answered with button `index` (0 = first)
    kChooseFile,   // the next open/save panel answers `text` (kCancelPanel: cancelled)
    kCancelPanel,
    kCall,         // `call` run with the toolkit and the window in front (for anything else)
  };
  Type type = Type::kClick;
  int tag = 0;
  int index = 0;
  std::vector<int> rows;
  std::string text;
  DateTime date;
  // When set, the window the step is meant for: a step that comes up in another window is an
  // error that ends the modal run.
  std::string window;
  std::function<void(ScriptedToolkit&, View*)> call;

  static Step Click(int tag);
  static Step SetState(int tag, int state);
  static Step Select(int tag, int index);
  static Step SelectRows(int tag, std::vector<int> rows);
  static Step DoubleClick(int tag, int row);
  static Step TypeText(int tag, std::string text);
  static Step Paste(int tag, std::string text);
  static Step Clear(int tag);
  static Step EndEditing(int tag);
  static Step Enter(int tag, std::string text);
  static Step SetDate(int tag, DateTime date);
  static Step AnswerAlert(int button);
  static Step ChooseFile(std::string path);
  static Step CancelPanel();
  // Run only by the headless toolkit (other scripted toolkits pass over it).
  static Step Call(std::function<void(HeadlessToolkit&, View*)> call);
  // Run by whichever scripted toolkit takes the step.
  static Step CallAny(std::function<void(ScriptedToolkit&, View*)> call);
  // The same step, bound to the window named `name`.
  Step In(std::string name) &&;
  std::string Describe() const;
};

struct AlertRecord {
  Alert alert;
  int answer = 0;      // index of the button pressed
  std::string window;  // the modal window in front when it showed (empty: none)
};

// A toolkit whose user is a script of steps: the headless toolkit, or a desktop toolkit whose
// real widgets the steps operate. Modal runs, alerts and panels take their steps as described
// above; what a user could not do is refused and recorded in Errors().
class ScriptedToolkit : public Toolkit {
 public:
  virtual void Push(Step step) = 0;
  virtual size_t PendingSteps() const = 0;
  // Performs one user action on `view` now (a pane of the dialog, outside any modal run).
  // False, with an error recorded, when a user could not do it.
  virtual bool Perform(View& view, const Step& step) = 0;
  virtual const std::vector<AlertRecord>& Alerts() const = 0;
  virtual int BeepCount() const = 0;
  virtual const std::vector<std::string>& Errors() const = 0;
};

// The answer a file panel takes from the front of `script`: the chosen path, or nullopt when
// the step cancels it or when no such step is next (`missing` set then; the step stays).
std::optional<std::string> TakeFileAnswer(std::deque<Step>& script, bool* missing);

class HeadlessToolkit final : public ScriptedToolkit {
 public:
  HeadlessToolkit();
  ~HeadlessToolkit() override;

  // Script.
  void Push(Step step) override;
  void Push(std::vector<Step> steps);
  size_t PendingSteps() const override { return script_.size(); }

  bool Perform(View& view, const Step& step) override;

  // What happened.
  const std::vector<AlertRecord>& Alerts() const override { return alerts_; }
  int BeepCount() const override { return beeps_; }
  const std::vector<std::string>& Errors() const override { return errors_; }
  // One line per event: "modal begin <name>", "modal end <name> <response>", "alert <key>",
  // "beep", "open panel", "save panel", and each performed step (typed text only by its length,
  // as it may be a password).
  const std::vector<std::string>& Transcript() const { return transcript_; }
  const std::vector<OpenPanelRequest>& OpenPanels() const { return open_panels_; }
  const std::vector<SavePanelRequest>& SavePanels() const { return save_panels_; }
  // Names of the windows in modal runs, outermost first.
  std::vector<std::string> ModalStack() const;
  int MaxModalDepth() const { return max_depth_; }
  void ClearRecords();

  // Toolkit.
  std::unique_ptr<View> LoadView(const Bundle& bundle, std::string_view name) override;
  std::unique_ptr<Window> LoadWindow(const Bundle& bundle, std::string_view name) override;
  std::unique_ptr<View> CreateView(std::string name) override;
  std::unique_ptr<Window> CreateWindow(std::string name, std::string title) override;
  int RunModal(Window& window) override;
  void StopModal(Window& window, int response) override;
  bool IsRunningModal(const Window& window) const override;
  int RunAlert(const Alert& alert) override;
  void Beep() override;
  std::optional<std::string> RunOpenPanel(const OpenPanelRequest& request) override;
  std::optional<std::string> RunSavePanel(const SavePanelRequest& request) override;

  // Deepest nesting of modal runs accepted; deeper runs abort at once.
  static constexpr int kMaxModalDepth = 32;

 private:
  struct Frame {
    Window* window;
    bool stopped = false;
    int response = kModalResponseAbort;
  };
  void Error(std::string message);
  bool Edit(Element& element, const std::string& text);
  std::optional<std::string> TakeFileAnswer(const char* what);

  std::deque<Step> script_;
  std::vector<Frame> frames_;
  std::vector<AlertRecord> alerts_;
  std::vector<std::string> errors_;
  std::vector<std::string> transcript_;
  std::vector<OpenPanelRequest> open_panels_;
  std::vector<SavePanelRequest> save_panels_;
  int beeps_ = 0;
  int max_depth_ = 0;
};

}  // namespace nx::platform::ui
