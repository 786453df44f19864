// In-memory windows driven by a scripted user; see headless_toolkit.h.
#include "nx/platform/headless_toolkit.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <sstream>

namespace nx::platform::ui {
namespace {

bool InRange(int index, size_t size) { return index >= 0 && static_cast<size_t>(index) < size; }

class HeadlessElement final : public Element {
 public:
  HeadlessElement(ElementKind kind, int tag, std::string title) : kind_(kind), tag_(tag), title_(std::move(title)) {}

  int Tag() const override { return tag_; }
  ElementKind Kind() const override { return kind_; }
  bool IsEnabled() const override { return enabled_; }
  void SetEnabled(bool enabled) override { enabled_ = enabled; }
  bool IsHidden() const override { return hidden_; }
  void SetHidden(bool hidden) override { hidden_ = hidden; }

  int IntValue() const override {
    if (IsStateful()) return state_;
    if (HasItems()) return selected_;
    return static_cast<int>(std::strtol(text_.c_str(), nullptr, 10));
  }
  void SetIntValue(int value) override {
    if (IsStateful()) state_ = value;
    else if (HasItems()) SelectItem(value);
    else text_ = std::to_string(value);
  }
  std::string StringValue() const override {
    if (IsStateful()) return std::to_string(state_);
    if (HasItems()) return ItemTitle(selected_);
    return text_;
  }
  void SetStringValue(std::string value) override {
    if (IsStateful()) {
      state_ = static_cast<int>(std::strtol(value.c_str(), nullptr, 10));
    } else if (HasItems()) {
      int found = -1;
      for (size_t i = 0; i < items_.size() && found < 0; ++i)
        if (items_[i].cells.front() == value) found = static_cast<int>(i);
      SelectItem(found);
    } else {
      text_ = std::move(value);
    }
  }
  DateTime DateValue() const override { return date_; }
  void SetDateValue(const DateTime& value) override { date_ = value; }
  std::string Title() const override { return title_; }
  void SetTitle(std::string title) override { title_ = std::move(title); }

  void SetAction(Action action) override { action_ = std::move(action); }
  void SetDoubleAction(Action action) override { double_action_ = std::move(action); }
  void SendAction() override {
    if (auto a = action_) a(*this);  // a copy: the action may replace itself
  }
  void SendDoubleAction() override {
    if (auto a = double_action_) a(*this);
  }

  void RemoveAllItems() override {
    items_.clear();
    selected_ = -1;
    rows_.clear();
  }
  void AddItem(std::string title, std::string represented) override {
    items_.push_back(Item{{std::move(title)}, std::move(represented), true});
    if (kind_ == ElementKind::kPopup && selected_ < 0) selected_ = 0;  // a popup always shows an item
  }
  void AddRow(std::vector<std::string> cells) override {
    if (cells.empty()) cells.emplace_back();
    items_.push_back(Item{std::move(cells), {}, true});
  }
  int ItemCount() const override { return static_cast<int>(items_.size()); }
  std::string ItemTitle(int i) const override { return InRange(i, items_.size()) ? items_[i].cells.front() : ""; }
  std::vector<std::string> ItemCells(int i) const override {
    return InRange(i, items_.size()) ? items_[i].cells : std::vector<std::string>{};
  }
  std::string ItemRepresentedObject(int i) const override {
    return InRange(i, items_.size()) ? items_[i].represented : "";
  }
  void SetItemEnabled(int i, bool enabled) override {
    if (InRange(i, items_.size())) items_[i].enabled = enabled;
  }
  bool IsItemEnabled(int i) const override { return InRange(i, items_.size()) && items_[i].enabled; }
  int SelectedIndex() const override { return selected_; }
  void SelectItem(int index) override {
    selected_ = InRange(index, items_.size()) ? index : -1;
    rows_.clear();
    if (selected_ >= 0) rows_.push_back(selected_);
  }
  std::vector<int> SelectedRows() const override { return rows_; }
  void SelectRows(std::vector<int> rows) override {
    std::erase_if(rows, [this](int r) { return !InRange(r, items_.size()); });
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    rows_ = std::move(rows);
    selected_ = rows_.empty() ? -1 : rows_.front();
  }

