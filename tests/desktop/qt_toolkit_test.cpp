// The Qt toolkit on the offscreen platform: every layout of both plug-ins as a real window, and
// what a desktop user relies on in each (names for screen readers, Escape, Return, tab order,
// refused edits explained, nested modal runs).
#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest/QTest>
#include <filesystem>
#include <functional>
#include <algorithm>
#include <map>
#include <set>

#include "nx/desktop/qt_toolkit.h"
#include "nx/platform/headless_toolkit.h"
#include "nx/platform/property_list.h"

namespace {

using namespace nx::platform::ui;
using nx::platform::Bundle;
using nx::platform::PropertyValue;

// Layout names that are panes of the print dialog, not windows.
const std::set<std::string> kPanes = {"NXDFaxSetting_Default00", "NXDeviceOption", "NXPrintJBA_Default00",
                                      "PrintType_Default00"};

struct Layout {
  std::string bundle_dir;
  std::string name;
  std::map<std::string, int> roles;  // role -> tag
};

std::vector<Layout> AllLayouts() {
  std::vector<Layout> out;
  for (const char* b : {"faxpde", "accountpde"}) {
    // Names from the sources (the bundles also hold copies under variant names), files from
    // the bundles as the plug-ins load them.
    const std::string dir = std::string(NX_BINARY_DIR) + "/" + b + ".plugin";
    for (const auto& f : std::filesystem::directory_iterator(std::string(NX_SOURCE_DIR) + "/" + b + "/Resources/layouts")) {
      if (f.path().extension() != ".nxlayout") continue;
      // Panes are copied under the names of their variants.
      std::string name = f.path().stem().string();
      if (!std::filesystem::exists(dir + "/Contents/Resources/" + name + ".nxlayout")) name += "_Default00";
      Layout l{dir, name, {}};
      auto root = nx::platform::ReadPropertyListFile(f.path().string());
      if (root && root->AsDictionary() && root->AsDictionary()->count("Elements"))
        for (const auto& e : *root->AsDictionary()->at("Elements").AsArray()) {
          const auto& d = *e.AsDictionary();
          if (d.count("Role")) l.roles[*d.at("Role").AsString()] = static_cast<int>(*d.at("Tag").AsInteger());
        }
      out.push_back(std::move(l));
    }
  }
  return out;
}

// What a plug-in does first: titles on buttons and boxes, texts in labels.
void FillTitles(View& view) {
  for (Element* e : view.Elements()) {
    const std::string n = std::to_string(e->Tag());
    switch (e->Kind()) {
      case ElementKind::kButton:
      case ElementKind::kCheckBox:
      case ElementKind::kRadioButton:
      case ElementKind::kGroupBox: e->SetTitle("Title " + n); break;
      case ElementKind::kStaticText: e->SetStringValue("Label " + n + ":"); break;
      default: break;
    }
  }
}

QWidget* ControlOf(QWidget* root, int tag) { return root->findChild<QWidget*>(QStringLiteral("e%1").arg(tag)); }

// Runs `body` once the modal run that starts next is under way.
void WhenModal(std::function<void(QWidget*)> body) {
  QTimer::singleShot(0, [body] { body(QApplication::activeModalWidget()); });
}

class QtToolkitTest : public ::testing::Test {
 protected:
  std::unique_ptr<Toolkit> tk = nx::desktop::MakeQtToolkit();
};

TEST_F(QtToolkitTest, EveryLayoutMakesANamedUnclippedWindowInVisualTabOrder) {
  const auto layouts = AllLayouts();
  ASSERT_EQ(layouts.size(), 18u);
  HeadlessToolkit headless;
  for (const auto& l : layouts) {
    SCOPED_TRACE(l.name);
    auto bundle = Bundle::Open(l.bundle_dir);
    ASSERT_TRUE(bundle);
    bundle->SetPreferredLanguages({"en"});
    // The desktop keys are invisible to the headless toolkit.
    ASSERT_NE(headless.LoadWindow(*bundle, l.name), nullptr);
    auto window = tk->LoadWindow(*bundle, l.name);
    ASSERT_NE(window, nullptr);
    FillTitles(*window);
    QWidget* root = nx::desktop::WidgetOf(*window);
    ASSERT_NE(root, nullptr);
    if (!kPanes.count(l.name)) {
      EXPECT_EQ(l.roles.count("cancel"), 1u) << "Escape needs a Cancel element";
      EXPECT_FALSE(window->Title().empty());
      EXPECT_NE(window->Title(), l.name);
    }
    root->show();
    QApplication::processEvents();

    std::vector<QWidget*> visible;
    for (Element* e : window->Elements()) {
      QWidget* c = ControlOf(root, e->Tag());
      ASSERT_NE(c, nullptr) << e->Tag();
      if (!c->isVisible()) continue;
      // Nothing cut: every control has at least the room it asks for.
      EXPECT_GE(c->width(), c->minimumSizeHint().width()) << "tag " << e->Tag();
      EXPECT_GE(c->height(), c->minimumSizeHint().height()) << "tag " << e->Tag();
      if (c->focusPolicy() & Qt::TabFocus) {
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(c);
        EXPECT_TRUE(a && !a->text(QAccessible::Name).trimmed().isEmpty()) << "tag " << e->Tag() << " has no name";
      }
      visible.push_back(c);
    }
    // No two visible elements overlap (elements sharing one cell take turns being shown).
    for (size_t i = 0; i < visible.size(); ++i)
      for (size_t k = i + 1; k < visible.size(); ++k) {
        const QRect a(visible[i]->mapTo(root, QPoint()), visible[i]->size());
        const QRect b(visible[k]->mapTo(root, QPoint()), visible[k]->size());
        if (visible[i]->isAncestorOf(visible[k]) || visible[k]->isAncestorOf(visible[i]) || a == b) continue;
        EXPECT_FALSE(a.intersects(b)) << visible[i]->objectName().toStdString() << " overlaps "
                                      << visible[k]->objectName().toStdString();
      }
    // Tab order: top to bottom, left to right within a row, the button row last.
    std::vector<QWidget*> chain;
    for (QWidget* w = root->nextInFocusChain(); w && w != root && chain.size() < 200; w = w->nextInFocusChain())
      if (w->objectName().startsWith('e') && w->isVisible() && (w->focusPolicy() & Qt::TabFocus)) chain.push_back(w);
    // The chain is a ring: it starts at the control nearest the top left.
    auto top_left = std::min_element(chain.begin(), chain.end(), [&](QWidget* a, QWidget* b) {
      const QPoint p = a->mapTo(root, QPoint()), q = b->mapTo(root, QPoint());
      return std::pair(p.y(), p.x()) < std::pair(q.y(), q.x());
    });
    std::rotate(chain.begin(), top_left, chain.end());
    for (size_t i = 1; i < chain.size(); ++i) {
      const QPoint p = chain[i - 1]->mapTo(root, QPoint()), q = chain[i]->mapTo(root, QPoint());
      const bool same = q == p;  // elements that take turns in one cell
      const bool down = q.y() >= p.y() + 12;
      const bool right = std::abs(q.y() - p.y()) < 12 && q.x() > p.x();
      // A control beside a taller one (a list spanning rows) may come after it from higher up.
      const bool beside = q.x() > p.x() + chain[i - 1]->width() || q.x() + chain[i]->width() < p.x();
      EXPECT_TRUE(same || down || right || beside)
          << chain[i - 1]->objectName().toStdString() << " before " << chain[i]->objectName().toStdString();
    }
    root->hide();
  }
}

TEST_F(QtToolkitTest, EscapeAndCloseAreCancelAndReturnPressesOnlyTheDefaultButton) {
  for (const auto& l : AllLayouts()) {
    if (kPanes.count(l.name)) continue;
    SCOPED_TRACE(l.name);
    auto bundle = Bundle::Open(l.bundle_dir);
    auto window = tk->LoadWindow(*bundle, l.name);
    ASSERT_NE(window, nullptr);
    FillTitles(*window);
    std::vector<int> pressed;
    for (Element* e : window->Elements())
      if (e->Kind() == ElementKind::kButton)
        e->SetAction([&, tag = e->Tag()](Element&) {
          pressed.push_back(tag);
          tk->StopModal(*window, tag);
        });
    const int cancel = l.roles.at("cancel");

    WhenModal([](QWidget* w) { QTest::keyClick(w, Qt::Key_Escape); });
    EXPECT_EQ(tk->RunModal(*window), cancel);
    WhenModal([](QWidget* w) { w->close(); });
    EXPECT_EQ(tk->RunModal(*window), cancel);

    // Return, wherever the focus is (a field, another button), presses the default button.
    std::vector<int> from;
    for (Element* e : window->Elements())
      if ((e->Kind() == ElementKind::kTextField || e->Kind() == ElementKind::kButton) && !e->IsHidden())
        from.push_back(e->Tag());
    for (int tag : from) {
      pressed.clear();
      QWidget* start = ControlOf(nx::desktop::WidgetOf(*window), tag);
      WhenModal([start](QWidget* w) {
        start->setFocus();
        QTest::keyClick(start, Qt::Key_Return);
        if (w->isVisible()) QTest::keyClick(w, Qt::Key_Escape);  // no default button: leave
      });
      tk->RunModal(*window);
      if (l.roles.count("default")) EXPECT_EQ(pressed, std::vector<int>{l.roles.at("default")}) << "from " << tag;
      else EXPECT_EQ(pressed, std::vector<int>{cancel}) << "from " << tag;
    }
  }
}

TEST_F(QtToolkitTest, OnlyTheUserFiresActions) {
  auto window = tk->CreateWindow("Kinds", "Kinds");
  std::map<int, int> fired, doubled;
  auto add = [&](ElementKind kind, int tag) -> Element& {
    Element& e = window->AddElement(kind, tag, "Title");
    e.SetAction([&fired, tag](Element&) { ++fired[tag]; });
    e.SetDoubleAction([&doubled, tag](Element&) { ++doubled[tag]; });
    return e;
  };
  Element& button = add(ElementKind::kButton, 1);
  Element& check = add(ElementKind::kCheckBox, 2);
  Element& radio = add(ElementKind::kRadioButton, 3);
  Element& popup = add(ElementKind::kPopup, 4);
  Element& text = add(ElementKind::kTextField, 5);
  Element& list = add(ElementKind::kList, 6);
  Element& date = add(ElementKind::kDatePicker, 7);
  QWidget* root = nx::desktop::WidgetOf(*window);
  root->show();

  // The program's changes.
  check.SetIntValue(1);
  radio.SetIntValue(1);
  popup.AddItem("A", "a");
  popup.AddItem("B", "b");
  popup.SelectItem(1);
  popup.SetStringValue("A");
  text.SetStringValue("42");
  list.AddRow({"one", "1"});
  list.AddRow({"two", "2"});
  list.SelectRows({0, 1});
  list.SelectItem(1);
  date.SetDateValue({2026, 12, 10, 21, 5, 0});
  EXPECT_TRUE(fired.empty());
  EXPECT_EQ(check.IntValue(), 1);
  EXPECT_EQ(popup.IntValue(), 0);
  EXPECT_EQ(popup.ItemRepresentedObject(1), "b");
  EXPECT_EQ(text.IntValue(), 42);
  EXPECT_EQ(list.SelectedRows(), std::vector<int>{1});
  EXPECT_EQ(list.ItemCells(0), (std::vector<std::string>{"one", "1"}));
  EXPECT_EQ(date.DateValue(), (DateTime{2026, 12, 10, 21, 5, 0}));

  // The user's.
  QTest::mouseClick(ControlOf(root, 1), Qt::LeftButton);
  // On the box itself: a wide check box does not take clicks beside its text.
  const QPoint box(6, ControlOf(root, 2)->height() / 2);
  QTest::mouseClick(ControlOf(root, 2), Qt::LeftButton, {}, box);
  QTest::mouseClick(ControlOf(root, 3), Qt::LeftButton, {}, box);  // a click never switches a radio off
  QTest::keyClick(ControlOf(root, 4), Qt::Key_Down);
  auto* line = static_cast<QLineEdit*>(ControlOf(root, 5));
  line->setFocus();
  QTest::keyClicks(line, "7");
  QTest::keyClick(line, Qt::Key_Return);
  auto* tree = static_cast<QTreeWidget*>(ControlOf(root, 6));
  const QRect row0 = tree->visualItemRect(tree->topLevelItem(0));
  QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, row0.center());
  QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {}, row0.center());
  auto* picker = static_cast<QDateTimeEdit*>(ControlOf(root, 7));
  picker->setCurrentSectionIndex(0);
  QTest::keyClick(picker, Qt::Key_Down);  // (December cannot go up)
  for (int tag : {1, 2, 3, 4, 5, 6, 7}) EXPECT_GE(fired[tag], 1) << tag;
  EXPECT_EQ(doubled[6], 1);
  EXPECT_EQ(button.IntValue(), 0);
  EXPECT_EQ(check.IntValue(), 0);
  EXPECT_EQ(radio.IntValue(), 1);
  EXPECT_EQ(popup.IntValue(), 1);
  EXPECT_EQ(text.StringValue(), "427");
  EXPECT_EQ(list.SelectedIndex(), 0);
  EXPECT_NE(date.DateValue(), (DateTime{2026, 12, 10, 21, 5, 0}));
  root->hide();
}

