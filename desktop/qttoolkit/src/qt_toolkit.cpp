// Views as widgets, windows as dialogs whose modal runs nest, alerts as message boxes, open and
// save panels as file dialogs.
#include "nx/desktop/qt_toolkit.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QPointer>
#include <QProxyStyle>
#include <QPushButton>
#include <QScreen>
#include <QTranslator>
#include <QVBoxLayout>
#include <QWindow>
#include <algorithm>
#include <climits>
#include <map>
#include <tuple>

#include "layout_extras.h"
#include "qt_element.h"

namespace nx::desktop {
namespace {

using platform::Bundle;
using platform::ui::Element;
using platform::ui::ElementKind;
using platform::ui::LayoutSpec;

QString Q(const std::string& s) { return QString::fromStdString(s); }

// The widgets of a view or a window: a grid (and one per group box) above a button row.
class Surface {
 public:
  explicit Surface(QWidget* root) : root_(root) {}

  void Build(const LayoutSpec& spec, const LayoutExtras& extras, const Bundle* strings) {
    for (size_t i = 0; i < spec.elements.size(); ++i) {
      const auto& es = spec.elements[i];
      elements_.push_back(
          std::make_unique<QtElement>(es.kind, es.tag, es.title, extras.elements[i], root_, strings));
    }
    Arrange();
    for (size_t i = 0; i < spec.elements.size(); ++i) ApplyElementSpec(*elements_[i], spec.elements[i]);
  }

  QtElement* Find(int tag) const {
    for (const auto& e : elements_)
      if (e->Tag() == tag) return e.get();
    return nullptr;
  }
  std::vector<Element*> All() const {
    std::vector<Element*> out;
    for (const auto& e : elements_) out.push_back(e.get());
    return out;
  }
  Element& Add(ElementKind kind, int tag, std::string title) {
    if (!grid_) Arrange();  // a surface made empty gets its layout with the first element
    elements_.push_back(std::make_unique<QtElement>(kind, tag, std::move(title), Placement{}, root_, nullptr));
    QtElement& e = *elements_.back();
    grid_->addWidget(e.Outer(), grid_->rowCount(), 0, 1, std::max(1, grid_->columnCount()));
    return e;
  }
  QtElement* WithRole(ButtonRole role) const {
    for (const auto& e : elements_)
      if (e->placement().role == role && e->Kind() == ElementKind::kButton) return e.get();
    return nullptr;
  }
  QWidget* Root() const { return root_; }

 private:
  struct Cell {
    int row, column;
  };

