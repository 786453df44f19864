// The stand-in print dialog; see DialogHost.h.
#include "pdehost/DialogHost.h"

#include <algorithm>
#include <functional>

#include "nx/platform/services.h"

namespace pdehost {

using nx::platform::ui::Element;
using nx::platform::ui::ElementKind;
using nx::platform::ui::ScriptedToolkit;
using nx::platform::ui::Step;
using nx::platform::ui::View;
using nx::platform::ui::Window;
using Action = ScenarioStep::Action;

DialogHost::DialogHost(nx::platform::Services& services, ScenarioToolkit& toolkit)
    : toolkit_(toolkit), session_(services) {}

DialogHost::~DialogHost() = default;

bool DialogHost::Open(const DialogSetup& setup, std::string* error) { return session_.Open(setup, error); }

void DialogHost::ShowPanel(Panel& panel, size_t step) {
  for (auto& problem : session_.ShowPanel(panel)) failures_.push_back({step, std::move(problem)});
}

// Plays one scenario: every step becomes a step of the toolkit's script, performed from the
// dialog's modal loop or from the loop of whatever window is in front.
class DialogHost::Runner {
 public:
  Runner(DialogHost& host, const Scenario& scenario) : host_(host), scenario_(scenario) {}

  DialogReport Run() {
    ScriptedToolkit& tk = host_.toolkit_.scripted();
    host_.failures_.clear();
    host_.toolkit_.ClearExpectations();
    host_.toolkit_.SetFailureSink([this](size_t step, std::string message) {
      host_.failures_.push_back({step, Context(step) + ": " + message});
    });
    for (const ScenarioStep& s : scenario_.steps) descriptions_[s.number] = s.Describe();
    dialog_ = host_.toolkit_.CreateWindow("Print Dialog", "Print");
    attributed_ = tk.Errors().size();

    Push(0, Step::CallAny([this](ScriptedToolkit&, View*) { OpenDialog(); }));
    bool ends = false;
    for (const ScenarioStep& s : scenario_.steps) {
      switch (s.action) {
        case Action::kAnswerAlert:
          host_.toolkit_.ExpectAlert({s.number, s.expectTitleKey, s.expectTextKey});
          Push(s.number, Step::AnswerAlert(s.index));
          break;
        case Action::kChooseFile: Push(s.number, Step::ChooseFile(s.text)); break;
        case Action::kCancelPanel: Push(s.number, Step::CancelPanel()); break;
        default:
          if (s.action == Action::kPrint || s.action == Action::kCancel) ends = true;
          Push(s.number, Step::CallAny([this, &s](ScriptedToolkit& t, View* front) { Guarded(s.number, t, front, s); }));
      }
    }
    if (!ends) {
      static const ScenarioStep kPrintAtEnd = [] {
        ScenarioStep p;
        p.action = Action::kPrint;
        return p;
      }();
      Push(0, Step::CallAny([this](ScriptedToolkit& t, View* front) { Guarded(0, t, front, kPrintAtEnd); }));
    }
    const size_t total = stepNumbers_.size();

    host_.toolkit_.RunModal(*dialog_);

    Attribute(0);
    if (const size_t left = tk.PendingSteps(); left > 0) {
      const size_t first = stepNumbers_[total - left];
      Fail(first, Context(first) + ": this and the following steps were never reached");
    }
    DialogReport report;
    report.jobOptions = host_.JobOptions();
    for (const auto& [key, want] : scenario_.expectSettings) {
      const auto it = std::find_if(report.jobOptions.begin(), report.jobOptions.end(),
                                   [&](const auto& e) { return e.first == key; });
      if (!want && it != report.jobOptions.end())
        host_.failures_.push_back({0, "expected no setting " + key + ", found \"" + it->second + "\""});
      else if (want && it == report.jobOptions.end())
        host_.failures_.push_back({0, "expected setting " + key + " = \"" + *want + "\", found none"});
      else if (want && it->second != *want)
        host_.failures_.push_back({0, "expected setting " + key + " = \"" + *want + "\", found \"" + it->second + "\""});
    }
    report.failures = host_.failures_;
    report.outcome = !report.failures.empty() ? DialogOutcome::kExpectationFailed
                     : printed_               ? DialogOutcome::kPrinted
                                              : DialogOutcome::kCancelled;
    report.cancelReason = printed_ ? std::string() : cancelReason_.empty() ? "the dialog was not ended" : cancelReason_;
    report.panels = host_.session_.Reports();
    report.alerts = tk.Alerts();
    host_.toolkit_.SetFailureSink(nullptr);
    return report;
  }