  void SetFormatter(std::shared_ptr<TextFormatter> formatter) override { formatter_ = std::move(formatter); }
  TextFormatter* Formatter() const override { return formatter_.get(); }

 private:
  struct Item {
    std::vector<std::string> cells;
    std::string represented;
    bool enabled;
  };
  bool IsStateful() const { return kind_ == ElementKind::kCheckBox || kind_ == ElementKind::kRadioButton; }
  bool HasItems() const { return kind_ == ElementKind::kPopup || kind_ == ElementKind::kList; }

  ElementKind kind_;
  int tag_;
  std::string title_;
  bool enabled_ = true;
  bool hidden_ = false;
  int state_ = 0;
  std::string text_;
  DateTime date_;
  std::vector<Item> items_;
  int selected_ = -1;
  std::vector<int> rows_;
  Action action_;
  Action double_action_;
  std::shared_ptr<TextFormatter> formatter_;
};

// Elements of a view or window.
class ElementStore {
 public:
  Element* Find(int tag) {
    for (auto& e : elements_)
      if (e->Tag() == tag) return e.get();
    return nullptr;
  }
  std::vector<Element*> All() {
    std::vector<Element*> out;
    for (auto& e : elements_) out.push_back(e.get());
    return out;
  }
  Element& Add(ElementKind kind, int tag, std::string title) {
    elements_.push_back(std::make_unique<HeadlessElement>(kind, tag, std::move(title)));
    return *elements_.back();
  }

 private:
  std::vector<std::unique_ptr<HeadlessElement>> elements_;
};

class HeadlessView final : public View {
 public:
  explicit HeadlessView(std::string name) : name_(std::move(name)) {}
  const std::string& Name() const override { return name_; }
  Element* FindElement(int tag) override { return store_.Find(tag); }
  std::vector<Element*> Elements() override { return store_.All(); }
  Element& AddElement(ElementKind kind, int tag, std::string title) override {
    return store_.Add(kind, tag, std::move(title));
  }

 private:
  std::string name_;
  ElementStore store_;
};

class HeadlessWindow final : public Window {
 public:
  HeadlessWindow(std::string name, std::string title) : name_(std::move(name)), title_(std::move(title)) {}
  const std::string& Name() const override { return name_; }
  Element* FindElement(int tag) override { return store_.Find(tag); }
  std::vector<Element*> Elements() override { return store_.All(); }
  Element& AddElement(ElementKind kind, int tag, std::string title) override {
    return store_.Add(kind, tag, std::move(title));
  }
  std::string Title() const override { return title_; }
  void SetTitle(std::string title) override { title_ = std::move(title); }
  void MakeFirstResponder(Element* element) override { first_responder_ = element; }
  Element* FirstResponder() const override { return first_responder_; }
  bool IsVisible() const override { return visible_; }
  void Show() override { visible_ = true; }
  void Close() override { visible_ = false; }