  // Places every element, links labels to their controls and sets the tab order.
  void Arrange() {
    auto* column = new QVBoxLayout(root_);
    grid_ = new QGridLayout;
    grid_->setHorizontalSpacing(8);
    grid_->setVerticalSpacing(6);
    column->addLayout(grid_);
    std::map<int, QGridLayout*> grids{{0, grid_}};
    for (const auto& e : elements_) {
      if (e->Kind() != ElementKind::kGroupBox) continue;
      auto* g = new QGridLayout(e->Control());
      g->setHorizontalSpacing(8);
      g->setVerticalSpacing(6);
      grids.emplace(e->Tag(), g);
    }
    std::map<QGridLayout*, int> next_row;
    for (const auto& e : elements_) {
      const Placement& p = e->placement();
      if (p.row < 0 || IsRowButton(*e)) continue;
      QGridLayout* g = grids.count(p.group) && p.group != e->Tag() ? grids[p.group] : grid_;
      next_row[g] = std::max(next_row[g], p.row + p.row_span);
    }
    std::vector<QtElement*> buttons;
    std::map<std::pair<QGridLayout*, int>, QHBoxLayout*> strips;
    bool any_list = false;
    for (const auto& e : elements_) {
      Placement& p = e->placement();
      if (IsRowButton(*e)) {
        buttons.push_back(e.get());
        continue;
      }
      QGridLayout* g = grids.count(p.group) && p.group != e->Tag() ? grids[p.group] : grid_;
      if (p.row < 0) {
        p.row = next_row[g]++;
        p.column = 0;
        p.column_span = std::max(1, g->columnCount());
      }
      if (p.strip != 0) {
        auto [it, first] = strips.try_emplace({g, p.strip}, nullptr);
        if (first) {
          it->second = new QHBoxLayout;
          it->second->setSpacing(8);
          g->addLayout(it->second, p.row, p.column, p.row_span, p.column_span);
        }
        it->second->addWidget(e->Outer());
        continue;
      }
      Qt::Alignment align;
      if (e->Kind() == ElementKind::kStaticText && !p.wrap) align = Qt::AlignVCenter;
      if (e->Kind() == ElementKind::kButton && p.column_span == 1)
        align = Qt::AlignLeft | (p.align_top ? Qt::AlignTop : Qt::AlignVCenter);
      g->addWidget(e->Outer(), p.row, p.column, p.row_span, p.column_span, align);
      if (e->Kind() == ElementKind::kTextField || e->Kind() == ElementKind::kSecureTextField ||
          e->Kind() == ElementKind::kPopup || e->Kind() == ElementKind::kList) {
        if (p.column_span == 1) g->setColumnStretch(p.column, 1);
      }
      if (e->Kind() == ElementKind::kList || (e->Kind() == ElementKind::kGroupBox && p.row_span > 1)) {
        // A list beside a column of fields grows into its last row, which the layout keeps for it.
        g->setRowStretch(p.row + p.row_span - 1, 1);
        any_list = true;
      }
    }
    for (auto& [key, strip] : strips) strip->addStretch(1);
    if (!any_list) column->addStretch(1);
    if (!buttons.empty()) {
      auto* row = new QHBoxLayout;
      row->setSpacing(8);
      auto rank = [](const QtElement* e) {
        switch (e->placement().role) {
          case ButtonRole::kHelp: return 0;
          case ButtonRole::kReset: return 1;
          case ButtonRole::kCancel: return 3;
          case ButtonRole::kDefault: return 4;
          default: return 2;
        }
      };
      std::stable_sort(buttons.begin(), buttons.end(),
                       [&](const QtElement* a, const QtElement* b) { return rank(a) < rank(b); });
      bool stretched = false;
      for (QtElement* b : buttons) {
        if (!stretched && rank(b) >= 2) {
          row->addStretch(1);
          stretched = true;
        }
        row->addWidget(b->Outer());
        if (b->placement().role == ButtonRole::kDefault)
          if (auto* pb = qobject_cast<QPushButton*>(b->Control())) pb->setDefault(true);
      }
      if (!stretched) row->addStretch(1);
      column->addSpacing(6);
      column->addLayout(row);
    }
    for (const auto& e : elements_) {
      if (e->Kind() != ElementKind::kStaticText || e->placement().buddy == 0) continue;
      QtElement* control = Find(e->placement().buddy);
      if (!control || control == e.get()) continue;
      e->Names(control);
      // A label above its field starts a new block: a little room above it.
      if (e->placement().row > 0 && e->placement().row < control->placement().row && e->placement().group == 0)
        e->Outer()->setContentsMargins(0, 6, 0, 0);
    }
    SetTabOrder(grids, buttons);
  }

  bool IsRowButton(const QtElement& e) const {
    return e.Kind() == ElementKind::kButton && e.placement().role != ButtonRole::kNone && e.placement().group == 0;
  }

  // Tab order: the grid by rows then columns (a group box's cells in its place), then the
  // button row from left to right.
  void SetTabOrder(const std::map<int, QGridLayout*>& grids, const std::vector<QtElement*>& buttons) {
    using Key = std::tuple<int, int, int, int>;
    std::vector<std::pair<Key, QWidget*>> order;
    for (const auto& e : elements_) {
      if (IsRowButton(*e) || !(e->Control()->focusPolicy() & Qt::TabFocus)) continue;
      const Placement& p = e->placement();
      Key key{p.row, p.column, -1, -1};
      if (p.group != 0 && grids.count(p.group) && p.group != e->Tag())
        if (const QtElement* g = Find(p.group)) key = {g->placement().row, g->placement().column, p.row, p.column};
      order.push_back({key, e->Control()});
    }
    std::stable_sort(order.begin(), order.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    int i = 0;
    for (QtElement* b : buttons) order.push_back({Key{INT_MAX, i++, 0, 0}, b->Control()});
    for (size_t k = 1; k < order.size(); ++k) QWidget::setTabOrder(order[k - 1].second, order[k].second);
  }

  QWidget* root_;
  QGridLayout* grid_ = nullptr;
  std::vector<std::unique_ptr<QtElement>> elements_;
};

// Moves a window to `wanted`, kept inside the screen's available area: a window centred over a
// larger one near the screen's edge, or where no window manager places windows, would
// otherwise sit partly off the screen. A window larger than the area keeps its top left corner
// in it.
void PlaceOnScreen(QWidget* window, QPoint wanted, QScreen* screen) {
  if (!screen) screen = window->screen();
  if (!screen) {
    window->move(wanted);
    return;
  }
  const QRect area = screen->availableGeometry();
  // move() places the frame; its size, once a window manager drew one, counts too.
  const QSize frame = window->frameGeometry().size().expandedTo(window->size());
  const int x = std::max(area.left(), std::min(wanted.x(), area.right() + 1 - frame.width()));
  const int y = std::max(area.top(), std::min(wanted.y(), area.bottom() + 1 - frame.height()));
  window->move(x, y);
}

// The widget a view or window lives in; deleted with it unless someone else took it first.
template <typename W>
class Owned {
 public:
  explicit Owned(W* w) : w_(w) {}
  ~Owned() { delete w_.data(); }
  W* get() const { return w_.data(); }

