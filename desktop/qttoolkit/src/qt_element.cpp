// Elements as Qt widgets; see qt_element.h.
#include "qt_element.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QStandardItemModel>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QValidator>
#include <algorithm>
#include <cstdlib>

namespace nx::desktop {
namespace {

using platform::ui::ElementKind;

QString Q(const std::string& s) { return QString::fromStdString(s); }

// Titles are plain text: an ampersand is not a mnemonic.
QString Plain(const std::string& s) { return Q(s).replace('&', "&&"); }

bool InRange(int i, int size) { return i >= 0 && i < size; }

// A label's text as a name: no mnemonic marks, no closing colon.
QString AccessibleText(QString text) {
  text.replace("&&", "&");
  text = text.trimmed();
  if (text.endsWith(':') || text.endsWith(QChar(0xFF1A))) text.chop(1);
  return text;
}

// A help button without a title of its own shows Qt's, in the user's language.
QString StandardHelpText() {
  QDialogButtonBox box(QDialogButtonBox::Help);
  return box.button(QDialogButtonBox::Help)->text();
}

// A click switches a radio button on, never off: turning the others off is the program's job,
// as in the layouts' own toolkit.
class RadioButton final : public QRadioButton {
 public:
  explicit RadioButton(QWidget* parent) : QRadioButton(parent) { setAutoExclusive(false); }

 protected:
  void nextCheckState() override {
    if (!isChecked()) setChecked(true);
  }
};

// Lets an edit stand only when the element's formatter does.
class FormatterValidator final : public QValidator {
 public:
  FormatterValidator(QtElement* element, QObject* parent) : QValidator(parent), element_(element) {}
  State validate(QString& input, int&) const override {
    return element_->Accepts(input.toStdString()) ? Acceptable : Invalid;
  }