 private:
  std::string name_;
  std::string title_;
  ElementStore store_;
  Element* first_responder_ = nullptr;
  bool visible_ = false;
};

void Populate(View& view, const LayoutSpec& spec) {
  for (const auto& es : spec.elements) ApplyElementSpec(view.AddElement(es.kind, es.tag, es.title), es);
}

// Splits UTF-8 text into characters; a stray byte counts as one character.
std::vector<std::string> Characters(const std::string& text) {
  std::vector<std::string> out;
  size_t i = 0;
  while (i < text.size()) {
    const auto c = static_cast<unsigned char>(text[i]);
    size_t len = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 1;
    if (i + len > text.size()) len = 1;
    for (size_t k = 1; k < len; ++k)
      if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) len = 1;
    out.push_back(text.substr(i, len));
    i += len;
  }
  return out;
}

bool IsTextField(const Element& e) {
  return e.Kind() == ElementKind::kTextField || e.Kind() == ElementKind::kSecureTextField;
}

std::string Lower(std::string s) {
  for (auto& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

}  // namespace

// ---- Steps ----

namespace {
Step MakeStep(Step::Type type, int tag = 0, int index = 0) {
  Step s;
  s.type = type;
  s.tag = tag;
  s.index = index;
  return s;
}
Step WithText(Step s, std::string text) {
  s.text = std::move(text);
  return s;
}
}  // namespace

Step Step::Click(int tag) { return MakeStep(Type::kClick, tag); }
Step Step::SetState(int tag, int state) { return MakeStep(Type::kSetState, tag, state); }
Step Step::Select(int tag, int index) { return MakeStep(Type::kSelect, tag, index); }
Step Step::SelectRows(int tag, std::vector<int> rows) {
  Step s = MakeStep(Type::kSelectRows, tag);
  s.rows = std::move(rows);
  return s;
}
Step Step::DoubleClick(int tag, int row) { return MakeStep(Type::kDoubleClick, tag, row); }
Step Step::TypeText(int tag, std::string text) { return WithText(MakeStep(Type::kType, tag), std::move(text)); }
Step Step::Paste(int tag, std::string text) { return WithText(MakeStep(Type::kPaste, tag), std::move(text)); }
Step Step::Clear(int tag) { return MakeStep(Type::kClear, tag); }
Step Step::EndEditing(int tag) { return MakeStep(Type::kEndEditing, tag); }
Step Step::Enter(int tag, std::string text) { return WithText(MakeStep(Type::kEnter, tag), std::move(text)); }
Step Step::SetDate(int tag, DateTime date) {
  Step s = MakeStep(Type::kSetDate, tag);
  s.date = date;
  return s;
}
Step Step::AnswerAlert(int button) { return MakeStep(Type::kAnswerAlert, 0, button); }
Step Step::ChooseFile(std::string path) { return WithText(MakeStep(Type::kChooseFile), std::move(path)); }
Step Step::CancelPanel() { return MakeStep(Type::kCancelPanel); }
Step Step::Call(std::function<void(HeadlessToolkit&, View*)> call) {
  return CallAny([call = std::move(call)](ScriptedToolkit& tk, View* view) {
    if (auto* headless = dynamic_cast<HeadlessToolkit*>(&tk); headless && call) call(*headless, view);
  });
}
Step Step::CallAny(std::function<void(ScriptedToolkit&, View*)> call) {
  Step s = MakeStep(Type::kCall);
  s.call = std::move(call);
  return s;
}
Step Step::In(std::string name) && {
  window = std::move(name);
  return std::move(*this);
}

std::string Step::Describe() const {
  static constexpr const char* kNames[] = {"click",  "set state", "select", "select rows", "double click",
                                           "type",   "paste",     "clear",  "end editing", "enter",
                                           "set date", "answer alert", "choose file", "cancel panel", "call"};
  std::ostringstream s;
  s << kNames[static_cast<int>(type)];
  switch (type) {
    case Type::kAnswerAlert: s << " " << index; break;
    case Type::kChooseFile: s << " " << text; break;
    case Type::kCancelPanel:
    case Type::kCall: break;
    default:
      s << " tag " << tag;
      if (type == Type::kSetState || type == Type::kSelect || type == Type::kDoubleClick) s << " " << index;
      // Typed text may be a password: the record keeps only its length.
      if (type == Type::kType || type == Type::kPaste || type == Type::kEnter) s << " (" << text.size() << " bytes)";
  }
  if (!window.empty()) s << " in " << window;
  return s.str();
}

// ---- Toolkit ----

HeadlessToolkit::HeadlessToolkit() = default;
HeadlessToolkit::~HeadlessToolkit() = default;

void HeadlessToolkit::Push(Step step) { script_.push_back(std::move(step)); }
void HeadlessToolkit::Push(std::vector<Step> steps) {
  for (auto& s : steps) script_.push_back(std::move(s));
}

void HeadlessToolkit::Error(std::string message) {
  transcript_.push_back("error: " + message);
  errors_.push_back(std::move(message));
}

void HeadlessToolkit::ClearRecords() {
  alerts_.clear();
  errors_.clear();
  transcript_.clear();
  open_panels_.clear();
  save_panels_.clear();
  beeps_ = 0;
  max_depth_ = 0;
}

std::vector<std::string> HeadlessToolkit::ModalStack() const {
  std::vector<std::string> out;
  for (const auto& f : frames_) out.push_back(f.window->Name());
  return out;
}

bool HeadlessToolkit::Edit(Element& element, const std::string& text) {
  if (TextFormatter* f = element.Formatter()) {
    std::string why;
    if (!f->IsPartialStringValid(text, &why)) {
      transcript_.push_back("edit refused tag " + std::to_string(element.Tag()) + (why.empty() ? "" : ": " + why));
      return false;
    }
  }
  element.SetStringValue(text);
  return true;
}

bool HeadlessToolkit::Perform(View& view, const Step& step) {
  using T = Step::Type;
  if (step.type == T::kCall) {
    transcript_.push_back(step.Describe());
    if (step.call) step.call(*this, &view);
    return true;
  }
  if (step.type == T::kAnswerAlert || step.type == T::kChooseFile || step.type == T::kCancelPanel) {
    Error("\"" + step.Describe() + "\" with no alert or panel showing in " + view.Name());
    return false;
  }
  Element* e = view.FindElement(step.tag);
  if (!e) {
    Error("no element with tag " + std::to_string(step.tag) + " in " + view.Name());
    return false;
  }
  if (e->IsHidden() || !e->IsEnabled()) {
    Error("\"" + step.Describe() + "\": element is " + (e->IsHidden() ? "hidden" : "disabled") + " in " + view.Name());
    return false;
  }
  auto wrong_kind = [&] {
    Error("\"" + step.Describe() + "\" does not apply to a " + std::string(ElementKindName(e->Kind())) + " in " +
          view.Name());
    return false;
  };
  transcript_.push_back(step.Describe());
  const ElementKind kind = e->Kind();
  const bool list = kind == ElementKind::kList;
  switch (step.type) {
    case T::kClick:
      if (kind == ElementKind::kCheckBox) e->SetIntValue(e->IntValue() == 1 ? 0 : 1);
      else if (kind == ElementKind::kRadioButton) e->SetIntValue(1);
      else if (kind != ElementKind::kButton && kind != ElementKind::kImage && kind != ElementKind::kCustom)
        return wrong_kind();
      e->SendAction();
      return true;
    case T::kSetState:
      if (kind != ElementKind::kCheckBox && kind != ElementKind::kRadioButton) return wrong_kind();
      e->SetIntValue(step.index);
      e->SendAction();
      return true;
    case T::kSelect:
    case T::kDoubleClick:
      if (kind != ElementKind::kPopup && !list) return wrong_kind();
      if (step.type == T::kDoubleClick && !list) return wrong_kind();
      if (!InRange(step.index, static_cast<size_t>(e->ItemCount())) || !e->IsItemEnabled(step.index)) {
        Error("\"" + step.Describe() + "\": no such enabled item in " + view.Name());
        return false;
      }
      e->SelectItem(step.index);
      if (step.type == T::kDoubleClick) e->SendDoubleAction();
      else e->SendAction();
      return true;
    case T::kSelectRows:
      if (!list) return wrong_kind();
      for (int r : step.rows) {
        if (!InRange(r, static_cast<size_t>(e->ItemCount()))) {
          Error("\"" + step.Describe() + "\": no row " + std::to_string(r) + " in " + view.Name());
          return false;
        }
      }
      e->SelectRows(step.rows);
      e->SendAction();
      return true;
    case T::kType:
    case T::kPaste:
    case T::kClear:
    case T::kEndEditing:
    case T::kEnter: {
      if (!IsTextField(*e)) return wrong_kind();
      if (auto* w = dynamic_cast<Window*>(&view)) w->MakeFirstResponder(e);
      if (step.type == T::kClear || step.type == T::kEnter) Edit(*e, "");
      if (step.type == T::kPaste) Edit(*e, e->StringValue() + step.text);
      if (step.type == T::kType || step.type == T::kEnter) {
        for (const auto& ch : Characters(step.text)) Edit(*e, e->StringValue() + ch);
      }
      if (step.type == T::kEndEditing || step.type == T::kEnter) e->SendAction();
      return true;
    }
    case T::kSetDate:
      if (kind != ElementKind::kDatePicker) return wrong_kind();
      e->SetDateValue(step.date);
      e->SendAction();
      return true;
    default:
      return wrong_kind();
  }
}

std::unique_ptr<View> HeadlessToolkit::LoadView(const Bundle& bundle, std::string_view name) {
  auto spec = LoadLayoutSpec(bundle, name);
  if (!spec) return nullptr;
  auto view = std::make_unique<HeadlessView>(spec->name);
  Populate(*view, *spec);
  return view;
}

std::unique_ptr<Window> HeadlessToolkit::LoadWindow(const Bundle& bundle, std::string_view name) {
  auto spec = LoadLayoutSpec(bundle, name);
  if (!spec) return nullptr;
  auto window = std::make_unique<HeadlessWindow>(spec->name, spec->title);
  Populate(*window, *spec);
  return window;
}

std::unique_ptr<View> HeadlessToolkit::CreateView(std::string name) {
  return std::make_unique<HeadlessView>(std::move(name));
}

std::unique_ptr<Window> HeadlessToolkit::CreateWindow(std::string name, std::string title) {
  return std::make_unique<HeadlessWindow>(std::move(name), std::move(title));
}

int HeadlessToolkit::RunModal(Window& window) {
  if (IsRunningModal(window)) {
    Error("window " + window.Name() + " is already in a modal run");
    return kModalResponseAbort;
  }
  if (static_cast<int>(frames_.size()) >= kMaxModalDepth) {
    Error("modal runs nested deeper than " + std::to_string(kMaxModalDepth));
    return kModalResponseAbort;
  }
  frames_.push_back(Frame{&window});
  const size_t me = frames_.size() - 1;  // frames_ may grow: keep the index, not a reference
  max_depth_ = std::max(max_depth_, static_cast<int>(frames_.size()));
  window.Show();
  transcript_.push_back("modal begin " + window.Name());
  while (!frames_[me].stopped) {
    if (script_.empty()) {
      Error("script ran out in modal window " + window.Name());
      frames_[me].response = kModalResponseAbort;
      break;
    }
    Step step = std::move(script_.front());
    script_.pop_front();
    if (!step.window.empty() && step.window != window.Name()) {
      Error("\"" + step.Describe() + "\" came up in modal window " + window.Name());
      frames_[me].response = kModalResponseAbort;
      break;
    }
    Perform(window, step);
  }
  const int response = frames_[me].response;
  frames_.erase(frames_.begin() + static_cast<std::ptrdiff_t>(me));
  transcript_.push_back("modal end " + window.Name() + " " + std::to_string(response));
  return response;
}

void HeadlessToolkit::StopModal(Window& window, int response) {
  for (auto it = frames_.rbegin(); it != frames_.rend(); ++it) {
    if (it->window == &window) {
      it->stopped = true;
      it->response = response;
      return;
    }
  }
  transcript_.push_back("stop modal ignored for " + window.Name());
}

bool HeadlessToolkit::IsRunningModal(const Window& window) const {
  return std::any_of(frames_.begin(), frames_.end(), [&](const Frame& f) { return f.window == &window; });
}

int HeadlessToolkit::RunAlert(const Alert& alert) {
  AlertRecord record{alert, 0, frames_.empty() ? std::string() : frames_.back().window->Name()};
  if (record.alert.buttons.empty()) record.alert.buttons.push_back("OK");  // as every toolkit does
  transcript_.push_back("alert " + alert.title_key + "/" + alert.text_key);
  if (!script_.empty() && script_.front().type == Step::Type::kAnswerAlert) {
    const int answer = script_.front().index;
    script_.pop_front();
    if (InRange(answer, record.alert.buttons.size())) {
      record.answer = answer;
    } else {
      Error("alert " + alert.title_key + "/" + alert.text_key + " has no button " + std::to_string(answer));
    }
  } else {
    Error("alert " + alert.title_key + "/" + alert.text_key + " shown with no scripted answer");
  }
  alerts_.push_back(record);
  return kAlertFirstButtonReturn + record.answer;
}

void HeadlessToolkit::Beep() {
  ++beeps_;
  transcript_.push_back("beep");
}

std::optional<std::string> TakeFileAnswer(std::deque<Step>& script, bool* missing) {
  *missing = script.empty() ||
             (script.front().type != Step::Type::kChooseFile && script.front().type != Step::Type::kCancelPanel);
  if (*missing) return std::nullopt;
  Step step = std::move(script.front());
  script.pop_front();
  if (step.type == Step::Type::kCancelPanel) return std::nullopt;
  return step.text;
}

std::optional<std::string> HeadlessToolkit::TakeFileAnswer(const char* what) {
  bool missing = false;
  std::optional<std::string> path = nx::platform::ui::TakeFileAnswer(script_, &missing);
  if (missing) Error(std::string(what) + " shown with no scripted answer");
  return path;
}

std::optional<std::string> HeadlessToolkit::RunOpenPanel(const OpenPanelRequest& request) {
  open_panels_.push_back(request);
  transcript_.push_back("open panel");
  auto path = TakeFileAnswer("open panel");
  if (!path) return std::nullopt;
  namespace fs = std::filesystem;
  std::error_code ec;
  if (!fs::is_regular_file(*path, ec)) {
    Error("open panel: no file " + *path);
    return std::nullopt;
  }
  if (!request.allowed_extensions.empty()) {
    const std::string ext = Lower(fs::path(*path).extension().string());
    const bool ok = std::any_of(request.allowed_extensions.begin(), request.allowed_extensions.end(),
                                [&](const std::string& a) { return "." + Lower(a) == ext; });
    if (!ok) {
      Error("open panel: " + *path + " is not of an allowed type");
      return std::nullopt;
    }
  }
  return path;
}

std::optional<std::string> HeadlessToolkit::RunSavePanel(const SavePanelRequest& request) {
  save_panels_.push_back(request);
  transcript_.push_back("save panel");
  auto path = TakeFileAnswer("save panel");
  if (!path) return std::nullopt;
  namespace fs = std::filesystem;
  fs::path p(*path);
  std::error_code ec;
  if (p.filename().empty() || !fs::is_directory(p.parent_path().empty() ? fs::path(".") : p.parent_path(), ec)) {
    Error("save panel: no folder for " + *path);
    return std::nullopt;
  }
  if (!request.allowed_extensions.empty()) {
    const std::string ext = Lower(p.extension().string());
    const bool ok = std::any_of(request.allowed_extensions.begin(), request.allowed_extensions.end(),
                                [&](const std::string& a) { return "." + Lower(a) == ext; });
    if (!ok) p += "." + request.allowed_extensions.front();
  }
  return p.string();
}

}  // namespace nx::platform::ui