 private:
  QPointer<W> w_;
};

class QtView;
class QtWindow;

// Pulled by WidgetOf without knowing which of the two it is.
class WidgetHolder {
 public:
  virtual ~WidgetHolder() = default;
  virtual QWidget* Widget() const = 0;
};

class QtView final : public platform::ui::View, public WidgetHolder {
 public:
  explicit QtView(std::string name) : name_(std::move(name)), widget_(new QWidget), surface_(widget_.get()) {
    widget_.get()->setObjectName(Q(name_));
  }
  void Build(const LayoutSpec& spec, const LayoutExtras& extras, const Bundle* strings) {
    surface_.Build(spec, extras, strings);
  }
  const std::string& Name() const override { return name_; }
  Element* FindElement(int tag) override { return surface_.Find(tag); }
  std::vector<Element*> Elements() override { return surface_.All(); }
  Element& AddElement(ElementKind kind, int tag, std::string title) override {
    return surface_.Add(kind, tag, std::move(title));
  }
  QWidget* Widget() const override { return widget_.get(); }

 private:
  std::string name_;
  Owned<QWidget> widget_;
  Surface surface_;
};

// Escape and the close button do what the window's Cancel button does, and nothing when it
// cannot be pressed; the modal run ends only when the program stops it.
class Dialog final : public QDialog {
 public:
  explicit Dialog(std::function<QtElement*()> cancel) : cancel_(std::move(cancel)) {}
  void reject() override {
    QtElement* c = cancel_();
    auto* b = c ? qobject_cast<QAbstractButton*>(c->Control()) : nullptr;
    if (b && b->isEnabled() && b->isVisible()) b->click();
  }

 private:
  std::function<QtElement*()> cancel_;
};

class QtWindow final : public platform::ui::Window, public WidgetHolder {
 public:
  QtWindow(std::string name, std::string title)
      : name_(std::move(name)),
        dialog_(new Dialog([this] { return surface_.WithRole(ButtonRole::kCancel); })),
        surface_(dialog_.get()) {
    dialog_.get()->setObjectName(Q(name_));
    SetTitle(std::move(title));
  }
  void Build(const LayoutSpec& spec, const LayoutExtras& extras, const Bundle* strings) {
    surface_.Build(spec, extras, strings);
  }
  Dialog* dialog() const { return dialog_.get(); }

  const std::string& Name() const override { return name_; }
  Element* FindElement(int tag) override { return surface_.Find(tag); }
  std::vector<Element*> Elements() override { return surface_.All(); }
  Element& AddElement(ElementKind kind, int tag, std::string title) override {
    return surface_.Add(kind, tag, std::move(title));
  }
  std::string Title() const override { return title_; }
  void SetTitle(std::string title) override {
    title_ = std::move(title);
    if (dialog_.get()) dialog_.get()->setWindowTitle(Q(title_));
  }
  void MakeFirstResponder(Element* element) override {
    first_responder_ = element ? surface_.Find(element->Tag()) : nullptr;
    if (first_responder_ && dialog_.get() && dialog_.get()->isVisible()) first_responder_->Control()->setFocus();
  }
  Element* FirstResponder() const override {
    if (dialog_.get() && dialog_.get()->isVisible()) {
      for (Element* e : surface_.All()) {
        auto* q = static_cast<QtElement*>(e);
        if (QWidget* f = QApplication::focusWidget(); f && (f == q->Control() || q->Control()->isAncestorOf(f)))
          return e;
      }
    }
    return first_responder_;
  }
  bool IsVisible() const override { return dialog_.get() && dialog_.get()->isVisible(); }
  void Show() override {
    Prepare();
    dialog_.get()->show();
  }
  void Close() override {
    if (dialog_.get()) dialog_.get()->hide();
  }
  QWidget* Widget() const override { return dialog_.get(); }