 private:
  QtElement* element_;
};

}  // namespace

QtElement::QtElement(ElementKind kind, int tag, std::string title, Placement placement, QWidget* parent,
                     const platform::Bundle* strings)
    : kind_(kind), tag_(tag), title_(std::move(title)), placement_(std::move(placement)), guard_(new QObject) {
  auto localized = [strings](const std::string& key) {
    return strings ? Q(strings->LocalizedString(key)) : Q(key);
  };
  QWidget* w = nullptr;
  switch (kind) {
    case ElementKind::kButton: {
      auto* b = new QPushButton(parent);
      b->setAutoDefault(false);  // Return presses the default button, never the focused one
      QObject::connect(b, &QPushButton::clicked, guard_.get(), [this] { UserChanged(); });
      w = b;
      break;
    }
    case ElementKind::kCheckBox: {
      auto* b = new QCheckBox(parent);
      QObject::connect(b, &QCheckBox::clicked, guard_.get(), [this] { UserChanged(); });
      w = b;
      break;
    }
    case ElementKind::kRadioButton: {
      auto* b = new RadioButton(parent);
      QObject::connect(b, &QRadioButton::clicked, guard_.get(), [this] { UserChanged(); });
      w = b;
      break;
    }
    case ElementKind::kPopup: {
      auto* c = new QComboBox(parent);
      QObject::connect(c, &QComboBox::activated, guard_.get(), [this] { UserChanged(); });
      w = c;
      break;
    }
    case ElementKind::kTextField:
    case ElementKind::kSecureTextField: {
      auto* box = new QWidget(parent);
      auto* column = new QVBoxLayout(box);
      column->setContentsMargins(0, 0, 0, 0);
      column->setSpacing(2);
      auto* line = new QLineEdit(box);
      if (kind == ElementKind::kSecureTextField) line->setEchoMode(QLineEdit::Password);
      line->setValidator(new FormatterValidator(this, line));
      QObject::connect(line, &QLineEdit::editingFinished, guard_.get(), [this] { UserChanged(); });
      note_ = new QLabel(box);
      note_->setObjectName("note");
      QFont small = note_->font();
      small.setPointSizeF(small.pointSizeF() * 0.85);
      note_->setFont(small);
      QPalette palette = note_->palette();
      palette.setColor(QPalette::WindowText, QColor(0xb0, 0x20, 0x20));
      note_->setPalette(palette);
      note_->setWordWrap(true);
      note_->hide();
      column->addWidget(line);
      column->addWidget(note_);
      outer_ = box;
      control_ = line;
      break;
    }
    case ElementKind::kStaticText: {
      auto* l = new QLabel(parent);
      l->setTextFormat(Qt::PlainText);
      l->setWordWrap(placement_.wrap);
      l->setAlignment((placement_.align_right ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
      w = l;
      break;
    }
    case ElementKind::kDatePicker: {
      auto* d = new QDateTimeEdit(parent);
      d->setDisplayFormat(placement_.time_only ? QStringLiteral("HH:mm")
                                               : QLocale().dateTimeFormat(QLocale::ShortFormat));
      QObject::connect(d, &QDateTimeEdit::dateTimeChanged, guard_.get(), [this](const QDateTime& v) {
        date_ = {v.date().year(), v.date().month(), v.date().day(), v.time().hour(), v.time().minute(),
                 v.time().second()};
        UserChanged();
      });
      w = d;
      break;
    }
    case ElementKind::kGroupBox:
      w = new QGroupBox(parent);
      break;
    case ElementKind::kList: {
      auto* t = new QTreeWidget(parent);
      t->setRootIsDecorated(false);
      t->setUniformRowHeights(true);
      t->setAllColumnsShowFocus(true);
      t->setSelectionBehavior(QAbstractItemView::SelectRows);
      t->setSelectionMode(placement_.multiple ? QAbstractItemView::ExtendedSelection
                                              : QAbstractItemView::SingleSelection);
      t->setColumnCount(std::max<int>(1, static_cast<int>(placement_.column_keys.size())));
      if (placement_.column_keys.empty()) {
        t->setHeaderHidden(true);
      } else {
        QStringList headers;
        for (const auto& k : placement_.column_keys) headers << localized(k);
        t->setHeaderLabels(headers);
        t->header()->setStretchLastSection(true);
      }
      if (placement_.rows > 0) {
        const int row = t->fontMetrics().height() + 6;
        const int header = t->isHeaderHidden() ? 0 : t->header()->sizeHint().height();
        t->setMinimumHeight(placement_.rows * row + header + 2 * t->frameWidth());
      }
      QObject::connect(t, &QTreeWidget::itemSelectionChanged, guard_.get(), [this] { UserChanged(); });
      QObject::connect(t, &QTreeWidget::itemDoubleClicked, guard_.get(), [this](QTreeWidgetItem* item) {
        if (!item || !(item->flags() & Qt::ItemIsEnabled)) return;
        if (auto a = double_action_) a(*this);
      });
      w = t;
      break;
    }
    case ElementKind::kImage:
      w = new QLabel(parent);
      break;
    case ElementKind::kCustom:
      w = new QWidget(parent);
      break;
  }
  if (w) outer_ = control_ = w;
  control_->setObjectName(QStringLiteral("e%1").arg(tag));
  if (!placement_.name_key.empty()) control_->setAccessibleName(AccessibleText(localized(placement_.name_key)));
  if (placement_.min_width > 0) outer_->setMinimumWidth(placement_.min_width);
  ShowText(title_);
}

QtElement::~QtElement() {
  // The widgets may outlive the element (a view's widget taken by a tab); the guard's end cuts
  // every connection to the element.
  if (auto* line = qobject_cast<QLineEdit*>(control_.data())) line->setValidator(nullptr);
}

bool QtElement::IsStateful() const { return kind_ == ElementKind::kCheckBox || kind_ == ElementKind::kRadioButton; }
bool QtElement::HasItems() const { return kind_ == ElementKind::kPopup || kind_ == ElementKind::kList; }
bool QtElement::IsText() const {
  return kind_ == ElementKind::kTextField || kind_ == ElementKind::kSecureTextField;
}

void QtElement::UserChanged() {
  if (auto a = action_) a(*this);  // a copy: the action may replace itself
}

void QtElement::SendAction() { UserChanged(); }
void QtElement::SendDoubleAction() {
  if (auto a = double_action_) a(*this);
}

void QtElement::Names(QtElement* control) {
  named_ = control;
  if (auto* l = qobject_cast<QLabel*>(control_.data())) l->setBuddy(control->Control());
  UpdateAccessibleName();
}

void QtElement::UpdateAccessibleName() {
  if (!named_ || !named_->Control()) return;
  auto* label = qobject_cast<QLabel*>(control_.data());
  const QString text = label ? AccessibleText(label->text()) : QString();
  if (!text.isEmpty()) named_->Control()->setAccessibleName(text);
}

void QtElement::ShowText(const std::string& text) {
  if (!control_) return;
  if (auto* b = qobject_cast<QAbstractButton*>(control_.data())) {
    b->setText(text.empty() && placement_.role == ButtonRole::kHelp ? StandardHelpText() : Plain(text));
  } else if (auto* g = qobject_cast<QGroupBox*>(control_.data())) {
    g->setTitle(Plain(text));
  } else if (auto* l = qobject_cast<QLabel*>(control_.data()); l && kind_ == ElementKind::kStaticText) {
    l->setText(Q(text));
    UpdateAccessibleName();
  }
}

void QtElement::SetEnabled(bool enabled) {
  enabled_ = enabled;
  if (outer_) outer_->setEnabled(enabled);
}

void QtElement::SetHidden(bool hidden) {
  hidden_ = hidden;
  if (outer_) outer_->setHidden(hidden);
}

int QtElement::IntValue() const {
  if (IsStateful()) {
    auto* b = qobject_cast<QAbstractButton*>(control_.data());
    return b && b->isChecked() ? 1 : 0;
  }
  if (HasItems()) return SelectedIndex();
  return static_cast<int>(std::strtol(StringValue().c_str(), nullptr, 10));
}

void QtElement::SetIntValue(int value) {
  if (IsStateful()) {
    if (auto* b = qobject_cast<QAbstractButton*>(control_.data())) {
      const QSignalBlocker block(b);
      b->setChecked(value != 0);
    }
  } else if (HasItems()) {
    SelectItem(value);
  } else {
    SetStringValue(std::to_string(value));
  }
}

std::string QtElement::StringValue() const {
  if (IsStateful()) return std::to_string(IntValue());
  if (HasItems()) return ItemTitle(SelectedIndex());
  if (auto* line = qobject_cast<QLineEdit*>(control_.data())) return line->text().toStdString();
  return text_;
}

void QtElement::SetStringValue(std::string value) {
  if (IsStateful()) {
    SetIntValue(static_cast<int>(std::strtol(value.c_str(), nullptr, 10)));
  } else if (HasItems()) {
    int found = -1;
    for (int i = 0; i < ItemCount() && found < 0; ++i)
      if (ItemTitle(i) == value) found = i;
    SelectItem(found);
  } else if (auto* line = qobject_cast<QLineEdit*>(control_.data())) {
    const QSignalBlocker block(line);
    line->setText(Q(value));  // the program's text is not an edit: no formatter, no note
    if (note_) note_->hide();
  } else {
    text_ = std::move(value);
    if (kind_ == ElementKind::kStaticText) ShowText(text_);
  }
}

void QtElement::SetDateValue(const platform::ui::DateTime& value) {
  date_ = value;
  if (auto* d = qobject_cast<QDateTimeEdit*>(control_.data())) {
    const QSignalBlocker block(d);
    d->setDateTime(QDateTime(QDate(value.year, value.month, value.day), QTime(value.hour, value.minute, value.second)));
  }
}

void QtElement::SetTitle(std::string title) {
  title_ = std::move(title);
  ShowText(title_);
}

void QtElement::RemoveAllItems() {
  represented_.clear();
  if (auto* c = qobject_cast<QComboBox*>(control_.data())) {
    const QSignalBlocker block(c);
    c->clear();
  } else if (auto* t = qobject_cast<QTreeWidget*>(control_.data())) {
    const QSignalBlocker block(t);
    t->clear();
  }
}

void QtElement::AddItem(std::string title, std::string represented) {
  if (auto* c = qobject_cast<QComboBox*>(control_.data())) {
    const QSignalBlocker block(c);
    c->addItem(Q(title), Q(represented));
  } else if (kind_ == ElementKind::kList) {
    AddRow({std::move(title)});
    represented_.back() = std::move(represented);
  }
}

void QtElement::AddRow(std::vector<std::string> cells) {
  if (cells.empty()) cells.emplace_back();
  if (auto* t = qobject_cast<QTreeWidget*>(control_.data())) {
    const QSignalBlocker block(t);
    if (static_cast<int>(cells.size()) > t->columnCount()) t->setColumnCount(static_cast<int>(cells.size()));
    QStringList texts;
    for (const auto& c : cells) texts << Q(c);
    t->addTopLevelItem(new QTreeWidgetItem(texts));
    represented_.emplace_back();
  } else if (kind_ == ElementKind::kPopup) {
    AddItem(cells.front(), {});
  }
}

int QtElement::ItemCount() const {
  if (auto* c = qobject_cast<QComboBox*>(control_.data())) return c->count();
  if (auto* t = qobject_cast<QTreeWidget*>(control_.data())) return t->topLevelItemCount();
  return 0;
}

std::string QtElement::ItemTitle(int index) const {
  auto cells = ItemCells(index);
  return cells.empty() ? std::string() : cells.front();
}

std::vector<std::string> QtElement::ItemCells(int index) const {
  if (!InRange(index, ItemCount())) return {};
  if (auto* c = qobject_cast<QComboBox*>(control_.data())) return {c->itemText(index).toStdString()};
  std::vector<std::string> cells;
  if (auto* t = qobject_cast<QTreeWidget*>(control_.data())) {
    const QTreeWidgetItem* item = t->topLevelItem(index);
    for (int i = 0; i < item->columnCount(); ++i) cells.push_back(item->text(i).toStdString());
  }
  if (cells.empty()) cells.emplace_back();
  return cells;
}

std::string QtElement::ItemRepresentedObject(int index) const {
  if (!InRange(index, ItemCount())) return {};
  if (auto* c = qobject_cast<QComboBox*>(control_.data())) return c->itemData(index).toString().toStdString();
  return InRange(index, static_cast<int>(represented_.size())) ? represented_[index] : std::string();
}

void QtElement::SetItemEnabled(int index, bool enabled) {
  if (!InRange(index, ItemCount())) return;
  if (auto* c = qobject_cast<QComboBox*>(control_.data())) {
    if (auto* model = qobject_cast<QStandardItemModel*>(c->model())) model->item(index)->setEnabled(enabled);
  } else if (auto* t = qobject_cast<QTreeWidget*>(control_.data())) {
    const QSignalBlocker block(t);
    QTreeWidgetItem* item = t->topLevelItem(index);
    item->setFlags(enabled ? item->flags() | Qt::ItemIsEnabled : item->flags() & ~Qt::ItemIsEnabled);
  }
}

bool QtElement::IsItemEnabled(int index) const {
  if (!InRange(index, ItemCount())) return false;
  if (auto* c = qobject_cast<QComboBox*>(control_.data())) {
    auto* model = qobject_cast<QStandardItemModel*>(c->model());
    return !model || model->item(index)->isEnabled();
  }
  auto* t = qobject_cast<QTreeWidget*>(control_.data());
  return t && (t->topLevelItem(index)->flags() & Qt::ItemIsEnabled);
}

int QtElement::SelectedIndex() const {
  if (auto* c = qobject_cast<QComboBox*>(control_.data())) return c->currentIndex();
  auto rows = SelectedRows();
  return rows.empty() ? -1 : rows.front();
}

void QtElement::SelectItem(int index) {
  if (auto* c = qobject_cast<QComboBox*>(control_.data())) {
    const QSignalBlocker block(c);
    c->setCurrentIndex(InRange(index, c->count()) ? index : -1);
  } else if (kind_ == ElementKind::kList) {
    SelectRows(InRange(index, ItemCount()) ? std::vector<int>{index} : std::vector<int>{});
  }
}

std::vector<int> QtElement::SelectedRows() const {
  std::vector<int> rows;
  if (auto* t = qobject_cast<QTreeWidget*>(control_.data())) {
    for (QTreeWidgetItem* item : t->selectedItems()) rows.push_back(t->indexOfTopLevelItem(item));
    std::sort(rows.begin(), rows.end());
  } else if (auto* c = qobject_cast<QComboBox*>(control_.data()); c && c->currentIndex() >= 0) {
    rows.push_back(c->currentIndex());
  }
  return rows;
}

void QtElement::SelectRows(std::vector<int> rows) {
  auto* t = qobject_cast<QTreeWidget*>(control_.data());
  if (!t) {
    SelectItem(rows.empty() ? -1 : rows.front());
    return;
  }
  const QSignalBlocker block(t);
  t->clearSelection();
  QTreeWidgetItem* first = nullptr;
  for (int r : rows) {
    if (!InRange(r, t->topLevelItemCount())) continue;
    QTreeWidgetItem* item = t->topLevelItem(r);
    item->setSelected(true);
    if (!first) first = item;
  }
  if (first) t->scrollToItem(first);
}

void QtElement::SetFormatter(std::shared_ptr<platform::ui::TextFormatter> formatter) {
  formatter_ = std::move(formatter);
}

bool QtElement::Accepts(const std::string& text) {
  std::string why;
  if (!formatter_ || formatter_->IsPartialStringValid(text, &why)) {
    if (note_) note_->hide();
    return true;
  }
  QApplication::beep();
  if (note_) {
    note_->setText(Q(why));
    note_->setVisible(!why.empty());
  }
  return false;
}

}  // namespace nx::desktop
