// The checks of a shown window; see WindowCheck.h.
#include "WindowCheck.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QRegularExpression>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTabBar>
#include <QWidget>

namespace nxfax {
namespace {

// An element of a plug-in's layout ("e<tag>"), as the toolkit names its widgets.
bool IsElement(const QWidget* w) {
  static const QRegularExpression element(QStringLiteral("^e\\d+$"));
  return element.match(w->objectName()).hasMatch();
}

QString Describe(const QWidget* w) {
  QString text;
  if (auto* b = qobject_cast<const QAbstractButton*>(w)) text = b->text();
  else if (auto* l = qobject_cast<const QLabel*>(w)) text = l->text();
  else if (auto* g = qobject_cast<const QGroupBox*>(w)) text = g->title();
  QString out = w->objectName().isEmpty() ? QString::fromLatin1(w->metaObject()->className()) : w->objectName();
  if (!text.isEmpty()) out += QStringLiteral(" \"%1\"").arg(text.left(40));
  return out;
}

// A text as drawn: mnemonic marks taken out.
QString Shown(QString text) {
  text.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
  text.remove('&');
  text.replace('\x01', '&');
  return text;
}

// English words in a text that should be Japanese: a word of three or more ASCII letters with a
// small letter among them, and nothing outside ASCII. Abbreviations ("OK", "TEL"), mixed texts
// and single tokens with a dot (a file name, "ver.1.0") are not English sentences.
bool LooksEnglish(const QString& text) {
  static const QRegularExpression word(QStringLiteral("\\b(?=[A-Za-z]*[a-z])[A-Za-z]{3,}\\b"));
  static const QRegularExpression token(QStringLiteral("^\\S+\\.\\S+$"));
  for (QChar c : text)
    if (c.unicode() > 0x7f) return false;
  return word.match(text).hasMatch() && !token.match(text.trimmed()).hasMatch();
}

// The widgets a layout places, through the layouts nested in it.
void Placed(QLayout* layout, QList<QWidget*>& out) {
  for (int i = 0; i < layout->count(); ++i) {
    QLayoutItem* item = layout->itemAt(i);
    if (QWidget* w = item->widget()) out << w;
    else if (QLayout* inner = item->layout()) Placed(inner, out);
  }
}

QRect InWindow(QWidget* w, QWidget* window) { return QRect(w->mapTo(window, QPoint()), w->size()); }

// Visible widgets placed by one layout must not cover each other.
void CheckOverlaps(QWidget* window, QStringList& faults) {
  QList<QWidget*> owners = window->findChildren<QWidget*>();
  owners.prepend(window);
  for (QWidget* owner : owners) {
    if (!owner->layout() || !owner->isVisibleTo(window)) continue;
    QList<QWidget*> placed;
    Placed(owner->layout(), placed);
    placed.removeIf([&](QWidget* w) { return !w->isVisibleTo(window); });
    for (int i = 0; i < placed.size(); ++i)
      for (int k = i + 1; k < placed.size(); ++k)
        if (InWindow(placed[i], window).intersects(InWindow(placed[k], window)))
          faults << QStringLiteral("%1 overlaps %2").arg(Describe(placed[i]), Describe(placed[k]));
  }
}

// The room the widget gives its text against the text's width.
void CheckWhole(QWidget* w, QWidget* window, QStringList& faults) {
  const QFontMetrics fm = w->fontMetrics();
  auto cut = [&](const QString& what) { faults << QStringLiteral("%1: %2").arg(Describe(w), what); };
  if (auto* l = qobject_cast<QLabel*>(w)) {
    if (l->text().isEmpty() || !l->pixmap().isNull()) return;
    const QRect room = l->contentsRect();
    if (l->wordWrap()) {
      if (l->heightForWidth(l->width()) > l->height()) cut(QStringLiteral("text cut at the bottom"));
    } else {
      const QString text = l->buddy() ? Shown(l->text()) : l->text();
      for (const QString& line : text.split('\n'))
        if (fm.horizontalAdvance(line) > room.width()) {
          cut(QStringLiteral("text cut (%1 of %2 px)").arg(room.width()).arg(fm.horizontalAdvance(line)));
          break;
        }
    }
  } else if (auto* b = qobject_cast<QAbstractButton*>(w)) {
    if (!b->text().isEmpty() && b->width() < b->sizeHint().width())
      cut(QStringLiteral("text cut (%1 of %2 px)").arg(b->width()).arg(b->sizeHint().width()));
  } else if (auto* g = qobject_cast<QGroupBox*>(w)) {
    if (!g->title().isEmpty() && g->width() < fm.horizontalAdvance(Shown(g->title())) + 16) cut(QStringLiteral("title cut"));
  } else if (auto* t = qobject_cast<QTabBar*>(w)) {
    const int space = t->style()->pixelMetric(QStyle::PM_TabBarTabHSpace, nullptr, t);
    for (int i = 0; i < t->count(); ++i)
      if (t->tabRect(i).width() < fm.horizontalAdvance(Shown(t->tabText(i))) + space)
        faults << QStringLiteral("tab \"%1\": text cut").arg(t->tabText(i));
  } else if (auto* c = qobject_cast<QComboBox*>(w); c && IsElement(c)) {
    // Any choice, once chosen, must show whole.
    QStyleOptionComboBox option;
    option.initFrom(c);
    option.editable = c->isEditable();
    option.frame = c->hasFrame();
    const int room = c->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, c).width();
    for (int i = 0; i < c->count(); ++i)
      if (fm.horizontalAdvance(c->itemText(i)) > room) {
        faults << QStringLiteral("%1: choice \"%2\" cut (%3 of %4 px)")
                      .arg(Describe(c), c->itemText(i))
                      .arg(room)
                      .arg(fm.horizontalAdvance(c->itemText(i)));
        break;
      }
  }
  (void)window;
}

// The window's own texts: titles of controls, labels of the layout, choices, tabs.
void CheckLanguage(QWidget* w, QStringList& faults) {
  QStringList texts;
  if (auto* b = qobject_cast<QAbstractButton*>(w)) texts << Shown(b->text());
  else if (auto* g = qobject_cast<QGroupBox*>(w)) texts << g->title();
  else if (auto* t = qobject_cast<QTabBar*>(w))
    for (int i = 0; i < t->count(); ++i) texts << Shown(t->tabText(i));
  else if (auto* l = qobject_cast<QLabel*>(w); l && (IsElement(l) || l->buddy())) texts << l->text();
  else if (auto* c = qobject_cast<QComboBox*>(w); c && IsElement(c))
    for (int i = 0; i < c->count(); ++i) texts << c->itemText(i);
  for (const QString& text : texts)
    if (LooksEnglish(text)) faults << QStringLiteral("%1: English text \"%2\"").arg(Describe(w), text);
}

bool IsControl(QWidget* w) {
  if (qobject_cast<QAbstractSpinBox*>(w->parentWidget()) || qobject_cast<QComboBox*>(w->parentWidget())) return false;
  return qobject_cast<QAbstractButton*>(w) || qobject_cast<QComboBox*>(w) || qobject_cast<QLineEdit*>(w) ||
         qobject_cast<QAbstractItemView*>(w) || qobject_cast<QAbstractSpinBox*>(w);
}

}  // namespace

