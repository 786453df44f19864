// A scripted user on the Qt widgets; see qt_scripted_toolkit.h.
#include "nx/desktop/qt_scripted_toolkit.h"

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QDialog>
#include <QFileDialog>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <algorithm>
#include <deque>
#include <filesystem>

#include "nx/desktop/qt_toolkit.h"
#include "qt_element.h"

namespace nx::desktop {
namespace {

using platform::ui::Element;
using platform::ui::ElementKind;
using platform::ui::Step;
using platform::ui::View;
using platform::ui::Window;

bool InRange(int index, size_t size) { return index >= 0 && static_cast<size_t>(index) < size; }

// Splits UTF-8 text into characters, one key press each.
std::vector<QString> Keys(const QString& all) {
  std::vector<QString> out;
  for (int i = 0; i < all.size();) {
    const int len = all.at(i).isHighSurrogate() && i + 1 < all.size() ? 2 : 1;
    out.push_back(all.mid(i, len));
    i += len;
  }
  return out;
}

std::string Lower(std::string s) {
  for (auto& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

bool HasAllowedExtension(const std::string& path, const std::vector<std::string>& allowed) {
  const std::string ext = Lower(std::filesystem::path(path).extension().string());
  return std::any_of(allowed.begin(), allowed.end(), [&](const std::string& a) { return "." + Lower(a) == ext; });
}

void Key(QWidget* w, int key, const QString& text = {}) {
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
  QCoreApplication::sendEvent(w, &press);
  QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
  QCoreApplication::sendEvent(w, &release);
}

class ScriptedQtToolkit final : public platform::ui::ScriptedToolkit {
 public:
  ScriptedQtToolkit() : inner_(MakeQtToolkit()), guard_(new QObject) {}

  void Push(Step step) override { script_.push_back(std::move(step)); }
  size_t PendingSteps() const override { return script_.size(); }
  const std::vector<platform::ui::AlertRecord>& Alerts() const override { return alerts_; }
  int BeepCount() const override { return beeps_; }
  const std::vector<std::string>& Errors() const override { return errors_; }

  bool Perform(View& view, const Step& step) override;

  std::unique_ptr<View> LoadView(const platform::Bundle& bundle, std::string_view name) override {
    return inner_->LoadView(bundle, name);
  }
  std::unique_ptr<Window> LoadWindow(const platform::Bundle& bundle, std::string_view name) override {
    return inner_->LoadWindow(bundle, name);
  }
  std::unique_ptr<View> CreateView(std::string name) override { return inner_->CreateView(std::move(name)); }
  std::unique_ptr<Window> CreateWindow(std::string name, std::string title) override {
    return inner_->CreateWindow(std::move(name), std::move(title));
  }

  int RunModal(Window& window) override {
    if (IsRunningModal(window)) {
      Error("window " + window.Name() + " is already in a modal run");
      return platform::ui::kModalResponseAbort;
    }
    if (frames_.size() >= static_cast<size_t>(platform::ui::HeadlessToolkit::kMaxModalDepth)) {
      Error("modal runs nested deeper than " + std::to_string(platform::ui::HeadlessToolkit::kMaxModalDepth));
      return platform::ui::kModalResponseAbort;
    }
    frames_.push_back({&window});
    Schedule();
    const int response = inner_->RunModal(window);
    frames_.pop_back();  // runs end innermost first
    if (!frames_.empty()) Schedule();
    return response;
  }
  void StopModal(Window& window, int response) override {
    for (auto& f : frames_)
      if (f.window == &window) f.stopped = true;
    inner_->StopModal(window, response);
  }
  bool IsRunningModal(const Window& window) const override { return inner_->IsRunningModal(window); }

  int RunAlert(const platform::ui::Alert& alert) override {
    platform::ui::AlertRecord record{alert, 0, frames_.empty() ? std::string() : frames_.back().window->Name()};
    if (record.alert.buttons.empty()) record.alert.buttons.push_back("OK");
    int press = 0;
    if (!script_.empty() && script_.front().type == Step::Type::kAnswerAlert) {
      press = script_.front().index;
      script_.pop_front();
      if (!InRange(press, record.alert.buttons.size())) {
        Error("alert " + alert.title_key + "/" + alert.text_key + " has no button " + std::to_string(press));
        press = 0;
      }
    } else {
      Error("alert " + alert.title_key + "/" + alert.text_key + " shown with no scripted answer");
    }
    // The box has no button order of its own to go by: its buttons are found by their titles.
    QString title = alert.buttons.empty() ? QString() : QString::fromStdString(alert.buttons[press]).replace('&', "&&");
    WhenShown<QMessageBox>([title](QMessageBox* box) {
      QAbstractButton* target = title.isEmpty() ? box->button(QMessageBox::Ok) : nullptr;
      for (QAbstractButton* b : box->buttons())
        if (!target && b->text() == title) target = b;
      if (target) target->click();
      else box->reject();
    });
    const int answer = inner_->RunAlert(alert);
    record.answer = answer - platform::ui::kAlertFirstButtonReturn;
    alerts_.push_back(record);
    return answer;
  }
  void Beep() override {
    ++beeps_;
    inner_->Beep();
  }

  std::optional<std::string> RunOpenPanel(const platform::ui::OpenPanelRequest& request) override {
    std::optional<std::string> path = TakeFileAnswer("open panel");
    std::error_code ec;
    if (path && !std::filesystem::is_regular_file(*path, ec)) {
      Error("open panel: no file " + *path);
      path.reset();
    } else if (path && !request.allowed_extensions.empty() && !HasAllowedExtension(*path, request.allowed_extensions)) {
      Error("open panel: " + *path + " is not of an allowed type");
      path.reset();
    }
    AnswerFileDialog(path);
    return inner_->RunOpenPanel(request);
  }
  std::optional<std::string> RunSavePanel(const platform::ui::SavePanelRequest& request) override {
    std::optional<std::string> path = TakeFileAnswer("save panel");
    if (path) {
      const std::filesystem::path p(*path);
      std::error_code ec;
      if (p.filename().empty() ||
          !std::filesystem::is_directory(p.parent_path().empty() ? "." : p.parent_path(), ec)) {
        Error("save panel: no folder for " + *path);
        path.reset();
      }
    }
    AnswerFileDialog(path);
    return inner_->RunSavePanel(request);
  }

 private:
  struct Frame {
    Window* window;
    bool stopped = false;
  };

  void Error(std::string message) { errors_.push_back(std::move(message)); }

  // The next step runs from the event loop of the window in front, once per pass.
  void Schedule() {
    if (scheduled_) return;
    scheduled_ = true;
    QTimer::singleShot(0, guard_.get(), [this] {
      scheduled_ = false;
      Next();
    });
  }

  void Next() {
    if (frames_.empty() || frames_.back().stopped) return;
    // An alert or file dialog in front belongs to the step still running (its loop runs this
    // pass): that step goes on once it is answered, and schedules the next one then.
    QWidget* front = QApplication::activeModalWidget();
    if (qobject_cast<QMessageBox*>(front) || qobject_cast<QFileDialog*>(front)) return;
    Window& window = *frames_.back().window;
    if (script_.empty()) {
      Error("script ran out in modal window " + window.Name());
      StopModal(window, platform::ui::kModalResponseAbort);
      return;
    }
    Step step = std::move(script_.front());
    script_.pop_front();
    if (!step.window.empty() && step.window != window.Name()) {
      Error("\"" + step.Describe() + "\" came up in modal window " + window.Name());
      StopModal(window, platform::ui::kModalResponseAbort);
      return;
    }
    Perform(window, step);
    Schedule();
  }

  // Runs `act` on the modal dialog of type D once it is in front (it shows after the call that
  // asks for it has begun its loop).
  template <typename D, typename F>
  void WhenShown(F act, int tries = 200) {
    QTimer::singleShot(0, guard_.get(), [this, act, tries] {
      if (auto* d = qobject_cast<D*>(QApplication::activeModalWidget()); d && d->isVisible()) act(d);
      else if (tries > 0) WhenShown<D>(act, tries - 1);
    });
  }

  std::optional<std::string> TakeFileAnswer(const char* what) {
    bool missing = false;
    std::optional<std::string> path = platform::ui::TakeFileAnswer(script_, &missing);
    if (missing) Error(std::string(what) + " shown with no scripted answer");
    return path;
  }

  void AnswerFileDialog(std::optional<std::string> path) {
    WhenShown<QFileDialog>([path](QFileDialog* d) {
      if (!path) {
        d->reject();
        return;
      }
      // A user who typed the name of an existing file means to replace it.
      d->setOption(QFileDialog::DontConfirmOverwrite);
      d->selectFile(QString::fromStdString(*path));
      static_cast<QDialog*>(d)->accept();  // the Open or Save button
    });
  }

  bool Edit(QLineEdit* line, const Step& step);

  std::unique_ptr<platform::ui::Toolkit> inner_;
  std::unique_ptr<QObject> guard_;  // context of queued steps: none runs after the toolkit
  std::deque<Step> script_;
  std::vector<Frame> frames_;
  std::vector<platform::ui::AlertRecord> alerts_;
  std::vector<std::string> errors_;
  int beeps_ = 0;
  bool scheduled_ = false;
};

// Keys into the field, as a user types; the field's validator (the element's formatter) lets
// each edit stand or not.
bool ScriptedQtToolkit::Edit(QLineEdit* line, const Step& step) {
  using T = Step::Type;
  if (step.type == T::kClear || step.type == T::kEnter) {
    line->selectAll();
    Key(line, Qt::Key_Backspace);
  }
  line->end(false);
  if (step.type == T::kPaste) {
    QApplication::clipboard()->setText(QString::fromStdString(step.text));
    line->paste();
  }
  if (step.type == T::kType || step.type == T::kEnter)
    TypeKeys(line, QString::fromStdString(step.text));
  if (step.type == T::kEndEditing || step.type == T::kEnter) {
    // Leaving the field ends the edit (Return would also press the window's default button).
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QCoreApplication::sendEvent(line, &out);
  }
  return true;
}

bool ScriptedQtToolkit::Perform(View& view, const Step& step) {
  using T = Step::Type;
  if (step.type == T::kCall) {
    if (step.call) step.call(*this, &view);
    return true;
  }
  if (step.type == T::kAnswerAlert || step.type == T::kChooseFile || step.type == T::kCancelPanel) {
    Error("\"" + step.Describe() + "\" with no alert or panel showing in " + view.Name());
    return false;
  }
  auto* e = dynamic_cast<QtElement*>(view.FindElement(step.tag));
  if (!e) {
    Error("no element with tag " + std::to_string(step.tag) + " in " + view.Name());
    return false;
  }
  // What the user sees: a control inside a hidden or disabled box is hidden or disabled too.
  QWidget* control = e->Control();
  const bool hidden = !e->Outer()->isVisibleTo(e->Outer()->window());
  if (hidden || !control->isEnabled()) {
    Error("\"" + step.Describe() + "\": element is " + (hidden ? "hidden" : "disabled") + " in " + view.Name());
    return false;
  }
  auto wrong_kind = [&] {
    Error("\"" + step.Describe() + "\" does not apply to a " + std::string(platform::ui::ElementKindName(e->Kind())) +
          " in " + view.Name());
    return false;
  };
  const ElementKind kind = e->Kind();
  auto* button = qobject_cast<QAbstractButton*>(control);
  auto* combo = qobject_cast<QComboBox*>(control);
  auto* tree = qobject_cast<QTreeWidget*>(control);
  switch (step.type) {
    case T::kClick:
      if (button) button->click();
      else if (kind == ElementKind::kImage || kind == ElementKind::kCustom) e->SendAction();  // no widget of its own
      else return wrong_kind();
      return true;
    case T::kSetState:
      if (kind != ElementKind::kCheckBox && kind != ElementKind::kRadioButton) return wrong_kind();
      // A check box is clicked until it shows the state; a radio button that is on is clicked
      // all the same (it stays on).
      if (e->IntValue() != (step.index != 0 ? 1 : 0) || kind == ElementKind::kRadioButton) button->click();
      return true;
    case T::kSelect:
    case T::kDoubleClick: {
      if (!combo && !tree) return wrong_kind();
      if (step.type == T::kDoubleClick && !tree) return wrong_kind();
      if (!InRange(step.index, static_cast<size_t>(e->ItemCount())) || !e->IsItemEnabled(step.index)) {
        Error("\"" + step.Describe() + "\": no such enabled item in " + view.Name());
        return false;
      }
      if (combo) {
        // Chosen from the open popup: the popup closes and reports the choice.
        combo->setCurrentIndex(step.index);
        emit combo->activated(step.index);
        return true;
      }
      QTreeWidgetItem* item = tree->topLevelItem(step.index);
      tree->setCurrentItem(item, 0, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
      if (step.type == T::kDoubleClick) emit tree->itemDoubleClicked(item, 0);
      return true;
    }
    case T::kSelectRows: {
      if (!tree) return wrong_kind();
      QItemSelection selection;
      for (int r : step.rows) {
        if (!InRange(r, static_cast<size_t>(e->ItemCount()))) {
          Error("\"" + step.Describe() + "\": no row " + std::to_string(r) + " in " + view.Name());
          return false;
        }
        const QModelIndex index = tree->model()->index(r, 0);
        selection.select(index, index);
      }
      tree->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
      return true;
    }
    case T::kType:
    case T::kPaste:
    case T::kClear:
    case T::kEndEditing:
    case T::kEnter: {
      auto* line = qobject_cast<QLineEdit*>(control);
      if (!line) return wrong_kind();
      if (auto* w = dynamic_cast<Window*>(&view)) w->MakeFirstResponder(e);
      return Edit(line, step);
    }
    case T::kSetDate: {
      auto* d = qobject_cast<QDateTimeEdit*>(control);
      if (!d) return wrong_kind();
      d->setDateTime(QDateTime(QDate(step.date.year, step.date.month, step.date.day),
                               QTime(step.date.hour, step.date.minute, step.date.second)));
      return true;
    }
    default:
      return wrong_kind();
  }
}

}  // namespace

void TypeKeys(QWidget* widget, const QString& text) {
  for (const QString& ch : Keys(text)) Key(widget, Qt::Key_unknown, ch);
}

std::unique_ptr<platform::ui::ScriptedToolkit> MakeScriptedQtToolkit() {
  return std::make_unique<ScriptedQtToolkit>();
}

}  // namespace nx::desktop
