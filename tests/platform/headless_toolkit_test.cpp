#include "nx/platform/headless_toolkit.h"

#include <gtest/gtest.h>

#include "temp_dir.h"

namespace {

using namespace nx::platform::ui;
using nx::testing::TempDir;

// Tags of the two test windows.
enum { kAddButton = 10, kParentOK = 11, kNumberField = 1, kChildOK = 2, kWarnButton = 3 };

TEST(HeadlessToolkit, NestedModalRunsTakeTheirStepsInOrderAndRecordAlerts) {
  HeadlessToolkit tk;
  auto parent = tk.CreateWindow("Recipients", "Recipients");
  auto child = tk.CreateWindow("Confirm", "Confirm number");
  int child_response = 99;
  std::vector<std::string> stack_seen;

  parent->AddElement(ElementKind::kButton, kAddButton, "Add").SetAction([&](Element&) {
    child_response = tk.RunModal(*child);  // a window opened from a modal window
  });
  parent->AddElement(ElementKind::kButton, kParentOK, "OK").SetAction([&](Element&) {
    tk.StopModal(*parent, kModalResponseOK);
  });
  child->AddElement(ElementKind::kTextField, kNumberField);
  child->AddElement(ElementKind::kButton, kWarnButton, "Check").SetAction([&](Element&) {
    stack_seen = tk.ModalStack();
    Alert a;
    a.title_key = "Warning_String_Title_ID";
    a.text_key = "Waring_Restriction_Of_Faxing_Muti_Address_Transmission_OneRecipient_ID";
    a.arguments = {"5"};
    a.message_text = "Warning";
    a.informative_text = "Only one recipient (5)";
    a.buttons = {"OK", "Cancel"};
    EXPECT_EQ(tk.RunAlert(a), kAlertFirstButtonReturn + 1);
  });
  child->AddElement(ElementKind::kButton, kChildOK, "OK").SetAction([&](Element&) {
    tk.StopModal(*child, kModalResponseOK);
  });

  tk.Push({Step::Click(kAddButton).In("Recipients"), Step::Enter(kNumberField, "0312345678").In("Confirm"),
           Step::Click(kWarnButton), Step::AnswerAlert(1), Step::Click(kChildOK).In("Confirm"),
           Step::Click(kParentOK).In("Recipients")});
  EXPECT_EQ(tk.RunModal(*parent), kModalResponseOK);

  EXPECT_EQ(child_response, kModalResponseOK);
  EXPECT_EQ(child->FindElement(kNumberField)->StringValue(), "0312345678");
  EXPECT_EQ(stack_seen, (std::vector<std::string>{"Recipients", "Confirm"}));
  EXPECT_EQ(tk.MaxModalDepth(), 2);
  EXPECT_TRUE(tk.ModalStack().empty());
  EXPECT_EQ(tk.PendingSteps(), 0u);
  EXPECT_TRUE(tk.Errors().empty()) << tk.Errors().front();
  ASSERT_EQ(tk.Alerts().size(), 1u);
  const AlertRecord& rec = tk.Alerts()[0];
  EXPECT_EQ(rec.alert.title_key, "Warning_String_Title_ID");
  EXPECT_EQ(rec.alert.text_key, "Waring_Restriction_Of_Faxing_Muti_Address_Transmission_OneRecipient_ID");
  EXPECT_EQ(rec.alert.arguments, std::vector<std::string>{"5"});
  EXPECT_EQ(rec.answer, 1);
  EXPECT_EQ(rec.window, "Confirm");
  const auto& t = tk.Transcript();
  EXPECT_EQ(t.front(), "modal begin Recipients");
  EXPECT_EQ(t.back(), "modal end Recipients 1");
  EXPECT_NE(std::find(t.begin(), t.end(), "modal end Confirm 1"), t.end());
}

TEST(HeadlessToolkit, UnplayableScriptsAbortInsteadOfHanging) {
  HeadlessToolkit tk;
  auto w = tk.CreateWindow("W", "W");
  bool ran = false;
  Element& b = w->AddElement(ElementKind::kButton, 5, "Go");
  b.SetAction([&](Element&) { ran = true; });
  b.SetEnabled(false);

  tk.Push(Step::Click(5));
  EXPECT_EQ(tk.RunModal(*w), kModalResponseAbort);  // disabled click refused, then the script ran out
  EXPECT_FALSE(ran);
  ASSERT_EQ(tk.Errors().size(), 2u);
  EXPECT_NE(tk.Errors()[0].find("disabled"), std::string::npos);
  EXPECT_NE(tk.Errors()[1].find("ran out"), std::string::npos);

  tk.ClearRecords();
  tk.Push({Step::Click(5).In("Other")});
  EXPECT_EQ(tk.RunModal(*w), kModalResponseAbort);  // the step was meant for another window
  EXPECT_EQ(tk.Errors().size(), 1u);

  tk.ClearRecords();
  Alert a;
  a.title_key = "T";
  EXPECT_EQ(tk.RunAlert(a), kAlertFirstButtonReturn);  // unanswered: default button, recorded
  EXPECT_EQ(tk.Errors().size(), 1u);
  tk.Push(Step::AnswerAlert(3));
  EXPECT_EQ(tk.RunAlert(a), kAlertFirstButtonReturn);  // no such button
  EXPECT_EQ(tk.Errors().size(), 2u);

  // Runs that never stop themselves are cut at the nesting limit.
  tk.ClearRecords();
  std::vector<std::unique_ptr<Window>> windows;
  std::function<void()> open_next = [&] {
    windows.push_back(tk.CreateWindow("N" + std::to_string(windows.size()), ""));
    if (windows.size() < 40) tk.Push(Step::Call([&](HeadlessToolkit&, View*) { open_next(); }));
    tk.RunModal(*windows.back());
  };
  open_next();
  EXPECT_EQ(tk.MaxModalDepth(), HeadlessToolkit::kMaxModalDepth);
}

// Accepts at most `max` characters of digits; counts how often it was asked.
class DigitsFormatter : public TextFormatter {
 public:
  explicit DigitsFormatter(size_t max) : max_(max) {}
  bool IsPartialStringValid(const std::string& partial, std::string* error) override {
    ++calls;
    seen.push_back(partial);
    const bool ok = partial.size() <= max_ && partial.find_first_not_of("0123456789") == std::string::npos;
    if (!ok && error) *error = "String too long.";
    return ok;
  }
  int calls = 0;
  std::vector<std::string> seen;