 private:
  void Push(size_t number, Step step) {
    stepNumbers_.push_back(number);
    host_.toolkit_.scripted().Push(std::move(step));
  }

  void Fail(size_t step, std::string message) { host_.failures_.push_back({step, std::move(message)}); }

  std::string Context(size_t step) const {
    const auto it = descriptions_.find(step);
    return it != descriptions_.end() ? it->second : std::string("print dialog");
  }

  // Errors the scripted user ran into since the last look belong to `step`.
  void Attribute(size_t step) {
    const auto& errors = host_.toolkit_.scripted().Errors();
    for (size_t i = attributed_; i < errors.size(); ++i) Fail(step, Context(step) + ": " + errors[i]);
    attributed_ = errors.size();
  }

  void Guarded(size_t number, ScriptedToolkit& tk, View* front, const ScenarioStep& s) {
    Attribute(number);
    try {
      Perform(tk, front, s);
    } catch (...) {
      Fail(number, "a plug-in threw during " + s.Describe());
    }
    Attribute(number);
  }

  bool DialogInFront(View* front) const { return front == dialog_.get(); }

  void OpenDialog() {
    if (scenario_.show) {
      for (const auto& key : *scenario_.show) {
        Panel* p = host_.session_.FindPanel(key);
        if (!p) Fail(0, "\"show\" names no panel \"" + key + "\"" + PanelList());
        else if (!p->shown) host_.ShowPanel(*p, 0);
      }
    } else {
      for (auto& p : host_.session_.panels()) host_.ShowPanel(p, 0);
    }
    Attribute(0);
  }

  std::string PanelList() const {
    std::string out = " (panels:";
    for (const auto& p : host_.session_.panels()) out += " " + p.kind;
    return out + ")";
  }

  void Perform(ScriptedToolkit& tk, View* front, const ScenarioStep& s) {
    const std::string what = s.Describe();
    if (s.action == Action::kPrint || s.action == Action::kCancel || s.action == Action::kShow) {
      if (!DialogInFront(front)) {
        Fail(s.number, what + ": the dialog is not in front (window " + (front ? front->Name() : "?") + " is)");
        return;
      }
      if (s.action == Action::kShow) {
        Panel* p = host_.session_.FindPanel(s.panel);
        if (!p) Fail(s.number, what + ": no panel \"" + s.panel + "\"" + PanelList());
        else if (!p->shown) host_.ShowPanel(*p, s.number);
        return;
      }
      if (s.action == Action::kCancel) {
        cancelReason_ = "the user cancelled the dialog";
        host_.toolkit_.StopModal(*dialog_, nx::platform::ui::kModalResponseCancel);
        return;
      }
      Print(s.number);
      return;
    }

    View* target = nullptr;
    if (!s.panel.empty()) {
      if (!DialogInFront(front)) {
        Fail(s.number, what + ": panels cannot be reached while window " + (front ? front->Name() : "?") + " is open");
        return;
      }
      Panel* p = host_.session_.FindPanel(s.panel);
      if (!p) {
        Fail(s.number, what + ": no panel \"" + s.panel + "\"" + PanelList());
        return;
      }
      if (!p->shown) host_.ShowPanel(*p, s.number);
      target = p->panel->panelView();
      if (!target) {
        Fail(s.number, what + ": panel " + p->kind + " has no view");
        return;
      }
    } else {
      if (!front || DialogInFront(front)) {
        Fail(s.number, what + ": window " + s.window + " is not open");
        return;
      }
      if (front->Name() != s.window) {
        Fail(s.number, what + ": window " + s.window + " is not in front (" + front->Name() + " is)");
        // Leave the window that is in the way, as a test user would give up on it.
        if (auto* w = dynamic_cast<Window*>(front)) host_.toolkit_.StopModal(*w, nx::platform::ui::kModalResponseAbort);
        return;
      }
      target = front;
    }

    if (s.action == Action::kExpect) {
      Check(s, *target);
      return;
    }
    if (auto step = Translate(s, *target)) tk.Perform(*target, *step);
  }