  // Sized to its contents, over the window in front, the first responder focused.
  void Prepare() {
    Dialog* d = dialog_.get();
    if (!d) return;
    d->adjustSize();
    QWidget* front = QApplication::activeModalWidget();
    if (!front) front = QApplication::activeWindow();
    if (front && front != d) {
      d->winId();
      if (d->windowHandle() && front->windowHandle()) d->windowHandle()->setTransientParent(front->windowHandle());
      PlaceOnScreen(d, front->geometry().center() - d->rect().center(), front->screen());
    }
    if (first_responder_) first_responder_->Control()->setFocus();
  }

 private:
  std::string name_;
  std::string title_;
  Owned<Dialog> dialog_;
  Surface surface_;
  QtElement* first_responder_ = nullptr;
};

// Alert buttons from right to left in the order added (the first, the default, at the right),
// as the windows' own button rows are.
class ButtonOrderStyle final : public QProxyStyle {
 public:
  int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                QStyleHintReturn* ret) const override {
    if (hint == SH_DialogButtonLayout) return QDialogButtonBox::GnomeLayout;
    return QProxyStyle::styleHint(hint, option, widget, ret);
  }
};

void InstallQtTranslations() {
  static bool installed = false;
  if (installed || !qApp) return;
  installed = true;
  const auto languages = platform::EnvironmentLanguages();
  if (languages.empty()) return;
  const QLocale locale(Q(languages.front()));
  QLocale::setDefault(locale);
  auto* translator = new QTranslator(qApp);
  if (translator->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                       QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    QApplication::installTranslator(translator);
  else
    delete translator;
}

QString NameFilter(const std::vector<std::string>& extensions) {
  QStringList patterns;
  for (const auto& e : extensions) patterns << QStringLiteral("*.") + Q(e);
  return patterns.join(' ');
}

// The widest an alert's text runs before it wraps.
constexpr int kAlertTextWidth = 420;

class QtToolkit final : public platform::ui::Toolkit {
 public:
  QtToolkit() : style_(new ButtonOrderStyle) { InstallQtTranslations(); }
  ~QtToolkit() override { delete style_; }

  std::unique_ptr<platform::ui::View> LoadView(const Bundle& bundle, std::string_view name) override {
    auto spec = platform::ui::LoadLayoutSpec(bundle, name);
    if (!spec) return nullptr;
    auto view = std::make_unique<QtView>(std::string(name));
    view->Build(*spec, LoadLayoutExtras(bundle, name, spec->elements.size()), &bundle);
    return view;
  }
  std::unique_ptr<platform::ui::Window> LoadWindow(const Bundle& bundle, std::string_view name) override {
    auto spec = platform::ui::LoadLayoutSpec(bundle, name);
    if (!spec) return nullptr;
    const LayoutExtras extras = LoadLayoutExtras(bundle, name, spec->elements.size());
    const std::string title =
        extras.title_key.empty() ? spec->title : bundle.LocalizedString(extras.title_key, spec->title);
    auto window = std::make_unique<QtWindow>(std::string(name), title);
    window->Build(*spec, extras, &bundle);
    return window;
  }
  std::unique_ptr<platform::ui::View> CreateView(std::string name) override {
    return std::make_unique<QtView>(std::move(name));
  }
  std::unique_ptr<platform::ui::Window> CreateWindow(std::string name, std::string title) override {
    return std::make_unique<QtWindow>(std::move(name), std::move(title));
  }

  int RunModal(platform::ui::Window& window) override {
    auto* w = dynamic_cast<QtWindow*>(&window);
    if (!w || !w->dialog() || IsRunningModal(window) || frames_.size() >= kMaxDepth)
      return platform::ui::kModalResponseAbort;
    frames_.push_back({w});
    w->Prepare();
    w->dialog()->exec();
    const Frame done = frames_.back();
    frames_.pop_back();
    // A stop asked for the window under this one while this one ran takes effect now.
    if (!frames_.empty() && frames_.back().stopped && frames_.back().window->dialog())
      frames_.back().window->dialog()->done(frames_.back().response);
    return done.stopped ? done.response : platform::ui::kModalResponseAbort;
  }
  void StopModal(platform::ui::Window& window, int response) override {
    for (size_t i = 0; i < frames_.size(); ++i) {
      if (frames_[i].window != &window || frames_[i].stopped) continue;
      frames_[i].stopped = true;
      frames_[i].response = response;
      if (i + 1 == frames_.size() && frames_[i].window->dialog()) frames_[i].window->dialog()->done(response);
    }
  }
  bool IsRunningModal(const platform::ui::Window& window) const override {
    return std::any_of(frames_.begin(), frames_.end(), [&](const Frame& f) { return f.window == &window; });
  }

  int RunAlert(const platform::ui::Alert& alert) override {
    QMessageBox box(QApplication::activeModalWidget());
    box.setIcon(alert.style == platform::ui::AlertStyle::kInformational ? QMessageBox::Information
                                                                        : QMessageBox::Warning);
    box.setWindowTitle(QApplication::applicationDisplayName());
    if (alert.message_text.empty()) {
      box.setText(Q(alert.informative_text));
    } else {
      box.setText(Q(alert.message_text));
      box.setInformativeText(Q(alert.informative_text));
    }
    std::vector<QPushButton*> buttons;
    for (size_t i = 0; i < alert.buttons.size(); ++i) {
      const auto role = i == 0 ? QMessageBox::AcceptRole : i == 1 ? QMessageBox::RejectRole
                                                                  : QMessageBox::DestructiveRole;
      buttons.push_back(box.addButton(Q(alert.buttons[i]).replace('&', "&&"), role));
    }
    if (buttons.empty()) buttons.push_back(box.addButton(QMessageBox::Ok));
    for (QPushButton* b : buttons) b->setAutoDefault(false);
    box.setDefaultButton(buttons.front());
    box.setEscapeButton(buttons.size() > 1 ? buttons[1] : buttons.front());
    if (auto* row = box.findChild<QDialogButtonBox*>()) row->setStyle(style_);
    // A short message on one line: the box's own width would break a sentence without spaces
    // (Japanese) after a few characters.
    for (const char* name : {"qt_msgbox_label", "qt_msgbox_informativelabel"})
      if (auto* label = box.findChild<QLabel*>(QLatin1String(name)))
        label->setMinimumWidth(std::min(label->fontMetrics().horizontalAdvance(label->text()) + 2, kAlertTextWidth));
    box.exec();
    const auto it = std::find(buttons.begin(), buttons.end(), box.clickedButton());
    const auto index = it == buttons.end() ? (buttons.size() > 1 ? 1 : 0) : it - buttons.begin();
    return platform::ui::kAlertFirstButtonReturn + static_cast<int>(index);
  }
  void Beep() override { QApplication::beep(); }

  std::optional<std::string> RunOpenPanel(const platform::ui::OpenPanelRequest& request) override {
    QFileDialog dialog(QApplication::activeModalWidget());
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    if (!request.message.empty()) dialog.setWindowTitle(Q(request.message));
    if (!request.start_dir.empty()) dialog.setDirectory(Q(request.start_dir));
    if (!request.allowed_extensions.empty()) dialog.setNameFilter(NameFilter(request.allowed_extensions));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().front().toStdString();
  }
  std::optional<std::string> RunSavePanel(const platform::ui::SavePanelRequest& request) override {
    QFileDialog dialog(QApplication::activeModalWidget());
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    if (!request.title.empty()) dialog.setWindowTitle(Q(request.title));
    else if (!request.message.empty()) dialog.setWindowTitle(Q(request.message));
    if (!request.name_label.empty()) dialog.setLabelText(QFileDialog::FileName, Q(request.name_label));
    if (!request.start_dir.empty()) dialog.setDirectory(Q(request.start_dir));
    if (!request.allowed_extensions.empty()) {
      dialog.setNameFilter(NameFilter(request.allowed_extensions));
      dialog.setDefaultSuffix(Q(request.allowed_extensions.front()));
    }
    if (!request.default_name.empty()) dialog.selectFile(Q(request.default_name));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().front().toStdString();
  }

 private:
  struct Frame {
    QtWindow* window;
    bool stopped = false;
    int response = platform::ui::kModalResponseAbort;
  };
  static constexpr size_t kMaxDepth = 32;
  std::vector<Frame> frames_;
  QStyle* style_;
};

}  // namespace

std::unique_ptr<platform::ui::Toolkit> MakeQtToolkit() { return std::make_unique<QtToolkit>(); }

QWidget* WidgetOf(platform::ui::View& view) {
  auto* holder = dynamic_cast<WidgetHolder*>(&view);
  return holder ? holder->Widget() : nullptr;
}

}  // namespace nx::desktop
