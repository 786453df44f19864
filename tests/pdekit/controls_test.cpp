// Concrete controls and input filters: character filters, the formatter, text validation,
// clocks, popups, radio groups and PPD-driven controls.
#include <gtest/gtest.h>

#include <ctime>

#include "control_fixture.h"
#include "pdekit/ClockControl.h"
#include "pdekit/PopupControl.h"
#include "pdekit/SimpleControls.h"
#include "pdekit/StateControls.h"
#include "pdekit/TextEditCtrl.h"
#include "pdekit/TextEditFormatter.h"
#include "ppd_fixture.h"

namespace {

using namespace pdekit;
using namespace pdekit::testing;
using nx::platform::PrefUser;
using nx::platform::ui::ElementKind;
using nx::platform::ui::Step;

// ---- Filters ----

struct FilterCase {
  const char* name;
  const InputFilter* filter;
  const char* text;
  bool accepted;
};

class FilterTest : public ::testing::TestWithParam<FilterCase> {};

TEST_P(FilterTest, ValidateInput) {
  EXPECT_EQ(validateInput(GetParam().text, *GetParam().filter), GetParam().accepted) << GetParam().name;
}

const InputFilter kNoRanges{};
const InputFilter kDomain{0, {}, 1, {{0x20, 0x7E}}, "Warning35"};

INSTANTIATE_TEST_SUITE_P(
    Account, FilterTest,
    ::testing::Values(FilterCase{"account id with yen", &kAccountIDInputFilter, "12\xC2\xA5" "3", true},
                      FilterCase{"account id with e acute", &kAccountIDInputFilter, "caf\xC3\xA9", false},
                      FilterCase{"account id empty", &kAccountIDInputFilter, "", true},
                      FilterCase{"name with kanji", &kNamesInputFilter, "\xE6\xBC\xA2\xE5\xAD\x97", true},
                      FilterCase{"name with greek", &kNamesInputFilter, "\xCE\xB1\xCE\xB2", true},
                      FilterCase{"name with final sigma gap", &kNamesInputFilter, "\xCF\x82", false},
                      FilterCase{"name with e acute", &kNamesInputFilter, "\xC3\xA9", false},
                      FilterCase{"name with fullwidth A", &kNamesInputFilter, "\xEF\xBC\xA1", true},
                      FilterCase{"no ranges refuse text", &kNoRanges, "a", false},
                      FilterCase{"no ranges take empty text", &kNoRanges, "", true},
                      FilterCase{"not UTF-8", &kDomain, "a\xFF", false},
                      FilterCase{"control character", &kDomain, "a\tb", false}),
    [](const auto& info) {
      std::string n = info.param.name;
      for (auto& c : n)
        if (!isalnum(static_cast<unsigned char>(c))) c = '_';
      return n;
    });

TEST(Filters, ShiftJisCodesForWideCharacters) {
  // Kanji are checked as their Shift-JIS code: 漢 is 0x8ABF, 字 is 0x8E9A.
  const InputFilter kKanji{0, {}, 2, {{0x20, 0x7E}, {0x8A00, 0x8AFF}}, nullptr};
  EXPECT_TRUE(validateInputByJIS("a\xE6\xBC\xA2", kKanji));
  EXPECT_FALSE(validateInputByJIS("\xE5\xAD\x97", kKanji));
  EXPECT_FALSE(validateInput("\xE6\xBC\xA2", kKanji));  // U+6F22 itself is not in the ranges
  // A character without a Shift-JIS form fails.
  const InputFilter kAll{0, {}, 1, {{0, 0x7FFFFFFF}}, nullptr};
  EXPECT_FALSE(validateInputByJIS("\xF0\x9F\x98\x80", kAll));
  EXPECT_TRUE(validateInputByJIS("", kKanji));
}

TEST(Filters, AllSpace) {
  EXPECT_TRUE(IsAllSpace(""));
  EXPECT_TRUE(IsAllSpace("   "));
  EXPECT_TRUE(IsAllSpace(" \xE3\x80\x80 "));  // ideographic space
  EXPECT_FALSE(IsAllSpace(" a "));
  EXPECT_FALSE(IsAllSpace("\t"));
}

// ---- Formatter ----

TEST(Formatter, RefusesCharactersOutsideTheFilterAndTextTooWide) {
  nx::platform::ui::HeadlessToolkit tk;
  TextEditFormatter f(&kAccountIDInputFilter, 4, &tk);
  std::string why;
  EXPECT_TRUE(f.IsPartialStringValid("ab\xC2\xA5" "c", &why));  // yen counts 1 in Shift-JIS
  EXPECT_FALSE(f.IsPartialStringValid("abc\xC3\xA9", &why));
  EXPECT_EQ(why, "String too long.");
  why.clear();
  EXPECT_FALSE(f.IsPartialStringValid("abcde", &why));
  EXPECT_EQ(why, "String too long.");
  EXPECT_EQ(tk.BeepCount(), 2);
  TextEditFormatter wide(&kNamesInputFilter, 4, nullptr);
  EXPECT_TRUE(wide.IsPartialStringValid("\xE6\xBC\xA2\xE5\xAD\x97", nullptr));  // two kanji: width 4
  EXPECT_FALSE(wide.IsPartialStringValid("\xE6\xBC\xA2\xE5\xAD\x97" "a", nullptr));
}

const TextEditIniData kAccountIni{"", "", 0, 8};
const TextEditIniData kUserIni{"", "", 2, 8};
constexpr DataAccessInfo kAccountAccess{kAccessTypeText, kAccessTypeText,
                                        "com.norvalex.nb.qtz.printsettings.JBAAccountIDTextEditTicket",
                                        "com.norvalex.nb.qtz.printsettings.JBAAccountIDTextEditReference"};

TEST(TextField, TypingIsFilteredByTheInstalledFormatter) {
  PanelFixture f;
  auto field = f.Wire(std::make_shared<TextEditCtrl>(&f.Add(ElementKind::kTextField, 3), &kAccountIni, nullptr,
                                                     &kAccountAccess, PrefUser::kCurrent, &kAccountIDInputFilter));
  ASSERT_TRUE(f.toolkit->Perform(*f.view, Step::TypeText(3, "12\xC3\xA9" "3456789")));
  EXPECT_EQ(field->GetControlPtr()->StringValue(), "12345678");  // é refused, then the ninth digit
  EXPECT_EQ(f.toolkit->BeepCount(), 2);
  int refusals = 0;
  for (const auto& line : f.toolkit->Transcript())
    if (line == "edit refused tag 3: String too long.") ++refusals;
  EXPECT_EQ(refusals, 2);
}

TEST(TextField, ValidationAtCommitShowsTheFilterMessage) {
  PanelFixture f;
  auto field = f.Wire(std::make_shared<TextEditCtrl>(&f.Add(ElementKind::kTextField, 3), &kUserIni, nullptr,
                                                     &kAccountAccess, PrefUser::kCurrent, &kNamesInputFilter));
  struct Case {
    const char* text;
    bool valid;
  };
  for (const Case c : {Case{"", true}, Case{"a", false}, Case{"ab", true}, Case{"abcdefgh", true},
                       Case{"abcdefghi", false}, Case{"a\xC3\xA9", false}}) {
    field->GetControlPtr()->SetStringValue(c.text);  // set directly: the formatter is not asked
    ASSERT_TRUE(field->GetValueFromUI());
    EXPECT_EQ(field->InvalidateDataAndReturnError(), c.valid) << c.text;
  }
  f.toolkit->Push(Step::AnswerAlert(0));
  EXPECT_FALSE(field->InvalidateData());
  ASSERT_EQ(f.toolkit->Alerts().size(), 1u);
  const auto& alert = f.toolkit->Alerts()[0].alert;
  EXPECT_EQ(alert.title_key, "");
  EXPECT_EQ(alert.text_key, "Warning32");
  EXPECT_EQ(alert.buttons, std::vector<std::string>{"Alert OK Btn"});
  field->CorrectCtrlUI();
  EXPECT_EQ(field->GetControlPtr()->StringValue(), "");
  EXPECT_TRUE(field->InvalidateData());
}

TEST(TextField, WideTextIsCommittedWhole) {
  PanelFixture f;
  auto field = f.Wire(std::make_shared<TextEditCtrl>(&f.Add(ElementKind::kTextField, 3), &kUserIni, nullptr,
                                                     &kAccountAccess, PrefUser::kCurrent, nullptr));
  const std::string text = "\xE6\xBC\xA2\xE5\xAD\x97\xE6\xBC\xA2";  // width 6, nine bytes
  field->GetControlPtr()->SetStringValue(text);
  ASSERT_TRUE(field->GetValueFromUI());
  EXPECT_EQ(field->GetDataBlkSize(), 6u);
  field->SetValueFromUIToControl();
  EXPECT_EQ(field->GetControlText(), text);
  // A text cut at the block's end keeps whole characters.
  std::string longText;
  for (int i = 0; i < 200; ++i) longText += "\xE6\xBC\xA2";
  field->GetControlPtr()->SetStringValue(longText);
  field->GetValueFromUI();
  EXPECT_EQ(field->GetUIText().size(), 510u);
  EXPECT_FALSE(field->SetControlValueToUIBlk(longText.c_str(), longText.size()));
  EXPECT_TRUE(field->SetControlValueToUIBlk("ok", 2));
  EXPECT_EQ(field->GetControlPtr()->StringValue(), "ok");
}

TEST(TextField, DefaultsAndIniTexts) {
  PanelFixture f;
  static const TextEditIniData kIni{"initial", "default", 0, 32};
  auto field = f.Wire(std::make_shared<TextEditCtrl>(&f.Add(ElementKind::kTextField, 3), &kIni, nullptr,
                                                     &kAccountAccess, PrefUser::kCurrent, nullptr));
  field->SetUIValueToIniData();
  EXPECT_EQ(field->GetUIText(), "initial");
  field->SetControlValueToDefault();
  EXPECT_EQ(field->GetControlText(), "default");
  field->SetControlValueToUI();
  EXPECT_EQ(field->GetControlPtr()->StringValue(), "default");
  field->SetDefaultValueToUI();
  EXPECT_EQ(field->GetControlPtr()->StringValue(), "default");
}

TEST(StaticText, ShowsItsLabelWhateverTheValue) {
  PanelFixture f;
  auto label = f.Wire(std::make_shared<StaticTextEditControl>(&f.Add(ElementKind::kStaticText, 9), &kAccountIni,
                                                              nullptr, nullptr, PrefUser::kCurrent, nullptr,
                                                              "User ID text"));
  EXPECT_EQ(label->GetControlPtr()->StringValue(), "User ID text");
  label->SetControlValueToUI();
  EXPECT_EQ(label->GetControlPtr()->StringValue(), "User ID text");
  EXPECT_EQ(label->GetControlPtr()->Formatter(), nullptr);
  EXPECT_FALSE(label->SetValueToTicket(&f.settings, false));
}

// ---- Clock ----

std::time_t LocalTime(int year, int month, int day, int hour, int minute) {
  std::tm tm{};
  tm.tm_year = year - 1900;
  tm.tm_mon = month - 1;
  tm.tm_mday = day;
  tm.tm_hour = hour;
  tm.tm_min = minute;
  tm.tm_isdst = -1;
  return std::mktime(&tm);
}

struct ClockCase {
  int nowHour, nowMinute, hour, minute;
  const char* ticket;
};

class ClockTest : public ::testing::TestWithParam<ClockCase> {};

TEST_P(ClockTest, TicketIsDatedTomorrowWhenTheTimeHasPassed) {
  PanelFixture f;
  static const ClockIniData kIni{0, 0, 0, 0, 0, 0, 0};
  static constexpr DataAccessInfo kAccess{kAccessTypeDate, kAccessTypeDate,
                                          "com.norvalex.nb.qtz.printsettings.DelayPrintTicketKey",
                                          "com.norvalex.nb.qtz.printsettings.DelayPrintReference"};
  auto clock = f.Wire(std::make_shared<ClockControl>(&f.Add(ElementKind::kDatePicker, 7), &kIni, nullptr, &kAccess,
                                                     PrefUser::kCurrent, "Start Print Time"));
  const ClockCase& c = GetParam();
  clock->SetClock([&] { return LocalTime(2024, 12, 31, c.nowHour, c.nowMinute); });
  ASSERT_TRUE(f.toolkit->Perform(*f.view, Step::SetDate(7, {2001, 1, 1, c.hour, c.minute, 0})));
  clock->SetValueFromUIToControl();
  ASSERT_TRUE(clock->SetValueToTicket(&f.settings, false));
  EXPECT_EQ(f.Setting(kAccess.ticketKey), c.ticket);
}

INSTANTIATE_TEST_SUITE_P(Times, ClockTest,
                         ::testing::Values(ClockCase{9, 30, 8, 0, "2025:01:01:08:00"},
                                           ClockCase{9, 30, 9, 30, "2024:12:31:09:30"},
                                           ClockCase{9, 30, 9, 29, "2025:01:01:09:29"},
                                           ClockCase{23, 50, 0, 10, "2025:01:01:00:10"},
                                           ClockCase{0, 0, 23, 59, "2024:12:31:23:59"}));

TEST(Clock, PreferenceTextAndSummary) {
  PanelFixture f;
  static const ClockIniData kIni{0, 0, 0, 0, 21, 5, 0};
  static constexpr DataAccessInfo kAccess{kAccessTypeDate, kAccessTypeDate, "com.norvalex.nb.qtz.printsettings.T",
                                          "com.norvalex.nb.qtz.printsettings.R"};
  auto clock = f.Wire(std::make_shared<ClockControl>(&f.Add(ElementKind::kDatePicker, 7), &kIni, nullptr, &kAccess,
                                                     PrefUser::kCurrent, "Start Print Time"));
  clock->SetControlValueToDefault();
  std::string text;
  ASSERT_TRUE(clock->ConvertToPreferenceString(text));
  EXPECT_EQ(text, "21:05");
  for (const char* bad : {"24:00", "7:60", "07", "07:05x", ":05", "", "123:4"})
    EXPECT_FALSE(clock->ConvertFromPreferenceString(bad)) << bad;
  ASSERT_TRUE(clock->ConvertFromPreferenceString("7:5"));
  clock->SetControlValueToUI();
  EXPECT_EQ(clock->GetControlPtr()->DateValue().hour, 7);
  EXPECT_EQ(clock->GetControlPtr()->DateValue().minute, 5);
  SummaryInfo summary;
  clock->GetSummaryText(summary);
  EXPECT_EQ(summary.values["Start Print Time"], "07:05");
  clock->Disable();
  SummaryInfo none;
  clock->GetSummaryText(none);
  EXPECT_TRUE(none.values.empty());
}

// ---- Popups ----

constexpr const char* kItems[] = {"Job Type None", "Job Type Secure", "Job Type Sample", nullptr};
const PopupIniData kPopupIni{0, 1, -1, kItems};
constexpr DataAccessInfo kPopupAccess{0, 0, "com.norvalex.nb.qtz.printsettings.PrintTypeTicketKey",
                                      "com.norvalex.nb.qtz.printsettings.PrintTypeReference"};

TEST(Popup, ItemsWithoutTranslationShowTheirKeys) {
  PanelFixture f;
  auto popup = f.Wire(std::make_shared<PopupControl>(&f.Add(ElementKind::kPopup, 2), &kPopupIni, nullptr,
                                                     &kPopupAccess, PrefUser::kCurrent));
  auto* e = popup->GetControlPtr();
  ASSERT_EQ(e->ItemCount(), 3);
  EXPECT_EQ(e->ItemTitle(1), "Job Type Secure");
  EXPECT_EQ(e->ItemRepresentedObject(2), "Job Type Sample");
}

TEST(Popup, ValueIsTheItemNumberAndStoredNumbersOutsideTheListAreRefused) {
  PanelFixture f;
  auto popup = f.Wire(std::make_shared<PopupControl>(&f.Add(ElementKind::kPopup, 2), &kPopupIni, nullptr,
                                                     &kPopupAccess, PrefUser::kCurrent));
  ASSERT_TRUE(f.toolkit->Perform(*f.view, Step::Select(2, 2)));
  popup->SetValueFromUIToControl();
  ASSERT_TRUE(popup->SetValueToTicket(&f.settings, false));
  EXPECT_EQ(f.Setting(kPopupAccess.ticketKey), "3");
  for (const char* bad : {"0", "4", "-1", "", "x"}) EXPECT_FALSE(popup->ConvertFromPreferenceString(bad)) << bad;
  EXPECT_EQ(popup->GetItemNumber(), 3);
  EXPECT_TRUE(popup->ConvertFromPreferenceString("2"));
  f.settings.SetValue(kPopupAccess.ticketKey, "1", false);
  ASSERT_TRUE(popup->GetValueToPreset());
  EXPECT_EQ(popup->GetItemNumber(), 1);
  f.settings.SetValue(kPopupAccess.ticketKey, "none", false);
  EXPECT_FALSE(popup->GetValueToPreset());
}

TEST(Popup, ConstraintsFollowTheSelectedIndex) {
  PanelFixture f;
  static constexpr int kNone[] = {4, 5, 0};
  static constexpr int kSample[] = {5, 0};
  static constexpr ControlIDList kLists[] = {kNone, {}, kSample};
  static constexpr ConstrainTable kTable{kLists, {}, {}};
  auto popup = f.Wire(std::make_shared<PopupControl>(&f.Add(ElementKind::kPopup, 2), &kPopupIni, &kTable,
                                                     &kPopupAccess, PrefUser::kCurrent));
  auto user = f.Wire(std::make_shared<TextEditCtrl>(&f.Add(ElementKind::kTextField, 4), &kAccountIni, nullptr, nullptr,
                                                    PrefUser::kCurrent, nullptr));
  auto password = f.Wire(std::make_shared<TextEditCtrl>(&f.Add(ElementKind::kTextField, 5), &kAccountIni, nullptr,
                                                        nullptr, PrefUser::kCurrent, nullptr));
  f.panel->SetUIDataToIniData();
  f.panel->GetValueFromPreference();  // nothing stored: the default, item 1
  f.panel->SetCurrentValueToUI();
  EXPECT_FALSE(user->GetControlPtr()->IsEnabled());
  EXPECT_FALSE(password->GetControlPtr()->IsEnabled());
  ASSERT_TRUE(f.toolkit->Perform(*f.view, Step::Select(2, 2)));  // sample: only the password
  EXPECT_TRUE(user->GetControlPtr()->IsEnabled());
  EXPECT_FALSE(password->GetControlPtr()->IsEnabled());
  ASSERT_TRUE(f.toolkit->Perform(*f.view, Step::Select(2, 1)));
  EXPECT_TRUE(user->GetControlPtr()->IsEnabled());
  EXPECT_TRUE(password->GetControlPtr()->IsEnabled());
  EXPECT_EQ(password->GetConstrainCount(), 0);
}

TEST(PPDPopup, ChoicesFromThePPDAndTheHostDecidesTheTicket) {
  nx::testing::TempDir dir;
  auto ppd = Ppd(dir, SimplePpd(""));
  ASSERT_TRUE(ppd);
  PanelFixture f;
  BasicHostCallback host(&f.session, &f.settings, ppd.get());
  f.panel->SetCurrentPrintSettings(&f.settings, ppd.get(), &host, &f.session);
  static constexpr DataAccessInfo kAccess{0, 0, "com.norvalex.nb.qtz.printsettings.DuplexTicket", nullptr};
  auto popup = std::make_shared<PPDPopupControl>(&f.Add(ElementKind::kPopup, 2), &kPopupIni, nullptr, &kAccess,
                                                 PrefUser::kCurrent, "Duplex");
  f.panel->RunTimeAddNewControl(popup);
  popup->InitializeCtrl(nullptr, ppd.get());
  auto* e = popup->GetControlPtr();
  ASSERT_EQ(e->ItemCount(), 3);
  EXPECT_EQ(e->ItemTitle(2), "Short-Edge binding");
  EXPECT_EQ(e->ItemRepresentedObject(2), "DuplexTumble");
  popup->SetControlValueToDefault();
  EXPECT_EQ(popup->GetItemNumber(), 1);  // the PPD default: None
  EXPECT_TRUE(popup->ConvertFromPreferenceString("3"));
  EXPECT_FALSE(popup->ConvertFromPreferenceString("4"));
  ASSERT_TRUE(popup->SetValueToTicket(&f.settings, false));
  EXPECT_EQ(f.Setting(kAccess.ticketKey), "3");
  EXPECT_TRUE(ppdFindChoice(ppdFindOption(ppd.get(), "Duplex"), "DuplexTumble")->marked);

  host.RefuseOption("Duplex");
  ASSERT_TRUE(popup->ConvertFromPreferenceString("2"));
  EXPECT_FALSE(popup->SetValueToTicket(&f.settings, false));
  EXPECT_EQ(f.Setting(kAccess.ticketKey), "3");
}

TEST(PPDPopup, ConflictingChoicesAreDisabledThroughTheConstraintIndex) {
  nx::testing::TempDir dir;
  auto ppd = Ppd(dir, SimplePpd(""));
  PanelFixture f;
  ConstraintIndex index;
  // Duplex:DuplexTumble conflicts while InputSlot (group 0, option 0) has Tray1 (choice 1).
  index.insert("Duplex:DuplexTumble", {0, 0, 1});
  f.panel->SetxppdPtr(&index);
  auto popup = std::make_shared<PPDPopupControl>(&f.Add(ElementKind::kPopup, 2), &kPopupIni, nullptr, nullptr,
                                                 PrefUser::kCurrent, "Duplex");
  f.panel->RunTimeAddNewControl(popup);
  popup->InitializeCtrl(nullptr, ppd.get());
  EXPECT_TRUE(popup->isChoiceConflicted("Duplex:DuplexTumble", "InputSlot", "Tray1", ppd.get()));
  EXPECT_FALSE(popup->isChoiceConflicted("Duplex:DuplexTumble", "InputSlot", "Tray2", ppd.get()));
  EXPECT_FALSE(popup->isChoiceConflicted("Duplex:None", "InputSlot", "Tray1", ppd.get()));
  popup->UpdateConflictsPanelControlFromPPD(ppd.get());
  EXPECT_TRUE(popup->GetControlPtr()->IsItemEnabled(2));
  ppdMarkOption(ppd.get(), "InputSlot", "Tray1");
  popup->UpdateConflictsPanelControlFromPPD(ppd.get());
  EXPECT_FALSE(popup->GetControlPtr()->IsItemEnabled(2));
  EXPECT_TRUE(popup->GetControlPtr()->IsItemEnabled(1));
  // Positions that do not exist in this PPD are ignored.
  index.insert("Duplex:None", {9, 0, 0});
  EXPECT_FALSE(popup->isChoiceConflicted("Duplex:None", "InputSlot", "Auto", ppd.get()));
}

// ---- Radio buttons ----

TEST(Radio, PairedRadiosKeepOneOnAndRefreshEachOther) {
  PanelFixture f;
  // As in the accounting details window: the stored-details radio (tag 1) disables the user ID
  // (tag 3) while off; the per-job radio (tag 2) disables the check box (tag 4) while off; each
  // refreshes the other when it changes.
  static constexpr int kUser[] = {3, 0};
  static constexpr int kBox[] = {4, 0};
  static constexpr int kRefresh2[] = {2, 0};
  static constexpr int kRefresh1[] = {1, 0};
  static constexpr ControlIDList kStoredOff[] = {kUser};
  static constexpr ControlIDList kStoredRefresh[] = {kRefresh2};
  static constexpr ControlIDList kJobOff[] = {kBox};
  static constexpr ControlIDList kJobRefresh[] = {kRefresh1};
  static constexpr ConstrainTable kStored{kStoredOff, {}, kStoredRefresh};
  static constexpr ConstrainTable kJob{kJobOff, {}, kJobRefresh};
  static const RadioButtonIniData kStoredIni{0, 1, -1, "JBA Common User Info Type", "Detailed User Settings"};
  static const RadioButtonIniData kJobIni{0, 0, -1, "JBA Job User Type", "Detailed User Settings"};
  static const CheckBoxIniData kBoxIni{0, 1, -1, "JBA Last Info Setting"};
  RadioGroup group;
  auto stored = f.Wire(std::make_shared<RadioButton>(&f.Add(ElementKind::kRadioButton, 1), &kStoredIni, &kStored,
                                                     nullptr, PrefUser::kCurrent));
  auto job = f.Wire(std::make_shared<RadioButton>(&f.Add(ElementKind::kRadioButton, 2), &kJobIni, &kJob, nullptr,
                                                  PrefUser::kCurrent));
  auto user = f.Wire(std::make_shared<TextEditCtrl>(&f.Add(ElementKind::kTextField, 3), &kAccountIni, nullptr, nullptr,
                                                    PrefUser::kCurrent, nullptr));
  auto box = f.Wire(std::make_shared<CheckBox>(&f.Add(ElementKind::kCheckBox, 4), &kBoxIni, nullptr, nullptr,
                                               PrefUser::kCurrent));
  EXPECT_EQ(group.RunTimeAddNewControl(stored), 0);
  EXPECT_EQ(group.RunTimeAddNewControl(job), 1);
  EXPECT_EQ(group.GetcurRadio(), -1);
  f.panel->SetUIDataToIniData();
  f.panel->GetValueFromPreference();
  f.panel->SetCurrentValueToUI();
  EXPECT_EQ(group.GetcurRadio(), 0);
  EXPECT_TRUE(user->GetControlPtr()->IsEnabled());
  EXPECT_FALSE(box->GetControlPtr()->IsEnabled());

  ASSERT_TRUE(f.toolkit->Perform(*f.view, Step::Click(2)));
  EXPECT_EQ(stored->GetControlPtr()->IntValue(), 0);
  EXPECT_EQ(group.GetcurRadio(), 1);
  EXPECT_FALSE(user->GetControlPtr()->IsEnabled());
  EXPECT_TRUE(box->GetControlPtr()->IsEnabled());

  ASSERT_TRUE(f.toolkit->Perform(*f.view, Step::Click(1)));
  EXPECT_EQ(job->GetControlPtr()->IntValue(), 0);
  EXPECT_EQ(group.GetcurRadio(), 0);
  EXPECT_TRUE(user->GetControlPtr()->IsEnabled());
  EXPECT_FALSE(box->GetControlPtr()->IsEnabled());
  EXPECT_EQ(user->GetConstrainCount(), 0);
  EXPECT_EQ(box->GetConstrainCount(), 1);

  f.panel->SetValueFromUIToControl();
  SummaryInfo summary;
  f.panel->GetSummaryText(summary);
  EXPECT_EQ(summary.values["Detailed User Settings"], "JBA Common User Info Type");
  EXPECT_EQ(summary.values.count("JBA Last Info Setting"), 0u);  // disabled by the radio

  group.SetcurRadio(5);
  EXPECT_EQ(group.GetcurRadio(), 0);
  group.SetcurRadio(1);
  EXPECT_EQ(group.GetRadio(group.GetcurRadio()), job.get());
}

// ---- Installable option watcher ----

TEST(Installable, MarkedChoiceDisablesItsRowAndAResetReappliesIt) {
  nx::testing::TempDir dir;
  auto ppd = Ppd(dir, SimplePpd("*OpenUI *NXHardDisk/Hard Disk: PickOne\n*DefaultNXHardDisk: False\n"
                                "*NXHardDisk True/Installed: \"\"\n*NXHardDisk False/Not Installed: \"\"\n"
                                "*CloseUI: *NXHardDisk\n"));
  ASSERT_TRUE(ppd);
  PanelFixture f;
  BasicHostCallback host(&f.session, &f.settings, ppd.get());
  f.panel->SetCurrentPrintSettings(&f.settings, ppd.get(), &host, &f.session);
  static constexpr int kOff[] = {2, 3, 0};
  static constexpr InstallableConstrain kTable[] = {{"False", kOff}, {nullptr, {}}, {"True", kOff}};
  auto popup = f.Wire(std::make_shared<PopupControl>(&f.Add(ElementKind::kPopup, 2), &kPopupIni, nullptr, nullptr,
                                                     PrefUser::kCurrent));
  auto user = f.Wire(std::make_shared<TextEditCtrl>(&f.Add(ElementKind::kTextField, 3), &kAccountIni, nullptr, nullptr,
                                                    PrefUser::kCurrent, nullptr));
  auto watcher = std::make_shared<InstallableControl>(nullptr, "NXHardDisk", kTable);
  f.panel->RunTimeAddNewInstallableControl(watcher);
  EXPECT_EQ(f.panel->ConstrainPanelControlFromPPD(ppd.get()), 0);
  EXPECT_FALSE(popup->GetControlPtr()->IsEnabled());
  EXPECT_FALSE(user->GetControlPtr()->IsEnabled());
  f.panel->ResetControlStatus();  // counters cleared, then the PPD applied again
  EXPECT_FALSE(popup->GetControlPtr()->IsEnabled());
  EXPECT_EQ(popup->GetConstrainCount(), 1);
  ppdMarkOption(ppd.get(), "NXHardDisk", "True");
  EXPECT_EQ(watcher->ConstrainPanelControlFromPPD(ppd.get()), 0);
  f.panel->ResetControlStatus();
  EXPECT_TRUE(popup->GetControlPtr()->IsEnabled());
  ppdMarkOption(ppd.get(), "NXHardDisk", "False");
  EXPECT_EQ(watcher->ConstrainPanelControlFromPPD(ppd.get()), 1000);
}

TEST(Buttons, TitlesAndHandlers) {
  PanelFixture f;
  int clicks = 0;
  auto button = f.Wire(std::make_shared<BaseButton>(&f.Add(ElementKind::kButton, 8), "Restore Button Title"));
  button->SetHandler([&](BaseButton&) { ++clicks; });
  auto group = f.Wire(std::make_shared<GroupBoxControl>(&f.Add(ElementKind::kGroupBox, 9), "Print Type Group"));
  EXPECT_EQ(button->GetControlPtr()->Title(), "Restore Button Title");
  EXPECT_EQ(group->GetControlPtr()->Title(), "Print Type Group");
  ASSERT_TRUE(f.toolkit->Perform(*f.view, Step::Click(8)));
  EXPECT_EQ(clicks, 1);
  EXPECT_FALSE(button->SetValueToTicket(&f.settings, false));
  EXPECT_TRUE(button->SetValueToPreference());
}

}  // namespace
