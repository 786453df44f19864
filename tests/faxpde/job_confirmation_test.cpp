// The job confirmation window: the dated delayed send time against an injected clock (day,
// month and year changes), the plain time beside it, nothing written without a delayed send,
// and the confirmation rows of each record type.
#include <gtest/gtest.h>

#include <ctime>
#include <memory>

#include "faxpde/JobConfirmationWindow.h"
#include "nx/platform/bundle.h"
#include "nx/platform/headless_toolkit.h"
#include "nx/platform/services.h"
#include "pdekit/PDEHost.h"

namespace {

using faxpde::DelayedSendDateText;

std::time_t LocalTime(int year, int month, int day, int hour, int minute) {
  std::tm tm{};
  tm.tm_year = year - 1900;
  tm.tm_mon = month - 1;
  tm.tm_mday = day;
  tm.tm_hour = hour;
  tm.tm_min = minute;
  tm.tm_sec = 30;
  tm.tm_isdst = -1;
  return std::mktime(&tm);
}

struct DateCase {
  std::time_t now;
  int hour, minute;
  const char* expected;
};

TEST(DelayedSendDate, TodayOrTomorrowByTheMinute) {
  const DateCase cases[] = {
      {LocalTime(2024, 3, 30, 23, 50), 0, 10, "2024:03:31:00:10"},  // earlier: tomorrow
      {LocalTime(2024, 3, 31, 8, 5), 8, 5, "2024:03:31:08:05"},     // the same minute: today
      {LocalTime(2024, 3, 31, 8, 6), 8, 5,
       "2024:04:01:08:05"},  // a minute late: tomorrow, next month
      {LocalTime(2024, 3, 31, 7, 59), 23, 59, "2024:03:31:23:59"},  // later today
      {LocalTime(2024, 12, 31, 10, 0), 9, 0, "2025:01:01:09:00"},   // new year
      {LocalTime(2024, 2, 28, 12, 0), 11, 0, "2024:02:29:11:00"},   // leap day
      {LocalTime(2023, 2, 28, 12, 0), 11, 0, "2023:03:01:11:00"},
  };
  for (const auto& c : cases) EXPECT_EQ(DelayedSendDateText(c.now, c.hour, c.minute), c.expected);
}

TEST(JobConfirmationRows, ByRecordType) {
  using nx::phonebook::FaxRecord;
  auto record = [](const char* type, const char* name, const char* address) {
    return FaxRecord({{"RecodeType", std::string(type)},
                      {"Name", std::string(name)},
                      {"Address", std::string(address)}});
  };
  EXPECT_EQ(faxpde::JobConfirmationRow(record("0", "Abc", "0312345678")), "Abc <0312345678>");
  EXPECT_EQ(faxpde::JobConfirmationRow(record("2", "Book", "0311")), "Book <0311>");
  EXPECT_EQ(faxpde::JobConfirmationRow(record("1", "", "012")), " <'012'>");
  EXPECT_EQ(faxpde::JobConfirmationRow(record("3", "X", "1")), std::nullopt);
  EXPECT_EQ(faxpde::JobConfirmationRow(FaxRecord()), std::nullopt);
}

// The window built from the bundle's layout, driven directly with a fixed clock.
class ConfirmationWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    auto tk = std::make_unique<nx::platform::ui::HeadlessToolkit>();
    toolkit_ = tk.get();
    services_ = std::make_unique<nx::platform::Services>(
        std::make_unique<nx::platform::MemoryPreferences>(), nullptr, nullptr, nullptr, nullptr,
        nullptr, std::move(tk));
    bundle_ = nx::platform::Bundle::Open(std::string(NX_FAXPDE_BUNDLES) + "/faxpde.plugin");
    ASSERT_TRUE(bundle_);
    ppd_ = pdekit::OpenPPDFile(std::string(NX_SOURCE_DIR) + "/ppd/nxfax.ppd");
    ASSERT_TRUE(ppd_);
    auto w = toolkit_->LoadWindow(*bundle_, "FaxJobConfirmation");
    ASSERT_TRUE(w);
    window_ = std::make_shared<faxpde::FaxPBJobConfirmationWindowsClass>(
        std::move(w), "Fax Phonebook Job Confirmation Window Title String", nullptr, *services_);
    ASSERT_TRUE(window_->CreateDialog());
    window_->InitializeUserPane(&*bundle_, ppd_.get());
    window_->SetUIDataToIniData();
    window_->SetCurrentValueToUI();
  }

  // The user's choice, committed as OK commits it.
  void Choose(bool delayed, int hour, int minute) {
    auto* view = window_->GetPanelWindow();
    auto* box = view->FindElement(faxpde::kJCDelayedSend);
    box->SetIntValue(delayed ? 1 : 0);
    box->SendAction();
    auto* time = view->FindElement(faxpde::kJCTime);
    time->SetDateValue({2001, 1, 1, hour, minute, 0});
    window_->SycValueFromUI();
    window_->SetValueFromUIToControl();
  }

  nx::platform::ui::HeadlessToolkit* toolkit_ = nullptr;
  std::unique_ptr<nx::platform::Services> services_;
  std::optional<nx::platform::Bundle> bundle_;
  pdekit::PpdFilePtr ppd_;
  std::shared_ptr<faxpde::FaxPBJobConfirmationWindowsClass> window_;
};