 private:
  size_t max_;
};

TEST(HeadlessToolkit, FormatterIsConsultedOnEveryEdit) {
  HeadlessToolkit tk;
  auto view = tk.CreateView("Pane");
  Element& field = view->AddElement(ElementKind::kTextField, 7);
  auto f = std::make_shared<DigitsFormatter>(3);
  field.SetFormatter(f);
  int actions = 0;
  field.SetAction([&](Element&) { ++actions; });

  EXPECT_TRUE(tk.Perform(*view, Step::TypeText(7, "1a2345")));
  EXPECT_EQ(field.StringValue(), "123");
  EXPECT_EQ(f->seen, (std::vector<std::string>{"1", "1a", "12", "123", "1234", "1235"}));
  EXPECT_EQ(actions, 0);  // typing alone does not end the editing

  EXPECT_TRUE(tk.Perform(*view, Step::Enter(7, "98")));
  EXPECT_EQ(field.StringValue(), "98");
  EXPECT_EQ(actions, 1);
  EXPECT_TRUE(tk.Perform(*view, Step::Paste(7, "76")));  // one edit for the whole paste
  EXPECT_EQ(field.StringValue(), "98");
  EXPECT_EQ(f->seen.back(), "9876");
}

TEST(HeadlessToolkit, ControlsBehaveAsTheirKinds) {
  HeadlessToolkit tk;
  auto view = tk.CreateView("Pane");
  Element& check = view->AddElement(ElementKind::kCheckBox, 1, "Check");
  Element& popup = view->AddElement(ElementKind::kPopup, 2);
  Element& list = view->AddElement(ElementKind::kList, 3);
  Element& date = view->AddElement(ElementKind::kDatePicker, 4);
  Element& label = view->AddElement(ElementKind::kStaticText, 5);
  popup.AddItem("Fine", "Fax Resolution Fine");
  popup.AddItem("Superfine", "Fax Resolution Superfine");
  popup.SetItemEnabled(1, false);
  list.AddRow({"Alice", "0311112222"});
  list.AddRow({"Bob", "0333334444"});
  int double_clicked = -1;
  list.SetDoubleAction([&](Element& e) { double_clicked = e.SelectedIndex(); });

  EXPECT_EQ(popup.IntValue(), 0);  // a popup shows its first item
  EXPECT_TRUE(tk.Perform(*view, Step::Click(1)));
  EXPECT_EQ(check.IntValue(), 1);
  EXPECT_TRUE(tk.Perform(*view, Step::Click(1)));
  EXPECT_EQ(check.IntValue(), 0);
  EXPECT_FALSE(tk.Perform(*view, Step::Select(2, 1)));  // disabled item
  EXPECT_FALSE(tk.Perform(*view, Step::Select(2, 5)));
  EXPECT_EQ(popup.ItemRepresentedObject(popup.SelectedIndex()), "Fax Resolution Fine");
  EXPECT_TRUE(tk.Perform(*view, Step::DoubleClick(3, 1)));
  EXPECT_EQ(double_clicked, 1);
  EXPECT_EQ(list.ItemCells(1), (std::vector<std::string>{"Bob", "0333334444"}));
  EXPECT_TRUE(tk.Perform(*view, Step::SelectRows(3, {1, 0, 1})));
  EXPECT_EQ(list.SelectedRows(), (std::vector<int>{0, 1}));
  EXPECT_TRUE(tk.Perform(*view, Step::SetDate(4, DateTime{2024, 5, 6, 8, 30, 0})));
  EXPECT_EQ(date.DateValue().hour, 8);
  EXPECT_FALSE(tk.Perform(*view, Step::Click(5)));  // labels cannot be clicked
  label.SetHidden(true);
  EXPECT_FALSE(tk.Perform(*view, Step::Click(5)));
  EXPECT_FALSE(tk.Perform(*view, Step::Click(42)));
  EXPECT_EQ(tk.Errors().size(), 5u);

  tk.Beep();
  EXPECT_EQ(tk.BeepCount(), 1);
}

TEST(HeadlessToolkit, FilePanelsAnswerFromTheScript) {
  TempDir dir;
  nx::testing::WriteText(dir / "book.FAP", "x");
  nx::testing::WriteText(dir / "notes.txt", "x");
  HeadlessToolkit tk;
  OpenPanelRequest open{"", dir.path(), {"fap", "gap"}};
  tk.Push({Step::ChooseFile(dir / "book.FAP"), Step::ChooseFile(dir / "notes.txt"),
           Step::ChooseFile(dir / "missing.fap"), Step::CancelPanel()});
  EXPECT_EQ(tk.RunOpenPanel(open), dir / "book.FAP");
  EXPECT_FALSE(tk.RunOpenPanel(open).has_value());  // not an allowed type
  EXPECT_FALSE(tk.RunOpenPanel(open).has_value());  // does not exist
  EXPECT_FALSE(tk.RunOpenPanel(open).has_value());  // cancelled
  EXPECT_EQ(tk.Errors().size(), 2u);
  EXPECT_EQ(tk.OpenPanels().size(), 4u);

  SavePanelRequest save{"", dir.path(), "export", {"csv"}, "", ""};
  tk.Push({Step::ChooseFile(dir / "export"), Step::ChooseFile(dir / "x.csv"), Step::ChooseFile(dir / "no/such/x.csv")});
  EXPECT_EQ(tk.RunSavePanel(save), dir / "export.csv");
  EXPECT_EQ(tk.RunSavePanel(save), dir / "x.csv");
  EXPECT_FALSE(tk.RunSavePanel(save).has_value());
  EXPECT_FALSE(tk.RunSavePanel(save).has_value());  // script exhausted
}

TEST(HeadlessToolkit, ShortAlertFormMapsButtons) {
  HeadlessToolkit tk;
  Alert a;
  a.buttons = {"OK", "", "Cancel", "Other", "Fourth"};
  tk.Push({Step::AnswerAlert(0), Step::AnswerAlert(1), Step::AnswerAlert(2)});
  EXPECT_EQ(RunCriticalAlertPanel(tk, a), kAlertDefaultReturn);
  EXPECT_EQ(RunCriticalAlertPanel(tk, a), kAlertAlternateReturn);
  EXPECT_EQ(RunCriticalAlertPanel(tk, a), kAlertOtherReturn);
  EXPECT_EQ(tk.Alerts()[0].alert.buttons, (std::vector<std::string>{"OK", "Cancel", "Other"}));
  EXPECT_EQ(tk.Alerts()[0].alert.style, AlertStyle::kCritical);
}

TEST(HeadlessToolkit, LayoutsLoadFromTheBundle) {
  TempDir dir;
  nx::testing::WriteText(dir / "B.plugin/Contents/Info.plist",
                         "<plist><dict><key>CFBundleIdentifier</key><string>b</string></dict></plist>");
  nx::testing::WriteText(dir / "B.plugin/Contents/Resources/NXDeviceOption.nxlayout", R"(<plist><dict>
    <key>Title</key><string>Device Option</string>
    <key>Elements</key><array>
      <dict><key>Tag</key><integer>3</integer><key>Kind</key><string>popup</string>
            <key>Items</key><array><string>A</string><string>B</string></array>
            <key>Value</key><integer>1</integer><key>Enabled</key><false/></dict>
      <dict><key>Tag</key><integer>4</integer><key>Kind</key><string>text</string>
            <key>Value</key><string>123</string><key>Frame</key><array/></dict>
    </array></dict></plist>)");
  nx::testing::WriteText(dir / "B.plugin/Contents/Resources/Bad.nxlayout",
                         "<plist><dict><key>Elements</key><array><dict><key>Tag</key><string>3</string>"
                         "<key>Kind</key><string>popup</string></dict></array></dict></plist>");
  auto bundle = nx::platform::Bundle::Open(dir / "B.plugin");
  ASSERT_TRUE(bundle);
  HeadlessToolkit tk;
  auto w = tk.LoadWindow(*bundle, "NXDeviceOption");
  ASSERT_TRUE(w);
  EXPECT_EQ(w->Title(), "Device Option");
  ASSERT_NE(w->FindElement(3), nullptr);
  EXPECT_EQ(w->FindElement(3)->SelectedIndex(), 1);
  EXPECT_FALSE(w->FindElement(3)->IsEnabled());
  EXPECT_EQ(w->FindElement(4)->IntValue(), 123);
  EXPECT_EQ(tk.LoadView(*bundle, "Bad"), nullptr);
  EXPECT_EQ(tk.LoadView(*bundle, "Missing"), nullptr);
}

}  // namespace

namespace {

TEST(HeadlessToolkit, TypedTextNeverReachesTheRecords) {
  nx::platform::ui::HeadlessToolkit tk;
  auto view = tk.CreateView("Pane");
  view->AddElement(nx::platform::ui::ElementKind::kSecureTextField, 9).SetEnabled(false);
  view->AddElement(nx::platform::ui::ElementKind::kSecureTextField, 8);
  tk.Perform(*view, nx::platform::ui::Step::Enter(8, "s3cr3t-pw"));
  tk.Perform(*view, nx::platform::ui::Step::Enter(9, "s3cr3t-pw"));  // refused: recorded as an error
  EXPECT_EQ(view->FindElement(8)->StringValue(), "s3cr3t-pw");
  ASSERT_EQ(tk.Errors().size(), 1u);
  for (const auto& line : tk.Transcript()) EXPECT_EQ(line.find("s3cr3t"), std::string::npos) << line;
}

}  // namespace