QStringList WindowFaults(QWidget* window, bool japanese) {
  QStringList faults;
  const QString title = window->windowTitle().trimmed();
  if (title.isEmpty() || title == window->objectName()) faults << QStringLiteral("no title of its own");
  else if (japanese && LooksEnglish(title)) faults << QStringLiteral("English title \"%1\"").arg(title);
  const QSize size = window->frameGeometry().size();
  if (size.width() > kSmallScreenWidth || size.height() > kSmallScreenHeight)
    faults << QStringLiteral("%1 x %2: larger than %3 x %4")
                  .arg(size.width())
                  .arg(size.height())
                  .arg(kSmallScreenWidth)
                  .arg(kSmallScreenHeight);
  for (QWidget* w : window->findChildren<QWidget*>()) {
    if (!w->isVisibleTo(window) || w->window() != window) continue;
    if (IsControl(w) && (w->focusPolicy() & Qt::TabFocus)) {
      QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
      if (!a || a->text(QAccessible::Name).trimmed().isEmpty()) faults << Describe(w) + QStringLiteral(": no accessible name");
    }
    CheckWhole(w, window, faults);
    if (japanese) CheckLanguage(w, faults);
  }
  CheckOverlaps(window, faults);
  return faults;
}

}  // namespace nxfax