// Digits only, at most four; says why it refuses.
class DigitsFormatter final : public TextFormatter {
 public:
  bool IsPartialStringValid(const std::string& s, std::string* error) override {
    const bool ok = s.size() <= 4 && s.find_first_not_of("0123456789") == std::string::npos;
    if (!ok && error) *error = "Digits only, at most 4.";
    return ok;
  }
};

TEST_F(QtToolkitTest, AFieldRefusesWhatItsFormatterRefusesAndSaysWhy) {
  auto window = tk->CreateWindow("Number", "Number");
  Element& field = window->AddElement(ElementKind::kTextField, 1);
  field.SetFormatter(std::make_shared<DigitsFormatter>());
  QWidget* root = nx::desktop::WidgetOf(*window);
  root->show();
  auto* line = static_cast<QLineEdit*>(ControlOf(root, 1));
  auto* note = root->findChild<QLabel*>(QStringLiteral("note"));
  ASSERT_NE(note, nullptr);
  line->setFocus();
  QTest::keyClicks(line, "12a3");
  EXPECT_EQ(field.StringValue(), "123");
  QTest::keyClicks(line, "4");
  EXPECT_EQ(field.StringValue(), "1234");
  EXPECT_FALSE(note->isVisible());  // a good edit takes the reason away
  QTest::keyClicks(line, "5");
  EXPECT_EQ(field.StringValue(), "1234");
  EXPECT_TRUE(note->isVisible());
  EXPECT_EQ(note->text(), "Digits only, at most 4.");
  field.SetStringValue("abc");  // the program's text is not an edit
  EXPECT_EQ(field.StringValue(), "abc");
  EXPECT_FALSE(note->isVisible());
  root->hide();
}