  std::optional<Step> Translate(const ScenarioStep& s, View& target) {
    const std::string what = s.Describe();
    Element* e = target.FindElement(s.tag);
    auto needElement = [&]() {
      if (!e) Fail(s.number, what + ": no element with tag " + std::to_string(s.tag) + " in " + target.Name());
      return e != nullptr;
    };
    auto byTitle = [&](const std::string& title) -> std::optional<Step> {
      for (int i = 0; i < e->ItemCount(); ++i)
        if (e->ItemTitle(i) == title) return Step::Select(s.tag, i);
      std::string items;
      for (int i = 0; i < e->ItemCount(); ++i) items += (i ? ", \"" : "\"") + e->ItemTitle(i) + "\"";
      Fail(s.number, what + ": no item \"" + title + "\" (items: " + items + ")");
      return std::nullopt;
    };
    switch (s.action) {
      case Action::kClick: return Step::Click(s.tag);
      case Action::kSetState: return Step::SetState(s.tag, s.index);
      case Action::kSelect:
        if (!s.itemTitle) return Step::Select(s.tag, s.index);
        if (!needElement()) return std::nullopt;
        return byTitle(*s.itemTitle);
      case Action::kSelectRows: return Step::SelectRows(s.tag, s.rows);
      case Action::kDoubleClick: return Step::DoubleClick(s.tag, s.index);
      case Action::kType: return Step::TypeText(s.tag, s.text);
      case Action::kPaste: return Step::Paste(s.tag, s.text);
      case Action::kClear: return Step::Clear(s.tag);
      case Action::kEndEditing: return Step::EndEditing(s.tag);
      case Action::kEnter: return Step::Enter(s.tag, s.text);
      case Action::kSetDate: {
        if (!needElement()) return std::nullopt;
        nx::platform::ui::DateTime d = e->DateValue();
        if (s.date.year != nx::platform::ui::DateTime{}.year || s.date.month != 1 || s.date.day != 1) {
          d.year = s.date.year;
          d.month = s.date.month;
          d.day = s.date.day;
        }
        d.hour = s.date.hour;
        d.minute = s.date.minute;
        d.second = 0;
        return Step::SetDate(s.tag, d);
      }
      case Action::kSet: {
        if (!needElement()) return std::nullopt;
        const int* number = std::get_if<int>(&s.value);
        const std::string* text = std::get_if<std::string>(&s.value);
        switch (e->Kind()) {
          case ElementKind::kCheckBox:
          case ElementKind::kRadioButton:
            if (!number) break;
            return Step::SetState(s.tag, *number);
          case ElementKind::kPopup:
          case ElementKind::kList:
            if (number) return Step::Select(s.tag, *number);
            return byTitle(*text);
          case ElementKind::kTextField:
          case ElementKind::kSecureTextField:
            return Step::Enter(s.tag, text ? *text : std::to_string(*number));
          case ElementKind::kDatePicker: {
            nx::platform::ui::DateTime d = e->DateValue();
            const bool ok = text && text->size() == 5 && (*text)[2] == ':' &&
                            std::all_of(text->begin(), text->end(), [](char c) { return c == ':' || (c >= '0' && c <= '9'); });
            if (!ok) break;
            d.hour = std::stoi(text->substr(0, 2));
            d.minute = std::stoi(text->substr(3, 2));
            if (d.hour > 23 || d.minute > 59) break;
            return Step::SetDate(s.tag, d);
          }
          default:
            Fail(s.number, what + ": a " + std::string(nx::platform::ui::ElementKindName(e->Kind())) +
                               " has no value to set (use \"click\")");
            return std::nullopt;
        }
        Fail(s.number, what + ": the value does not suit a " +
                           std::string(nx::platform::ui::ElementKindName(e->Kind())) +
                           " (check boxes and radio buttons take 0 or 1, popups an index or an item title, "
                           "date pickers \"HH:MM\")");
        return std::nullopt;
      }
      default: return std::nullopt;
    }
  }