TEST_F(ConfirmationWindow, DelayedSendWritesTheDatedAndThePlainTime) {
  window_->SetClock([] { return LocalTime(2024, 12, 31, 23, 50); });
  Choose(true, 0, 10);
  EXPECT_TRUE(window_->IsDelayedSendChecked());
  EXPECT_TRUE(window_->GetPanelWindow()->FindElement(faxpde::kJCTime)->IsEnabled());
  pdekit::BasicPrintSettings settings;
  EXPECT_TRUE(window_->SetValueToTicket(&settings, false));
  std::string value;
  ASSERT_EQ(settings.GetValue(faxpde::kDelaySendTicketKey, value), pdekit::noErr);
  EXPECT_EQ(value, "2025:01:01:00:10");
  ASSERT_EQ(settings.GetValue(faxpde::kDelaySendDummyTicketKey, value), pdekit::noErr);
  EXPECT_EQ(value, "00:10");
}

TEST_F(ConfirmationWindow, NoDelayedSendWritesNoTimeAndDisablesThePicker) {
  window_->SetClock([] { return LocalTime(2024, 6, 1, 8, 5); });
  Choose(false, 8, 5);
  EXPECT_FALSE(window_->GetPanelWindow()->FindElement(faxpde::kJCTime)->IsEnabled());
  pdekit::BasicPrintSettings settings;
  EXPECT_TRUE(window_->SetValueToTicket(&settings, false));
  EXPECT_EQ(settings.size(), 0u);
}

TEST_F(ConfirmationWindow, RowsAreRebuiltOnEachOpening) {
  std::vector<nx::phonebook::FaxRecord> records{
      nx::phonebook::FaxRecord({{"RecodeType", std::string("1")},
                                {"Name", std::string("")},
                                {"Address", std::string("0042")}})};
  window_->SetRecipientSource([&] { return records; });
  window_->ActivateWindow();  // no script: the run ends at once
  ASSERT_EQ(window_->GetRecipientRows().size(), 1u);
  EXPECT_EQ(window_->GetRecipientRows()[0], " <'0042'>");
  records.push_back(nx::phonebook::FaxRecord({{"RecodeType", std::string("0")},
                                              {"Name", std::string("B")},
                                              {"Address", std::string("5")}}));
  window_->ActivateWindow();
  auto* list = window_->GetPanelWindow()->FindElement(faxpde::kJCList);
  ASSERT_EQ(list->ItemCount(), 2);
  EXPECT_EQ(list->ItemTitle(1), "B <5>");
  EXPECT_FALSE(window_->getWinExitState());
}

}  // namespace