TEST_F(QtToolkitTest, ModalRunsNestAndAStopForTheOuterWindowWaitsForTheInner) {
  auto outer = tk->CreateWindow("Outer", "Outer");
  auto inner = tk->CreateWindow("Inner", "Inner");
  int inner_response = 0;
  bool outer_running_in_inner = false;
  outer->AddElement(ElementKind::kButton, 1, "Open").SetAction([&](Element&) {
    WhenModal([&](QWidget* w) {
      EXPECT_EQ(w, nx::desktop::WidgetOf(*inner));
      tk->StopModal(*outer, 7);  // asked while the inner window runs: the inner one goes on
      outer_running_in_inner = tk->IsRunningModal(*outer) && nx::desktop::WidgetOf(*inner)->isVisible();
      tk->StopModal(*inner, 5);
    });
    inner_response = tk->RunModal(*inner);
  });
  WhenModal([&](QWidget* w) {
    EXPECT_EQ(w, nx::desktop::WidgetOf(*outer));
    static_cast<QPushButton*>(ControlOf(w, 1))->click();
  });
  EXPECT_EQ(tk->RunModal(*outer), 7);
  EXPECT_EQ(inner_response, 5);
  EXPECT_TRUE(outer_running_in_inner);
  EXPECT_FALSE(tk->IsRunningModal(*outer));
  // A window that is not stopped but closed some other way ends its run as aborted.
  WhenModal([](QWidget* w) { w->hide(); });
  EXPECT_EQ(tk->RunModal(*inner), kModalResponseAbort);
}