  void Check(const ScenarioStep& s, View& target) {
    const std::string what = s.Describe();
    Element* e = target.FindElement(s.tag);
    if (!e) {
      Fail(s.number, what + ": no element with tag " + std::to_string(s.tag) + " in " + target.Name());
      return;
    }
    const ElementExpectation& x = s.expect;
    const bool secret = e->Kind() == ElementKind::kSecureTextField;
    auto mismatch = [&](const std::string& field, const std::string& want, const std::string& got) {
      Fail(s.number, what + ": expected " + field + " " + want + ", found " + got);
    };
    auto quoted = [](const std::string& t) { return "\"" + t + "\""; };
    if (x.intValue) {
      const bool items = e->Kind() == ElementKind::kPopup || e->Kind() == ElementKind::kList;
      const int got = items ? e->SelectedIndex() : e->IntValue();
      if (got != *x.intValue) mismatch(items ? "selected index" : "value", std::to_string(*x.intValue), std::to_string(got));
    }
    if (x.text && e->StringValue() != *x.text)
      mismatch("text", secret ? "(hidden)" : quoted(*x.text),
               secret ? "another text of " + std::to_string(e->StringValue().size()) + " bytes" : quoted(e->StringValue()));
    if (x.enabled && e->IsEnabled() != *x.enabled)
      mismatch("the element", *x.enabled ? "enabled" : "disabled", e->IsEnabled() ? "enabled" : "disabled");
    if (x.hidden && e->IsHidden() != *x.hidden)
      mismatch("the element", *x.hidden ? "hidden" : "shown", e->IsHidden() ? "hidden" : "shown");
    if (x.title && e->Title() != *x.title) mismatch("title", quoted(*x.title), quoted(e->Title()));
    if (x.itemCount && e->ItemCount() != *x.itemCount)
      mismatch("item count", std::to_string(*x.itemCount), std::to_string(e->ItemCount()));
    if (x.itemsEnabled) {
      std::string want, got;
      for (size_t i = 0; i < x.itemsEnabled->size(); ++i) want += (*x.itemsEnabled)[i] ? '1' : '0';
      for (int i = 0; i < e->ItemCount(); ++i) got += e->IsItemEnabled(i) ? '1' : '0';
      if (want != got) mismatch("enabled items", want, got);
    }
    if (x.time) {
      const auto d = e->DateValue();
      char want[8], got[8];
      std::snprintf(want, sizeof want, "%02d:%02d", x.time->hour % 100, x.time->minute % 100);
      std::snprintf(got, sizeof got, "%02d:%02d", d.hour % 100, d.minute % 100);
      if (std::string(want) != got) mismatch("time", want, got);
    }
  }

  void Print(size_t) {
    const PrintResult result = host_.session_.Print();
    printed_ = result.printed;
    cancelReason_ = result.cancelReason;
    host_.toolkit_.StopModal(*dialog_, printed_ ? nx::platform::ui::kModalResponseOK
                                                : nx::platform::ui::kModalResponseCancel);
  }

  DialogHost& host_;
  const Scenario& scenario_;
  std::unique_ptr<Window> dialog_;
  std::vector<size_t> stepNumbers_;
  size_t attributed_ = 0;
  bool printed_ = false;
  std::string cancelReason_;
  std::map<size_t, std::string> descriptions_;
};

DialogReport DialogHost::Run(const Scenario& scenario) { return Runner(*this, scenario).Run(); }

}  // namespace pdehost