// Centred over a window at the screen's corner, a larger window would start off the screen:
// it is kept inside the screen's available area instead.
TEST_F(QtToolkitTest, AWindowCentredOverAnotherStaysOnTheScreen) {
  auto outer = tk->CreateWindow("Outer", "Outer");
  auto inner = tk->CreateWindow("Inner", "Inner");
  QWidget* o = nx::desktop::WidgetOf(*outer);
  QWidget* i = nx::desktop::WidgetOf(*inner);
  i->setMinimumSize(500, 400);
  outer->AddElement(ElementKind::kButton, 1, "Open").SetAction([&](Element&) {
    WhenModal([&](QWidget*) { tk->StopModal(*inner, 1); });
    tk->RunModal(*inner);
  });
  const QRect area = o->screen()->availableGeometry();
  for (const QPoint corner : {area.topLeft(), area.bottomRight() - QPoint(120, 90)}) {
    SCOPED_TRACE(corner.x());
    QRect placed;
    WhenModal([&](QWidget* w) {
      w->setGeometry(QRect(corner, QSize(120, 90)));
      QApplication::processEvents();
      QTimer::singleShot(0, [&] { placed = i->frameGeometry(); });
      static_cast<QPushButton*>(ControlOf(w, 1))->click();
      tk->StopModal(*outer, 1);
    });
    tk->RunModal(*outer);
    EXPECT_TRUE(area.contains(placed)) << placed.x() << "," << placed.y() << " " << placed.width() << "x"
                                       << placed.height();
  }
}

TEST_F(QtToolkitTest, AlertButtonsRunFromTheRightReturnIsTheFirstEscapeTheSecond) {
  Alert alert;
  alert.message_text = "Delete the entries?";
  alert.informative_text = "They cannot be restored.";
  alert.buttons = {"OK", "Cancel", "Other"};
  std::vector<int> xs;
  auto answer = [&](int key) {
    WhenModal([&, key](QWidget* w) {
      auto* box = qobject_cast<QMessageBox*>(w);
      ASSERT_NE(box, nullptr);
      xs.clear();
      for (const char* t : {"OK", "Cancel", "Other"})
        for (QAbstractButton* b : box->buttons())
          if (b->text() == t) xs.push_back(b->mapTo(box, QPoint()).x());
      QTest::keyClick(box, static_cast<Qt::Key>(key));
    });
    return tk->RunAlert(alert);
  };
  EXPECT_EQ(answer(Qt::Key_Return), kAlertFirstButtonReturn);
  ASSERT_EQ(xs.size(), 3u);
  EXPECT_GT(xs[0], xs[1]);
  EXPECT_GT(xs[1], xs[2]);
  EXPECT_EQ(answer(Qt::Key_Escape), kAlertFirstButtonReturn + 1);
  alert.buttons = {"OK", "Cancel"};
  WhenModal([](QWidget* w) { QTest::keyClick(w, Qt::Key_Escape); });
  EXPECT_EQ(RunCriticalAlertPanel(*tk, alert), kAlertAlternateReturn);
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  qputenv("LANGUAGE", "en");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
